#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QtTest>

// Linking zr_resources must be enough: nothing here calls Q_INIT_RESOURCE.
class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void namedIcons_data();
    void namedIcons();
    void applicationIcon();
};

void tst_Resources::namedIcons_data()
{
    QTest::addColumn<QString>("path");
    for (const char *name : {"about", "configure", "debug", "export", "help", "import", "logo", "monitor",
                             "refresh", "save", "search", "setup", "sync_time", "update"})
        QTest::newRow(name) << QStringLiteral(":/image/%1.png").arg(QLatin1String(name));
}

void tst_Resources::namedIcons()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QVERIFY(image.width() >= 32 && image.width() == image.height());
    QVERIFY(image.hasAlphaChannel());

    // The tool bar draws every icon at 16 x 16; a blank or nearly empty
    // pixmap there is as bad as a missing file.
    const QImage small = QIcon(path).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(small.size(), QSize(16, 16));
    int opaque = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            opaque += qAlpha(small.pixel(x, y)) > 128;
    QVERIFY2(opaque >= 40, qPrintable(QString::number(opaque)));
}

void tst_Resources::applicationIcon()
{
    const QIcon icon(QStringLiteral(":/image/zrvu.ico"));
    if (!QImageReader::supportedImageFormats().contains("ico"))
        QSKIP("no ico image plugin");
    const QList<QSize> sizes = icon.availableSizes();
    for (const QSize &size : {QSize(16, 16), QSize(32, 32), QSize(48, 48)})
        QVERIFY2(sizes.contains(size), qPrintable(QStringLiteral("%1 missing").arg(size.width())));
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
