#include "app/mainwindow.h"
#include "items/ddialoginputsn.h"
#include "items/modifydialog.h"
#include "tests/support/workdir.h"

#include <QAction>
#include <QDomDocument>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void everySourceTextTranslated_data();
    void everySourceTextTranslated();
    void englishMainWindowAndDialogs();

private:
    static QMap<QString, QString> readTs(const QString &path, QStringList *unfinished);
};

// key "context\nsource" -> translation
QMap<QString, QString> tst_Translations::readTs(const QString &path, QStringList *unfinished)
{
    QMap<QString, QString> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QDomDocument doc;
    doc.setContent(&f);
    const QDomNodeList contexts = doc.elementsByTagName(QStringLiteral("context"));
    for (int i = 0; i < contexts.size(); ++i) {
        const QDomElement c = contexts.at(i).toElement();
        const QString name = c.firstChildElement(QStringLiteral("name")).text();
        for (QDomElement m = c.firstChildElement(QStringLiteral("message")); !m.isNull();
             m = m.nextSiblingElement(QStringLiteral("message"))) {
            const QDomElement t = m.firstChildElement(QStringLiteral("translation"));
            const QString key = name + QLatin1Char('\n') + m.firstChildElement(QStringLiteral("source")).text();
            if (unfinished && (t.attribute(QStringLiteral("type")) == QLatin1String("unfinished") || t.text().isEmpty()))
                unfinished->append(key);
            out.insert(key, t.text());
        }
    }
    return out;
}

void tst_Translations::everySourceTextTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("zh_TW") << "zh_TW";
    QTest::newRow("zh_CH") << "zh_CH";
}

void tst_Translations::everySourceTextTranslated()
{
    QFETCH(QString, language);
    // Extract afresh from the sources, so a new tr() text without an entry fails here.
    QTemporaryDir tmp;
    const QString fresh = tmp.filePath(QStringLiteral("fresh.ts"));
    QProcess p;
    p.setWorkingDirectory(QStringLiteral(ZR_SOURCE_DIR));
    p.start(QStringLiteral(ZR_LUPDATE),
            {"-I", ".", "-no-obsolete", "-locations", "none", "-tr-function-alias", "translate+=cliText", "app", "settings", "link", "items", "firmware",
             "history", "monitor", "discovery", "about", "cli", "resources", "-ts", fresh});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QMap<QString, QString> extracted = readTs(fresh, nullptr);
    QVERIFY(extracted.size() > 100);

    QStringList unfinished;
    const QMap<QString, QString> shipped =
        readTs(QStringLiteral(ZR_SOURCE_DIR "/translations/") + language + QStringLiteral(".ts"), &unfinished);
    QVERIFY2(unfinished.isEmpty(), qPrintable(unfinished.join(QStringLiteral(" | "))));
    QStringList missing;
    for (auto it = extracted.cbegin(); it != extracted.cend(); ++it) {
        if (!shipped.contains(it.key()))
            missing.append(it.key());
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));

    for (auto it = shipped.cbegin(); it != shipped.cend(); ++it) {
        const QString source = it.key().section(QLatin1Char('\n'), 1);
        for (const char *ph : {"%1", "%2", "%3"})
            QVERIFY2(source.contains(QLatin1String(ph)) == it.value().contains(QLatin1String(ph)), qPrintable(it.key()));
        if (language == QLatin1String("zh_CH"))
            QCOMPARE(it.value(), source);
    }
}

void tst_Translations::englishMainWindowAndDialogs()
{
    TempWorkDir dir;
    for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
        const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
        QVERIFY(QFile::copy(QStringLiteral(ZR_QM_DIR "/") + qm, dir.filePath(qm)));
    }
    dir.writeConfig({{"language/language", "en_US"}});
    MainWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("ZR Zoverezaz V6.5"));
    const QMap<QString, QString> english{{"setup", "Connection Setup"}, {"refresh", "Refresh"},
                                         {"update", "Update Firmware"}, {"monitor", "Device Monitor"}};
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        QAction *a = w.findChild<QAction *>(it.key());
        QVERIFY(a);
        QCOMPARE(a->text(), it.value());
        QCOMPARE(a->toolTip(), it.value());
    }
    QCOMPARE(w.menuBar()->actions().at(0)->text(), QStringLiteral("Operation"));
    {
        DDialogInputSN sn(&w);
        QStringList texts;
        for (QPushButton *b : sn.findChildren<QPushButton *>())
            texts << b->text();
        QVERIFY2(texts.contains(QStringLiteral("OK")), qPrintable(texts.join(',')));
        ModifyDialog md(QStringLiteral("a"), QStringLiteral("b"), &w);
        QStringList mtexts;
        for (QPushButton *b : md.findChildren<QPushButton *>())
            mtexts << b->text();
        QVERIFY2(mtexts.contains(QStringLiteral("Submit")), qPrintable(mtexts.join(',')));
    }

    w.findChild<QAction *>("lang_zh_CH")->trigger();
    QCOMPARE(w.findChild<QAction *>("refresh")->text(), QStringLiteral("刷新"));
    QCOMPARE(w.menuBar()->actions().at(0)->text(), QStringLiteral("操作"));
    QCOMPARE(w.windowTitle(), QStringLiteral("ZRvu V6.5"));

    w.findChild<QAction *>("lang_zh_TW")->trigger();
    QCOMPARE(w.findChild<QAction *>("setup")->text(), QStringLiteral("通訊設定"));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
