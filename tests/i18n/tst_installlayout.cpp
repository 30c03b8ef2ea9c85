#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// What `cmake --install` leaves under a prefix, and where the installed
// programs find their translations and keep their files: translations in
// PREFIX/share/zrvu/translations, found from PREFIX/bin whatever the prefix;
// settings in the working folder when it holds a config.ini, otherwise in
// the per-user folder.
class tst_InstallLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void workingFolder_data();
    void workingFolder();

private:
    QTemporaryDir m_prefix;
    QString prefixed(const QString &name) const { return m_prefix.filePath(name); }
};

void tst_InstallLayout::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(ZR_CMAKE_COMMAND),
                  {"--install", QStringLiteral(ZR_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAllStandardError().constData());
}

void tst_InstallLayout::installedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    for (const char *program : {"zrvu", "zrvu-cli", "zrsim"})
        QTest::newRow(program) << QStringLiteral("bin/%1").arg(QLatin1String(program)) << true;
    for (const char *language : {"en_US", "zh_TW", "zh_CH"})
        QTest::newRow(language) << QStringLiteral("share/zrvu/translations/%1.qm").arg(QLatin1String(language)) << false;
    QTest::newRow("desktop entry") << "share/applications/zrvu.desktop" << false;
    QTest::newRow("metainfo") << "share/metainfo/com.example.zrvu.metainfo.xml" << false;
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("icon %d", size) << QStringLiteral("share/icons/hicolor/%1x%1/apps/zrvu.png").arg(size) << false;
    QTest::newRow("copyright") << "share/doc/zrvu/copyright" << false;
}

void tst_InstallLayout::installedFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    const QFileInfo file(prefixed(name));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
}

void tst_InstallLayout::workingFolder_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("configHere");
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("userFolder");
    // The installed program finds its translations from any folder.
    QTest::newRow("installed, empty folder: per-user folder") << true << false << true << true;
    QTest::newRow("installed, config.ini here: stays") << true << true << true << false;
    // The build-folder program works where it is started, as it always did:
    // no translation file there, so the built-in texts.
    QTest::newRow("build folder, empty folder") << false << false << false << false;
}

void tst_InstallLayout::workingFolder()
{
    QFETCH(bool, installed);
    QFETCH(bool, configHere);
    QFETCH(bool, english);
    QFETCH(bool, userFolder);
    QTemporaryDir work;
    QTemporaryDir home;
    QVERIFY(work.isValid() && home.isValid());
    QStringList arguments{"--lang", "en_US"};
    if (configHere) {
        // The language from the folder's own config.ini.
        QFile config(work.filePath(QStringLiteral("config.ini")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[language]\nlanguage=en_US\n");
        arguments.clear();
    }
    arguments << "flash" << "gone.zrbin";

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(work.path());
    cli.start(installed ? prefixed(QStringLiteral("bin/zrvu-cli")) : QStringLiteral(ZR_BUILD_DIR "/cli/zrvu-cli"),
              arguments);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 1);
    const QString englishText = QStringLiteral("zrvu-cli: Update failed: the file does not exist or access is denied.\n");
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    if (english)
        QCOMPARE(err, englishText);
    else
        QVERIFY2(err != englishText && err.startsWith(QStringLiteral("zrvu-cli: ")), qPrintable(err));

    const QDir user(QDir(home.path()).filePath(QStringLiteral(".local/share/zrvu")));
    QCOMPARE(user.exists(QStringLiteral("config.ini")), userFolder);
    QCOMPARE(user.exists(QStringLiteral("Files")), userFolder);
    QCOMPARE(user.exists(QStringLiteral("Backups")), userFolder);
    QCOMPARE(QFileInfo::exists(work.filePath(QStringLiteral("config.ini"))), configHere);
    QVERIFY(!QFileInfo::exists(prefixed(QStringLiteral("bin/config.ini"))));
}

QTEST_GUILESS_MAIN(tst_InstallLayout)
#include "tst_installlayout.moc"
