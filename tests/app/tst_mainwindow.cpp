#include "app/mainwindow.h"
#include "firmware/package.h"
#include "items/configtree.h"
#include "settings/config.h"
#include "items/clocksync.h"
#include "items/safewrite.h"
#include "tests/support/fifo.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/modalcloser.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QToolButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextCodec>
#include <QToolBar>
#include <QtTest>

#include <memory>
#include <functional>

namespace {

QStringList actionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (QAction *a : actions)
        names << a->objectName();
    return names;
}

QStringList rowTexts(const ConfigTree *tree)
{
    QStringList out;
    for (const ItemRow &r : tree->rows())
        out << QStringLiteral("%1|%2|%3").arg(r.index).arg(r.column0, r.column1);
    return out;
}

QSettings *readBack(const TempWorkDir &dir)
{
    auto *s = new QSettings(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    s->setIniCodec("utf-8");
    return s;
}

QAction *action(MainWindow &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}

const QStringList kSimItems{QStringLiteral("!设备名称:ZR-100"), QStringLiteral("!设备型号:ZR3100"),
                            QStringLiteral("波特率(2400/4800/9600):9600"), QStringLiteral("复位"),
                            QStringLiteral("备注:"), QStringLiteral("地址:1")};

// Refreshes and waits until the rows have arrived in the GUI thread.
bool refreshAndWait(MainWindow &w, int rows)
{
    w.findChild<QAction *>(QStringLiteral("refresh"))->trigger();
    if (!w.refreshThread().wait(20000))
        return false;
    // The thread has ended: all it reported is queued already.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return w.tree()->topLevelItemCount() == rows;
}

// Triggers an action (or runs `start`) and waits until the exchange it
// started has shown its outcome.
bool runExchange(MainWindow &w, const std::function<void()> &start, int timeoutMs = 30000)
{
    QSignalSpy ended(&w, &MainWindow::signalExchangeEnded);
    start();
    return ended.count() > 0 || ended.wait(timeoutMs);
}

bool runAction(MainWindow &w, const char *name, int timeoutMs = 30000)
{
    return runExchange(w, [&] { w.findChild<QAction *>(QLatin1String(name))->trigger(); }, timeoutMs);
}

// Write-all shows what it will write first; these tests take its checks.
void acceptPreview(ModalCloser &closer)
{
    closer.setDialogHandler([](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->accept(); });
}

// The message boxes among the modal windows seen.
QStringList boxTexts(const ModalCloser &closer)
{
    QStringList out;
    for (const ModalCloser::Seen &seen : closer.seen()) {
        if (seen.className == QLatin1String("QMessageBox"))
            out << seen.text;
    }
    return out;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void actionsMenusAndToolBar();
    void startWithoutConfig();
    void startWithConfig_data();
    void startWithConfig();
    void languageSwitch();
    void translationFile();
    void qtTexts_data();
    void qtTexts();
    void closeStoresSizeAndReleasesStore();
    void refreshWithoutLink();
    void operationsWithoutLink_data();
    void operationsWithoutLink();
    void exportImportRoundTrip();
    void importErrors_data();
    void importErrors();
    void exportOpenFailureAndCancel();
    void exportAddsCsvSuffix();
    void exportFailureKeepsOlderFile();
    void itemFileDialogs();
    void importRefusesOddFiles_data();
    void importRefusesOddFiles();
    void oddSkipItemsIsReported();
    void importAppliesSkipTable();
    void choiceEditorSelection();
    void commandItemConfirmation();
    void refreshFillsTree();
    void refreshErrorKeepsEarlierRows();
    void closeDuringRefresh();
    void batchWriteStopsAtFailingRow();
    void batchWriteReportsRefusedRows();
    void batchWriteEmptyTree();
    void doubleClickWrites_data();
    void doubleClickWrites();
    void writeMalformedReply();
    void syncTime_data();
    void syncTime();
    void writeSerialNumber_data();
    void writeSerialNumber();
    void actionsDuringSerialWriteAll_data();
    void actionsDuringSerialWriteAll();
    void stopWriteAllBetweenRows();
    void closeDuringWriteAll();
    void stopRefresh();
    void stopWriteAllDuringCheck();
    void batchWriteShowsWhatInstrumentHolds();
    void connectionLabelFollowsSetup();
    void flashConfirmationFollowsConnection();
};

void tst_MainWindow::actionsMenusAndToolBar()
{
    TempWorkDir dir;
    MainWindow w;
    const QStringList all{"setup", "refresh", "import_2", "export_2", "save", "sync_time", "debug",
                          "update", "about", "lang_en_US", "lang_zh_CH", "lang_zh_TW", "monitor", "writeSN"};
    const QStringList texts{"通讯设置", "刷新", "导入配置", "导出配置", "写入配置", "同步时间", "历史数据",
                            "更新固件", "关于", "English", "简体中文", "繁體中文", "设备监听", "写入SN"};
    for (int i = 0; i < all.size(); ++i) {
        QAction *a = action(w, all.at(i).toLatin1().constData());
        QVERIFY2(a, qPrintable(all.at(i)));
        QCOMPARE(a->text(), texts.at(i));
        QCOMPARE(a->toolTip(), texts.at(i));
        QCOMPARE(a->isCheckable(), all.at(i).startsWith(QLatin1String("lang_")));
    }
    QList<QMenu *> menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->menu();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus.at(0)->objectName(), QStringLiteral("menu"));
    QCOMPARE(menus.at(0)->title(), QStringLiteral("操作"));
    QCOMPARE(menus.at(1)->title(), QStringLiteral("语言"));
    QCOMPARE(menus.at(2)->title(), QStringLiteral("帮助"));
    QCOMPARE(actionNames(menus.at(0)->actions()),
             (QStringList{"setup", "refresh", "import_2", "export_2", "save", "restore", "sync_time", "debug", "update",
                          "monitor", "traffic", "fleet"}));
    QCOMPARE(actionNames(menus.at(1)->actions()), (QStringList{"lang_en_US", "lang_zh_CH", "lang_zh_TW"}));
    QCOMPARE(actionNames(menus.at(2)->actions()), QStringList{"about"});
    auto *bar = w.findChild<QToolBar *>(QStringLiteral("toolBar"));
    QVERIFY(bar);
    QCOMPARE(actionNames(bar->actions()),
             (QStringList{"setup", "refresh", "import_2", "export_2", "sync_time", "debug", "update", "monitor"}));
    QVERIFY(!bar->isMovable());
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(bar->iconSize(), QSize(25, 25));
    QVERIFY(action(w, "writeSN")->associatedWidgets().isEmpty());
    QCOMPARE(w.centralWidget(), static_cast<QWidget *>(w.tree()));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("准备就绪"));
}

void tst_MainWindow::startWithoutConfig()
{
    TempWorkDir dir;
    MainWindow w;
    QCOMPARE(w.height(), 600);
    QVERIFY(w.minimumWidth() > 0);
    QCOMPARE(w.width(), w.minimumWidth());
    QCOMPARE(w.windowTitle(), QStringLiteral("ZRvu V6.5"));
    QVERIFY(action(w, "lang_zh_CH")->isChecked());
    QVERIFY(!action(w, "lang_en_US")->isChecked());
    QVERIFY(!action(w, "lang_zh_TW")->isChecked());
    // The tool bar's buttons all fit into the minimum width.
    auto *bar = w.findChild<QToolBar *>(QStringLiteral("toolBar"));
    int buttons = 0;
    for (QAction *a : bar->actions())
        buttons += bar->widgetForAction(a)->minimumSizeHint().width();
    QVERIFY(w.minimumWidth() > buttons);
    // At that width no action is pushed behind the extension arrow.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (QAction *a : bar->actions())
        QVERIFY2(bar->widgetForAction(a)->isVisible(), qPrintable(a->objectName()));
}

void tst_MainWindow::startWithConfig_data()
{
    QTest::addColumn<QVariantMap>("config");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width"); // 0: the computed minimum
    QTest::newRow("english without file") << QVariantMap{{"language/language", "en_US"}} << "ZR Zoverezaz V6.5"
                                          << "lang_en_US" << 600 << 0;
    QTest::newRow("traditional") << QVariantMap{{"language/language", "zh_TW"}, {"window/height", 800}}
                                 << "ZRvu V6.5" << "lang_zh_TW" << 800 << 0;
    QTest::newRow("no version") << QVariantMap{{"appname/ver", false}} << "ZRvu" << "lang_zh_CH" << 600 << 0;
    QTest::newRow("renamed english") << QVariantMap{{"language/language", "en_US"}, {"appname/us", "Foo"}}
                                     << "Foo V6.5" << "lang_en_US" << 600 << 0;
    QTest::newRow("other code") << QVariantMap{{"language/language", "fr_FR"}, {"appname/ch", QStringLiteral("配置")}}
                                << QStringLiteral("配置 V6.5") << "lang_zh_CH" << 600 << 0;
    // The stored width comes back; below the minimum it is raised to it.
    QTest::newRow("low height raised, wide") << QVariantMap{{"window/height", 300}, {"window/width", 2000}}
                                             << "ZRvu V6.5" << "lang_zh_CH" << 600 << 2000;
    QTest::newRow("narrow width raised") << QVariantMap{{"window/width", 50}} << "ZRvu V6.5" << "lang_zh_CH" << 600
                                         << 0;
}

void tst_MainWindow::startWithConfig()
{
    QFETCH(QVariantMap, config);
    QFETCH(QString, title);
    QFETCH(QString, checked);
    QFETCH(int, height);
    QFETCH(int, width);
    TempWorkDir dir;
    dir.writeConfig(config);
    MainWindow w;
    QCOMPARE(w.windowTitle(), title);
    for (const char *name : {"lang_en_US", "lang_zh_CH", "lang_zh_TW"})
        QCOMPARE(action(w, name)->isChecked(), checked == QLatin1String(name));
    QCOMPARE(w.height(), height);
    QCOMPARE(w.width(), width ? width : w.minimumWidth());
    // No translation file beside config.ini: the texts stay Chinese.
    QCOMPARE(action(w, "refresh")->text(), QStringLiteral("刷新"));
}

void tst_MainWindow::languageSwitch()
{
    TempWorkDir dir;
    MainWindow w;
    action(w, "lang_zh_TW")->trigger();
    QVERIFY(action(w, "lang_zh_TW")->isChecked());
    QVERIFY(!action(w, "lang_zh_CH")->isChecked());
    QCOMPARE(configSettings()->value("language/language").toString(), QStringLiteral("zh_TW"));
    QCOMPARE(QLocale().name(), QStringLiteral("zh_TW"));
    action(w, "lang_en_US")->trigger();
    QVERIFY(action(w, "lang_en_US")->isChecked());
    QVERIFY(!action(w, "lang_zh_TW")->isChecked());
    QCOMPARE(w.windowTitle(), QStringLiteral("ZR Zoverezaz V6.5"));
    // Date pop-ups and file dialogs opened now speak the window's language.
    QCOMPARE(QCalendarWidget().locale().name(), QStringLiteral("en_US"));
    QCOMPARE(QCalendarWidget().locale().monthName(1), QStringLiteral("January"));
    // Unchecking a checked language action through the menu still leaves
    // exactly one language checked.
    action(w, "lang_en_US")->trigger();
    QVERIFY(action(w, "lang_en_US")->isChecked());
    action(w, "lang_zh_CH")->trigger();
    QVERIFY(action(w, "lang_zh_CH")->isChecked());
    QVERIFY(!action(w, "lang_en_US")->isChecked());
    QCOMPARE(w.windowTitle(), QStringLiteral("ZRvu V6.5"));
    QCOMPARE(QLocale().name(), QStringLiteral("zh_CN"));
}

void tst_MainWindow::translationFile()
{
#ifndef ZR_TEST_QM
    QSKIP("lrelease not available");
#else
    TempWorkDir dir;
    QVERIFY(QFile::copy(QStringLiteral(ZR_TEST_QM), dir.filePath(QStringLiteral("en_US.qm"))));
    dir.writeConfig({{"language/language", "en_US"}});
    MainWindow w;
    QCOMPARE(action(w, "refresh")->text(), QStringLiteral("Refresh"));
    QCOMPARE(action(w, "refresh")->toolTip(), QStringLiteral("Refresh"));
    QCOMPARE(w.menuBar()->actions().at(0)->text(), QStringLiteral("Operation"));
    QCOMPARE(action(w, "save")->text(), QStringLiteral("写入配置")); // not in the file
    const int englishWidth = w.minimumWidth();
    QCOMPARE(w.width(), englishWidth);
    // No zh_CH file: the translator is removed and the built-in texts return.
    action(w, "lang_zh_CH")->trigger();
    QCOMPARE(action(w, "refresh")->text(), QStringLiteral("刷新"));
    QCOMPARE(w.menuBar()->actions().at(0)->text(), QStringLiteral("操作"));
    QVERIFY(w.minimumWidth() < englishWidth);
    // The wider English window still fits the Chinese texts: it keeps its width.
    QCOMPARE(w.width(), englishWidth);
    w.resize(w.minimumWidth(), w.height());
    action(w, "lang_en_US")->trigger();
    QCOMPARE(action(w, "refresh")->text(), QStringLiteral("Refresh"));
    QCOMPARE(w.width(), englishWidth); // too narrow for the English texts: raised
    QCOMPARE(w.windowTitle(), QStringLiteral("ZR Zoverezaz V6.5"));
    w.resize(englishWidth + 100, w.height());
    action(w, "lang_zh_TW")->trigger();
    QCOMPARE(w.width(), englishWidth + 100);
#endif
}

void tst_MainWindow::qtTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("localFile"); // Qt catalogue copied into the working folder
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("open");
    QTest::newRow("zh_TW") << "zh_TW" << "" << "確定" << "開啟";
    QTest::newRow("zh_CH") << "zh_CH" << "" << "确定" << "打开";
    QTest::newRow("en_US") << "en_US" << "" << "OK" << "Open";
    QTest::newRow("no language yet") << "" << "" << "确定" << "打开";
    // The working folder comes before Qt's folder.
    QTest::newRow("zh_TW from the working folder") << "zh_TW" << "qtbase_zh_CN.qm" << "确定" << "打开";
}

void tst_MainWindow::qtTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, localFile);
    QFETCH(QString, ok);
    QFETCH(QString, open);
    TempWorkDir dir;
    if (!localFile.isEmpty()) {
        const QString qtDir = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
        QVERIFY(QFile::copy(QDir(qtDir).filePath(localFile), dir.filePath(QStringLiteral("qtbase_zh_TW.qm"))));
    }
    dir.writeConfig({{"language/language", language == QLatin1String("en_US") ? "zh_TW" : "en_US"}});
    {
        MainWindow w;
        // Switched from another language, whose Qt texts must go.
        if (language == QLatin1String("en_US"))
            action(w, "lang_en_US")->trigger();
        else
            w.setLanguage(language);
        QDialogButtonBox box(QDialogButtonBox::Ok);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), ok);
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), open);
    }
    // The window takes its translators with it.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open"));
}

void tst_MainWindow::closeStoresSizeAndReleasesStore()
{
    TempWorkDir dir;
    dir.writeConfig({{"window/height", 700}, {"language/language", "zh_TW"}});
    {
        MainWindow w;
        w.show();
        w.resize(w.minimumWidth() + 40, 650);
        QVERIFY(singleton<Config>::exists());
        QVERIFY(w.close());
        QVERIFY(!singleton<Config>::exists());
        QScopedPointer<QSettings> s(readBack(dir));
        QCOMPARE(s->value("window/width").toInt(), w.minimumWidth() + 40);
        QCOMPARE(s->value("window/height").toInt(), 650);
        QCOMPARE(s->value("language/language").toString(), QStringLiteral("zh_TW"));
    }
    // Without a config.ini the close writes one.
    {
        TempWorkDir fresh;
        MainWindow w;
        QVERIFY(w.close());
        QScopedPointer<QSettings> s(readBack(fresh));
        QCOMPARE(s->value("window/height").toInt(), 600);
        QCOMPARE(s->value("window/width").toInt(), w.minimumWidth());
        QVERIFY(s->contains("language/language"));
    }
    // The next start takes the stored size.
    MainWindow again;
    QCOMPARE(again.height(), 650);
    QVERIFY(again.minimumWidth() > 0);
    QCOMPARE(again.width(), again.minimumWidth() + 40);
}

void tst_MainWindow::refreshWithoutLink()
{
    TempWorkDir dir; // no config.ini: serial link with no port name
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(4, {"kept", "1"});
    action(w, "refresh")->trigger();
    QVERIFY(w.refreshThread().wait(10000));
    QTRY_COMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("刷新"));
    QCOMPARE(closer.seen().at(0).text, QStringLiteral("串口打开失败"));
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Critical);
    // The status line also says where the refresh went.
    QTRY_COMPARE(w.statusBar()->currentMessage(), QStringLiteral("串口打开失败 — 串口 (无) 9600 8N1 · 地址 255"));
    QCOMPARE(w.tree()->topLevelItemCount(), 1); // a failed open clears nothing
    QTest::qWait(100); // time for a second box that must not come
    QCOMPARE(closer.count(), 1);
}

void tst_MainWindow::operationsWithoutLink_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    const QString where = QStringLiteral(" — 串口 /nonexistent/zr-port 115200 8N1 · 地址 1");
    QTest::newRow("batch write") << "save" << "写入配置" << "写入错误,连接设备失败" << "写入错误,连接设备失败" + where;
    QTest::newRow("clock") << "sync_time" << "同步时间" << "打开串口失败: /nonexistent/zr-port"
                           << "打开串口失败: /nonexistent/zr-port" + where;
    QTest::newRow("serial number") << "writeSN" << "写入SN" << "写入SN失败,连接设备失败,请检查通讯设置"
                                   << "写入SN失败,连接设备失败,请检查通讯设置" + where;
}

void tst_MainWindow::operationsWithoutLink()
{
    QFETCH(QString, actionName);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, status);
    TempWorkDir dir;
    dir.writeSerialConfig(QStringLiteral("/nonexistent/zr-port"));
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(0, {"A", "1"});
    QVERIFY(runAction(w, actionName.toLatin1().constData()));
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).title, title);
    QCOMPARE(closer.seen().at(0).text, text);
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Critical);
    QCOMPARE(w.statusBar()->currentMessage(), status);
    QVERIFY(action(w, actionName.toLatin1().constData())->isEnabled());
}

void tst_MainWindow::exportImportRoundTrip()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(0, {QStringLiteral("波特率(9600/19200)"), "9600"});
    w.tree()->appendItemRow(3, {"Reset"});
    w.tree()->appendItemRow(5, {"Empty", ""});
    w.tree()->appendItemRow(123, {" Spaced ", " v a l "});
    const QStringList before = rowTexts(w.tree());
    const QString file = dir.filePath(QStringLiteral("items.csv"));
    w.setFileNameProvider([&](bool save, const QString &caption) {
        return save == (caption == QStringLiteral("导出配置")) ? file : QString();
    });
    action(w, "export_2")->trigger();
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("导出配置成功"));
    QByteArray expected("\xEF\xBB\xBF");
    expected += QStringLiteral("00. 波特率(9600/19200), 9600\r\n03. Reset\r\n05. Empty,\r\n123. Spaced, v a l\r\n").toUtf8();
    const QByteArray written = dir.readFile(QStringLiteral("items.csv"));
    QCOMPARE(written, expected);

    w.tree()->clear();
    w.tree()->appendItemRow(9, {"stale", "x"});
    action(w, "import_2")->trigger();
    QCOMPARE(closer.count(), 0);
    QCOMPARE(rowTexts(w.tree()), before);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("导入配置成功"));

    QFile::remove(file);
    action(w, "export_2")->trigger();
    QCOMPARE(dir.readFile(QStringLiteral("items.csv")), expected);
}

void tst_MainWindow::importErrors_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("empty line inside") << QByteArray("01. A, 1\r\n\r\n02. B, 2\r\n") << "文件解析错误" << QStringList{};
    QTest::newRow("not numbered") << QByteArray("\xEF\xBB\xBF" "01. A, 1\nA, 1\n") << "文件解析错误" << QStringList{};
    QTest::newRow("empty file") << QByteArray() << "" << QStringList{};
    QTest::newRow("plain ascii lf") << QByteArray("007. A, 1\n2. B\n") << ""
                                    << QStringList{"7|07. A|: 1", "2|02. B|"};
    QTest::newRow("comma in value kept") << QByteArray("04. List, 1,2\n") << "" << QStringList{"4|04. List|: 1,2"};
    // One byte on the wire: 263 would address item 7.
    QTest::newRow("index beyond 255") << QByteArray("01. A, 1\n263. whatever, 30\n") << "文件解析错误"
                                      << QStringList{};
    QTest::newRow("gbk without bom")
        << QTextCodec::codecForName("GBK")->fromUnicode(QStringLiteral("01. 名称, 值\r\n")) << ""
        << QStringList{QStringLiteral("1|01. 名称|: 值")};
    // Refused before the tree changes: the rows would only carry U+FFFD.
    QTest::newRow("bom, invalid utf8") << QByteArray("\xEF\xBB\xBF" "01. A, 1\r\n02. B, \xC3\x28\r\n")
                                       << "文件编码错误: 第2行不是UTF-8、GB2312或Latin-1文本" << QStringList{"9|09. stale|: x"};
}

void tst_MainWindow::importErrors()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, boxText);
    QFETCH(QStringList, rows);
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(9, {"stale", "x"});
    dir.writeFile(QStringLiteral("in.csv"), content);
    w.setFileNameProvider([&](bool, const QString &) { return dir.filePath(QStringLiteral("in.csv")); });
    action(w, "import_2")->trigger();
    QCOMPARE(closer.texts(), boxText.isEmpty() ? QStringList() : QStringList{boxText});
    if (!boxText.isEmpty())
        QCOMPARE(closer.seen().at(0).title, QStringLiteral("导入配置"));
    QCOMPARE(rowTexts(w.tree()), rows);
}

void tst_MainWindow::exportOpenFailureAndCancel()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(1, {"A", "1"});
    QString name;
    w.setFileNameProvider([&](bool, const QString &) { return name; });

    action(w, "export_2")->trigger(); // cancelled dialog
    action(w, "import_2")->trigger();
    QCOMPARE(closer.count(), 0);
    QCOMPARE(w.tree()->topLevelItemCount(), 1);

    name = dir.filePath(QStringLiteral("no/such/dir/out.csv"));
    action(w, "export_2")->trigger();
    action(w, "import_2")->trigger();
    QCOMPARE(closer.count(), 2);
    // The import's text for a file that cannot be opened, then the cause.
    QVERIFY2(closer.texts().at(0).startsWith("打开文件失败: " + name + " (") && closer.texts().at(0).endsWith(")")
                 && closer.texts().at(0).size() > name.size() + 11,
             qPrintable(closer.texts().at(0)));
    QCOMPARE(closer.texts().at(1), "打开文件失败: " + name);
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("导出配置"));
    QCOMPARE(closer.seen().at(1).title, QStringLiteral("导入配置"));
    QCOMPARE(w.tree()->topLevelItemCount(), 1);

    // A directory in place of the file: nothing is replaced.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir.csv")));
    name = dir.filePath(QStringLiteral("adir.csv"));
    closer.clear();
    action(w, "export_2")->trigger();
    QCOMPARE(closer.texts(), QStringList{"导出配置失败: 不是普通文件: " + QDir::toNativeSeparators(name)});
    QVERIFY(QFileInfo(name).isDir());
}

void tst_MainWindow::exportAddsCsvSuffix()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(1, {"A", "1"});
    QString name;
    w.setFileNameProvider([&](bool, const QString &) { return name; });
    // The import dialog lists *.csv: "station1" would save a file it never shows.
    name = dir.filePath(QStringLiteral("station1"));
    action(w, "export_2")->trigger();
    QVERIFY(QFileInfo(name + QStringLiteral(".csv")).isFile());
    QVERIFY(!QFileInfo::exists(name));
    // A suffix the user gave is kept.
    name = dir.filePath(QStringLiteral("station2.txt"));
    action(w, "export_2")->trigger();
    QVERIFY(QFileInfo(name).isFile());
    QCOMPARE(closer.count(), 0);
}

void tst_MainWindow::exportFailureKeepsOlderFile()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    // About 8 KB: more than the write limit, less than the file buffer, so
    // only the final flush fails.
    for (int i = 0; i < 200; ++i)
        w.tree()->appendItemRow(i, {QStringLiteral("Item %1").arg(i), QStringLiteral("value %1").arg(i, 20)});
    const QString name = dir.filePath(QStringLiteral("older.csv"));
    dir.writeFile(QStringLiteral("older.csv"), "older export\r\n");
    w.setFileNameProvider([&](bool, const QString &) { return name; });
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        action(w, "export_2")->trigger();
    }
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("导出配置"));
    const QString text = closer.texts().at(0);
    QVERIFY2(text.startsWith(QStringLiteral("导出配置失败: ")) && text.contains(QStringLiteral("文件超过系统允许的大小")),
             qPrintable(text));
    QCOMPARE(dir.readFile(QStringLiteral("older.csv")), QByteArray("older export\r\n"));
    QVERIFY(w.statusBar()->currentMessage() != QStringLiteral("导出配置成功"));
    QCOMPARE(QDir(dir.path()).entryList({"older.csv*"}, QDir::Files | QDir::Hidden), QStringList{"older.csv"});
}

void tst_MainWindow::itemFileDialogs()
{
    TempWorkDir dir;
    ModalCloser closer;
    QStringList filters;
    QString suffix = QStringLiteral("unset");
    closer.setDialogHandler([&](QWidget *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            filters = files->nameFilters();
            suffix = files->defaultSuffix();
        }
        static_cast<QDialog *>(dialog)->reject();
    });
    MainWindow w;
    action(w, "import_2")->trigger();
    // A colleague's file may carry another suffix or none.
    QCOMPARE(filters, (QStringList{QStringLiteral("Files (*.csv)"), QStringLiteral("所有文件 (*)")}));
    // The save dialog adds .csv itself, so it asks before replacing that file.
    action(w, "export_2")->trigger();
    QCOMPARE(filters, QStringList{QStringLiteral("Files (*.csv)")});
    QCOMPARE(suffix, QStringLiteral("csv"));
}

void tst_MainWindow::importRefusesOddFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("boxText");
    QTest::newRow("fifo") << "fifo" << QStringLiteral("不是普通文件: ");
    QTest::newRow("over 16 MB") << "large" << QStringLiteral("文件过大(超过16 MB): ");
}

void tst_MainWindow::importRefusesOddFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, boxText);
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(9, {"stale", "x"});
    const QString name = dir.filePath(QStringLiteral("in.csv"));
    std::unique_ptr<FifoFile> fifo;
    if (kind == QLatin1String("fifo")) {
        fifo = std::make_unique<FifoFile>(name);
        QVERIFY(fifo->made());
    } else {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("01. A, 1\n") > 0);
        QVERIFY(file.resize(16 * 1024 * 1024 + 1)); // sparse
    }
    w.setFileNameProvider([&](bool, const QString &) { return name; });
    QElapsedTimer clock;
    clock.start();
    action(w, "import_2")->trigger();
    QVERIFY2(clock.elapsed() < FifoFile::kReleaseMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(closer.texts(), QStringList{boxText + QDir::toNativeSeparators(name)});
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("导入配置"));
    QCOMPARE(rowTexts(w.tree()), QStringList{"9|09. stale|: x"});
}

void tst_MainWindow::oddSkipItemsIsReported()
{
    TempWorkDir dir;
    FifoFile fifo(dir.filePath(QStringLiteral("SkipItems")));
    QVERIFY(fifo.made());
    QElapsedTimer clock;
    clock.start();
    MainWindow w;
    // The window starts at once and says why nothing is hidden.
    QVERIFY2(clock.elapsed() < FifoFile::kReleaseMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("不是普通文件: SkipItems"));
}

void tst_MainWindow::importAppliesSkipTable()
{
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("SkipItems"), "A,B\nX\n");
    ModalCloser closer;
    MainWindow w;
    const QByteArray csv = QStringLiteral("00. 设备名称, A\n01. 设备型号, B\n02. Rate, 1\n03. MODEL, X\n"
                                          "04. 设备名称, A\n05. 设备型号, D\n")
                               .toUtf8();
    dir.writeFile(QStringLiteral("in.csv"), QByteArray("\xEF\xBB\xBF") + csv);
    w.setFileNameProvider([&](bool, const QString &) { return dir.filePath(QStringLiteral("in.csv")); });
    action(w, "import_2")->trigger();
    QCOMPARE(rowTexts(w.tree()), (QStringList{"2|02. Rate|: 1", QStringLiteral("4|04. 设备名称|: A"),
                                              QStringLiteral("5|05. 设备型号|: D")}));
}

void tst_MainWindow::choiceEditorSelection()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    QString title;
    QStringList entries;
    QString current;
    bool comboShown = false;
    closer.setDialogHandler([&](QWidget *dialog) {
        title = dialog->windowTitle();
        if (auto *combo = dialog->findChild<QComboBox *>()) {
            comboShown = true;
            for (int i = 0; i < combo->count(); ++i)
                entries << combo->itemText(i);
            current = combo->currentText();
            combo->setCurrentIndex(0);
        } else if (auto *edit = dialog->findChild<QLineEdit *>()) {
            current = edit->text();
            edit->setText(QStringLiteral("  typed  "));
        }
        static_cast<QDialog *>(dialog)->accept();
    });
    QString newValue;
    QCOMPARE(w.editItem(QStringLiteral("03. Rate(2400/4800/9600)"), QStringLiteral(": 9600"), newValue), 2);
    QVERIFY(comboShown);
    QCOMPARE(title, QStringLiteral("Rate"));
    QCOMPARE(entries, (QStringList{"2400", "4800", "9600"}));
    QCOMPARE(current, QStringLiteral("9600"));
    QCOMPARE(newValue, QStringLiteral("2400"));

    comboShown = false;
    QCOMPARE(w.editItem(QStringLiteral("04. Rate(9600)"), QStringLiteral(": 9600"), newValue), 2);
    QVERIFY(!comboShown);
    QCOMPARE(title, QStringLiteral("Rate(9600)"));
    QCOMPARE(current, QStringLiteral("9600"));
    QCOMPARE(newValue, QStringLiteral("typed"));

    // An item that arrived as "Name:" has a value, just an empty one.
    QCOMPARE(w.editItem(QStringLiteral("05. Name"), QStringLiteral(": "), newValue), 2);
    QCOMPARE(current, QString());

    closer.setDialogHandler([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
    QCOMPARE(w.editItem(QStringLiteral("03. Rate(2400/4800/9600)"), QStringLiteral(": 9600"), newValue), 0);
    QVERIFY(newValue.isEmpty());
}

void tst_MainWindow::commandItemConfirmation()
{
    TempWorkDir dir;
    ModalCloser closer;
    MainWindow w;
    QString newValue = QStringLiteral("x");
    QCOMPARE(w.editItem(QStringLiteral("02. Reset"), QString(), newValue), 1);
    QVERIFY(newValue.isEmpty());
    // A title, the name, and what pressing the button does.
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("执行命令"));
    QCOMPARE(closer.seen().at(0).text, QStringLiteral("执行命令“Reset”?\n\n设备收到后会立即执行此命令。"));
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Warning);
    closer.setButtonText(QStringLiteral("取消"));
    QCOMPARE(w.editItem(QStringLiteral("02. Reset"), QString(), newValue), 0);
    QCOMPARE(closer.count(), 2);
}

void tst_MainWindow::refreshFillsTree()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kSimItems)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    dir.writeFile(QStringLiteral("SkipItems"), "ZR-100,ZR3100\n");
    ModalCloser closer;
    MainWindow w;
    int runs = 0;
    connect(&w.refreshThread(), &RefreshThread::signalClearItems, this, [&] { ++runs; });
    w.tree()->appendItemRow(7, {"old", "1"});
    action(w, "refresh")->trigger(); // a second trigger while running starts nothing
    QVERIFY(refreshAndWait(w, 4));
    QCOMPARE(runs, 1);
    QCOMPARE(rowTexts(w.tree()), (QStringList{QStringLiteral("2|02. 波特率(2400/4800/9600)|: 9600"),
                                              QStringLiteral("3|03. 复位|"), QStringLiteral("4|04. 备注|: "),
                                              QStringLiteral("5|05. 地址|: 1")}));
    QCOMPARE(closer.count(), 0);
    QVERIFY(!w.skipFilter().hasHeldRow());
}

void tst_MainWindow::refreshErrorKeepsEarlierRows()
{
    TempWorkDir dir;
    SimProcess sim;
    // Replies 3 and 4 (item 2 and its retry) are lost.
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kSimItems), "--drop", "3,4"}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    MainWindow w;
    w.refreshThread().setTimeouts(800, 1500);
    QVERIFY(refreshAndWait(w, 2));
    QTRY_COMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("刷新"));
    QCOMPARE(closer.seen().at(0).text, QStringLiteral("接收数据超时"));
    QCOMPARE(w.tree()->topLevelItemCount(), 2);
}

void tst_MainWindow::closeDuringRefresh()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kSimItems), "--delay", "100", "--drop", "5"}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    MainWindow w;
    w.refreshThread().setTimeouts(2000, 2000); // no reply is late by design but the dropped one
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QAction *>(QStringLiteral("refresh"))->trigger();
    QVERIFY(w.refreshThread().isRunning());
    // A refresh is an exchange like the others: it counts what came in and
    // keeps the writes, files and dialogs away until it ends.
    QTRY_VERIFY(QRegularExpression(QStringLiteral("^正在刷新: 已收到[1-9]\\d*项$")).match(w.progressText()).hasMatch());
    QCOMPARE(w.statusBar()->currentMessage(), w.progressText());
    QVERIFY(!action(w, "save")->isEnabled());
    QVERIFY(!action(w, "import_2")->isEnabled());
    QVERIFY(w.close());
    QVERIFY(w.refreshThread().isFinished());
    QVERIFY(w.refreshThread().wasStopped()); // the port is not held for the rest of the list
    QVERIFY(w.isHidden());
    QVERIFY(!singleton<Config>::exists());
    // What the finished refresh still had queued shows no box any more.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(closer.count(), 0);
}

void tst_MainWindow::batchWriteStopsAtFailingRow()
{
    TempWorkDir dir;
    SimProcess sim;
    const QStringList items{"A:1", "B:2", "C:3", "D:4", "E:5"};
    // Replies 1-6 answer the refresh, 7-12 the read before the preview;
    // reply 15, to the third write, is corrupt.
    QVERIFY2(sim.start({"--pty", "--items", dir.writeSimItems(items), "--corrupt-crc", "15"}), qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    QVERIFY(refreshAndWait(w, 5));
    for (int i = 0; i < 5; ++i)
        w.tree()->topLevelItem(i)->setText(1, QStringLiteral(": n%1").arg(i));
    QVERIFY(runAction(w, "save"));
    QCOMPARE(boxTexts(closer), (QStringList{"CRC校验错误", "写入配置失败: n2"}));
    QCOMPARE(closer.seen().at(1).title, QStringLiteral("提交"));
    QCOMPARE(closer.seen().at(2).title, QStringLiteral("写入配置"));
    QCOMPARE(w.tree()->currentItem(), w.tree()->topLevelItem(2));
    QTRY_COMPARE(simLines(sim, "^ZRSIM WRITE", 0).size(), 3);
    QCOMPARE(simLines(sim, "^ZRSIM WRITE", 0), (QStringList{"ZRSIM WRITE 0 A:n0", "ZRSIM WRITE 1 B:n1", "ZRSIM WRITE 2 C:n2"}));
    QCOMPARE(w.tree()->topLevelItem(1)->text(1), QStringLiteral(": n1"));
    QCOMPARE(w.tree()->topLevelItem(3)->text(1), QStringLiteral(": n3")); // not written, still the edited text
}

void tst_MainWindow::batchWriteReportsRefusedRows()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kSimItems)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    MainWindow w;
    QVERIFY(refreshAndWait(w, 6));
    w.tree()->topLevelItem(0)->setText(1, QStringLiteral(": ZR-999")); // read-only
    w.tree()->topLevelItem(5)->setText(1, QStringLiteral(": 7"));
    acceptPreview(closer);
    QVERIFY(runAction(w, "save"));
    // The check after the writes names the row the instrument kept.
    QCOMPARE(boxTexts(closer), (QStringList{"核对完成: 1 项与写入的值不符\n设备名称: 写入 ZR-999,设备保持 ZR-100"}));
    QCOMPARE(w.tree()->topLevelItem(0)->text(1), QStringLiteral(": ZR-100"));
    QCOMPARE(w.tree()->topLevelItem(5)->text(1), QStringLiteral(": 7"));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("写入配置完成,1项不支持修改"));
    QTRY_VERIFY(simLines(sim, "^ZRSIM WRITE 5", 0).size() == 1);
    QVERIFY(simLines(sim, "^ZRSIM COMMAND", 0).isEmpty()); // the command row has no value and is skipped
}

void tst_MainWindow::batchWriteEmptyTree()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--verbose"}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    MainWindow w;
    w.tree()->appendItemRow(3, {"Reset"});
    QVERIFY(runAction(w, "save"));
    QCOMPARE(closer.count(), 0);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("没有要写入的项"));
    QTest::qWait(100); // time for a write that must not come
    QVERIFY(simLines(sim, "^ZRSIM WRITE", 0).isEmpty());
    QVERIFY(simLines(sim, "^ZRSIM COMMAND", 0).isEmpty());
}

void tst_MainWindow::doubleClickWrites_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("choose");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("column1");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("simLine");
    QTest::newRow("choice") << 2 << "4800" << QStringList{} << QStringList{} << ": 4800" << "写入配置成功"
                            << QStringLiteral("ZRSIM WRITE 2 波特率(2400/4800/9600):4800");
    QTest::newRow("refused") << 0 << "X" << QStringList{} << QStringList{} << ": ZR-100" << "写入配置失败,该项不支持修改"
                             << QStringLiteral("ZRSIM REFUSED 0 X");
    QTest::newRow("command") << 3 << "" << QStringList{} << QStringList{} << "" << "写入配置成功"
                             << QStringLiteral("ZRSIM COMMAND 3 复位");
    QTest::newRow("corrupt reply") << 5 << "9" << QStringList{"--corrupt-crc", "8"}
                                   << QStringList{"CRC校验错误", "写入配置失败: 9"} << ": 1" << "写入配置失败: 9"
                                   << QStringLiteral("ZRSIM WRITE 5 地址:9");
    // The instrument stored the value; only its answer was lost.
    QTest::newRow("no answer") << 5 << "9" << QStringList{"--drop", "8"}
                               << QStringList{"接收数据超时", "没有应答,该值可能已写入,请刷新核对"} << ": 1"
                               << "没有应答,该值可能已写入,请刷新核对" << QStringLiteral("ZRSIM WRITE 5 地址:9");
}

void tst_MainWindow::doubleClickWrites()
{
    QFETCH(int, row);
    QFETCH(QString, choose);
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, boxes);
    QFETCH(QString, column1);
    QFETCH(QString, status);
    QFETCH(QString, simLine);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--pty", "--items", dir.writeSimItems(kSimItems)} + simArgs), qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    ModalCloser closer;
    closer.setDialogHandler([&](QWidget *dialog) {
        if (auto *combo = dialog->findChild<QComboBox *>())
            combo->setCurrentText(choose);
        else if (auto *edit = dialog->findChild<QLineEdit *>())
            edit->setText(choose);
        static_cast<QDialog *>(dialog)->accept();
    });
    MainWindow w;
    QVERIFY(refreshAndWait(w, 6));
    QTreeWidgetItem *item = w.tree()->topLevelItem(row);
    QVERIFY(runExchange(w, [&] { emit w.tree()->itemDoubleClicked(item, 1); }));
    QStringList texts;
    for (const ModalCloser::Seen &seen : closer.seen()) {
        if (seen.className == QLatin1String("QMessageBox") && seen.title != QStringLiteral("执行命令"))
            texts << seen.text;
    }
    QCOMPARE(texts, boxes);
    QCOMPARE(item->text(1), column1);
    QVERIFY2(w.statusBar()->currentMessage().startsWith(status), qPrintable(w.statusBar()->currentMessage()));
    QTRY_VERIFY2(sim.outputLines().contains(simLine), qPrintable(sim.outputLines().join('\n')));
}

void tst_MainWindow::writeMalformedReply()
{
    // Rows from an old file: item 0 is a command there but a value item on
    // this instrument, so its answer has two fields.
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems(kSimItems)}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    MainWindow w;
    QTreeWidgetItem *item = w.tree()->appendItemRow(0, {QStringLiteral("设备名称")});
    QVERIFY(runExchange(w, [&] { emit w.tree()->itemDoubleClicked(item, 0); }));
    const QString ask = QStringLiteral("执行命令“设备名称”?\n\n设备收到后会立即执行此命令。");
    QCOMPARE(closer.texts(), (QStringList{ask, "硬件返回数据校验错误", "写入配置失败: "}));
    QCOMPARE(closer.seen().at(1).title, QStringLiteral("提交"));
    QCOMPARE(closer.seen().at(2).title, QStringLiteral("写入配置"));
    QCOMPARE(item->text(1), QString());

    // The same for a link that does not open.
    dir.writeSerialConfig(QStringLiteral("/nonexistent/zr-port"));
    closer.clear();
    QVERIFY(runExchange(w, [&] { emit w.tree()->itemDoubleClicked(item, 0); }));
    QCOMPARE(closer.texts(), (QStringList{ask, "写入错误,连接设备失败"}));
    QCOMPARE(closer.seen().at(1).title, QStringLiteral("写入配置"));
}

void tst_MainWindow::syncTime_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::newRow("ok") << QStringList{} << "同步时间成功" << int(QMessageBox::Information);
    QTest::newRow("other answer") << QStringList{"--clock-reply", "NO"} << "同步时间失败" << int(QMessageBox::Critical);
    QTest::newRow("longer answer") << QStringList{"--clock-reply", "OKK"} << "同步时间失败" << int(QMessageBox::Critical);
    QTest::newRow("corrupt answer") << QStringList{"--corrupt-crc", "1"} << "CRC校验错误" << int(QMessageBox::Critical);
}

void tst_MainWindow::syncTime()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, text);
    QFETCH(int, icon);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--pty"} + simArgs), qPrintable(sim.lastError()));
    dir.writeSerialConfig(sim.ptyPath());
    setClockSource([] { return QDateTime(QDate(2026, 12, 8), QTime(3, 4, 5)); });
    ModalCloser closer;
    MainWindow w;
    QVERIFY(runAction(w, "sync_time"));
    setClockSource(ClockSource());
    QCOMPARE(closer.texts(), QStringList{text});
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("同步时间"));
    QCOMPARE(int(closer.seen().at(0).icon), icon);
    QTRY_VERIFY(sim.outputLines().contains(QStringLiteral("ZRSIM CLOCK 2026-12-08 03:04:05 2")));
}

void tst_MainWindow::writeSerialNumber_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    QTest::newRow("echoed") << QStringList{} << "ZRvu V6.5" << "写入SN成功" << "写入SN成功";
    QTest::newRow("other case") << QStringList{"--sn-reply", "{\"sn\":\"ab12\"}"} << "写入SN"
                                << "写入SN失败, 设备返回错误: {\"sn\":\"ab12\"}" << "写入SN失败, 设备返回错误: {\"sn\":\"ab12\"}";
    QTest::newRow("two objects") << QStringList{"--sn-reply", "{\"sn\":\"AB12\"}{\"sn\":\"AB12\"}"} << "写入SN"
                                 << "写入SN失败, 设备返回错误: {\"sn\":\"AB12\"}{\"sn\":\"AB12\"}"
                                 << "写入SN失败, 设备返回错误: {\"sn\":\"AB12\"}{\"sn\":\"AB12\"}";
    QTest::newRow("no answer") << QStringList{"--silent"} << "写入SN" << "写入SN失败, 接受数据超时"
                               << "写入SN失败, 接受数据超时";
}

void tst_MainWindow::writeSerialNumber()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, status);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0"} + simArgs), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    QString dialogTitle;
    closer.setDialogHandler([&](QWidget *dialog) {
        dialogTitle = dialog->windowTitle();
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("AB12"));
        dialog->findChild<QPushButton *>(QStringLiteral("bntOk"))->click();
    });
    MainWindow w;
    QVERIFY(runAction(w, "writeSN"));
    QCOMPARE(dialogTitle, QStringLiteral("请输入序列号"));
    QCOMPARE(closer.seen().size(), 2);
    QCOMPARE(closer.seen().at(1).title, title);
    QCOMPARE(closer.seen().at(1).text, text);
    QVERIFY2(w.statusBar()->currentMessage().startsWith(status), qPrintable(w.statusBar()->currentMessage()));
    if (!simArgs.contains("--silent"))
        QTRY_VERIFY(sim.outputLines().contains(QStringLiteral("ZRSIM SN AB12")));
}

namespace {
const QStringList kInstrumentActions{"setup", "refresh", "import_2", "export_2", "save",
                                     "sync_time", "debug", "update", "monitor", "writeSN"};

// A serial instrument that answers slowly, with its six rows read and
// edited, so that a write-all of six rows takes a while.
struct SlowWriteAll {
    TempWorkDir dir;
    SimProcess sim;
    bool start(int delayMs)
    {
        const QStringList items{"A:1", "B:2", "C:3", "D:4", "E:5", "F:6"};
        if (!sim.start({"--pty", "--items", dir.writeSimItems(items), "--delay", QString::number(delayMs)}))
            return false;
        dir.writeSerialConfig(sim.ptyPath());
        // A file an import would write the instrument from, were it allowed.
        dir.writeFile(QStringLiteral("other.csv"), "\xEF\xBB\xBF" "00. A, evil0\r\n01. B, evil1\r\n");
        return true;
    }
    static void edit(MainWindow &w)
    {
        for (int i = 0; i < w.tree()->topLevelItemCount(); ++i)
            w.tree()->topLevelItem(i)->setText(1, QStringLiteral(": n%1").arg(i));
    }
};

bool waitRowsStarted(MainWindow &w, int rows)
{
    QSignalSpy started(&w.exchangeThread(), &ExchangeThread::signalRowStarted);
    while (started.count() < rows) {
        if (!started.wait(10000))
            return false;
    }
    QCoreApplication::processEvents();
    return true;
}
} // namespace

void tst_MainWindow::actionsDuringSerialWriteAll_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::newRow("import") << "import_2";
    QTest::newRow("refresh") << "refresh";
    QTest::newRow("export") << "export_2";
    QTest::newRow("clock") << "sync_time";
    QTest::newRow("serial number") << "writeSN";
    QTest::newRow("language") << "lang_en_US";
    QTest::newRow("double-click") << "";
}

void tst_MainWindow::actionsDuringSerialWriteAll()
{
    // Pressing anything while a write-all waits for a slow serial
    // instrument must neither free the rows it writes nor send a row the
    // user did not confirm.
    QFETCH(QString, actionName);
    SlowWriteAll slow;
    QVERIFY2(slow.start(150), qPrintable(slow.sim.lastError()));
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    int fileDialogs = 0;
    w.setFileNameProvider([&](bool save, const QString &) {
        ++fileDialogs;
        return slow.dir.filePath(save ? QStringLiteral("out.csv") : QStringLiteral("other.csv"));
    });
    QVERIFY(refreshAndWait(w, 6));
    QTRY_VERIFY(!w.isExchangeRunning());
    SlowWriteAll::edit(w);
    QSignalSpy ended(&w, &MainWindow::signalExchangeEnded);
    action(w, "save")->trigger();
    QVERIFY(w.isExchangeRunning());
    QVERIFY(waitRowsStarted(w, 2));
    QVERIFY(w.exchangeThread().isRunning());
    for (const QString &name : kInstrumentActions)
        QVERIFY2(!action(w, name.toLatin1().constData())->isEnabled(), qPrintable(name));
    QVERIFY(action(w, "about")->isEnabled());
    QVERIFY(action(w, "lang_en_US")->isEnabled());
    QCOMPARE(w.progressText(), QStringLiteral("第2行,共6行: B"));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("正在写入配置...... 第2行,共6行: B"));
    QCOMPARE(w.tree()->currentItem(), w.tree()->topLevelItem(1));

    if (actionName.isEmpty()) {
        emit w.tree()->itemDoubleClicked(w.tree()->topLevelItem(4), 1);
    } else {
        action(w, actionName.toLatin1().constData())->trigger();
        // The slot itself refuses too, whatever reaches it.
        const QByteArray slot = actionName == QLatin1String("import_2")   ? "slotImportItems"
                                : actionName == QLatin1String("export_2") ? "slotExportItems"
                                : actionName == QLatin1String("refresh")  ? "slotRefresh"
                                : actionName == QLatin1String("sync_time") ? "slotSyncTime"
                                : actionName == QLatin1String("writeSN")  ? "slotWriteSN"
                                                                          : "slot_en_US";
        QVERIFY(QMetaObject::invokeMethod(&w, slot.constData()));
    }
    QVERIFY(!w.refreshThread().isRunning());
    QCOMPARE(fileDialogs, 0);
    QCOMPARE(w.tree()->topLevelItemCount(), 6);
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.count(), 1);
    // Only the preview and the check's message.
    QCOMPARE(closer.count(), 2);
    QCOMPARE(boxTexts(closer).size(), 1);
    QVERIFY(!w.isExchangeRunning());
    for (const QString &name : kInstrumentActions)
        QVERIFY2(action(w, name.toLatin1().constData())->isEnabled(), qPrintable(name));
    QCOMPARE(w.progressText(), QString());
    QVERIFY(!QFile::exists(slow.dir.filePath(QStringLiteral("out.csv"))));
    QTRY_COMPARE(simLines(slow.sim, "^ZRSIM WRITE", 0).size(), 6);
    QTest::qWait(300); // anything sent late would show up within a reply delay
    QCOMPARE(simLines(slow.sim, "^ZRSIM WRITE", 0),
             (QStringList{"ZRSIM WRITE 0 A:n0", "ZRSIM WRITE 1 B:n1", "ZRSIM WRITE 2 C:n2", "ZRSIM WRITE 3 D:n3",
                          "ZRSIM WRITE 4 E:n4", "ZRSIM WRITE 5 F:n5"}));
    QVERIFY(simLines(slow.sim, "^ZRSIM CLOCK", 0).isEmpty());
    QVERIFY(simLines(slow.sim, "^ZRSIM SN", 0).isEmpty());
    QCOMPARE(w.tree()->topLevelItem(5)->text(1), QStringLiteral(": n5"));
    if (actionName == QLatin1String("lang_en_US"))
        QVERIFY(action(w, "lang_en_US")->isChecked());
}

void tst_MainWindow::stopWriteAllBetweenRows()
{
    SlowWriteAll slow;
    QVERIFY2(slow.start(300), qPrintable(slow.sim.lastError()));
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    QVERIFY(refreshAndWait(w, 6));
    QTRY_VERIFY(!w.isExchangeRunning());
    SlowWriteAll::edit(w);
    auto *stop = w.findChild<QToolButton *>(QStringLiteral("stopButton"));
    QVERIFY(stop);
    QVERIFY(runExchange(w, [&] {
        action(w, "save")->trigger();
        QVERIFY(waitRowsStarted(w, 2));
        QVERIFY(!stop->isHidden());
        stop->click(); // row 2 is on the line: it is finished, row 3 never goes out
        QCOMPARE(w.progressText(), QStringLiteral("第2行,共6行: 写完本行后停止"));
    }));
    QCOMPARE(boxTexts(closer), QStringList{"写入配置已停止: 已写入2行,共6行"});
    QCOMPARE(closer.seen().at(1).icon, QMessageBox::Information);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("写入配置已停止: 已写入2行,共6行"));
    QVERIFY(stop->isHidden());
    QTest::qWait(400); // time for a row that must not follow the stop
    QCOMPARE(simLines(slow.sim, "^ZRSIM WRITE", 0), (QStringList{"ZRSIM WRITE 0 A:n0", "ZRSIM WRITE 1 B:n1"}));
    QCOMPARE(w.tree()->topLevelItem(2)->text(1), QStringLiteral(": n2")); // still the edit, not written
}

void tst_MainWindow::closeDuringWriteAll()
{
    SlowWriteAll slow;
    QVERIFY2(slow.start(300), qPrintable(slow.sim.lastError()));
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(refreshAndWait(w, 6));
    QTRY_VERIFY(!w.isExchangeRunning());
    SlowWriteAll::edit(w);
    action(w, "save")->trigger();
    QVERIFY(waitRowsStarted(w, 1));
    QVERIFY(w.close());
    QVERIFY(w.exchangeThread().isFinished());
    QVERIFY(w.isHidden());
    QVERIFY(!singleton<Config>::exists());
    QTest::qWait(400); // time for a box or a row that must not come after the close
    QVERIFY(boxTexts(closer).isEmpty());
    QCOMPARE(simLines(slow.sim, "^ZRSIM WRITE", 0), QStringList{"ZRSIM WRITE 0 A:n0"});
}

void tst_MainWindow::stopRefresh()
{
    SlowWriteAll slow;
    QVERIFY2(slow.start(300), qPrintable(slow.sim.lastError()));
    ModalCloser closer;
    MainWindow w;
    auto *stop = w.findChild<QToolButton *>(QStringLiteral("stopButton"));
    QVERIFY(runExchange(w, [&] {
        action(w, "refresh")->trigger();
        QTRY_VERIFY(w.tree()->topLevelItemCount() >= 1);
        QVERIFY(!stop->isHidden());
        stop->click();
    }));
    const int rows = w.tree()->topLevelItemCount();
    QVERIFY2(rows < 6, qPrintable(QString::number(rows)));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("刷新已停止: 已收到%1项").arg(rows));
    QVERIFY(stop->isHidden());
    QCOMPARE(closer.count(), 0);
}

void tst_MainWindow::stopWriteAllDuringCheck()
{
    SlowWriteAll slow;
    QVERIFY2(slow.start(300), qPrintable(slow.sim.lastError()));
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    QVERIFY(refreshAndWait(w, 6));
    QTRY_VERIFY(!w.isExchangeRunning());
    SlowWriteAll::edit(w);
    QStringList readStatus;
    QStringList checkStatus;
    // Connected after the window: each text is the one the item just set.
    connect(&w.exchangeThread(), &ExchangeThread::signalItemsReceived, this, [&](int, bool check) {
        (check ? checkStatus : readStatus) << w.statusBar()->currentMessage();
    });
    auto *stop = w.findChild<QToolButton *>(QStringLiteral("stopButton"));
    QVERIFY(runExchange(w, [&] {
        action(w, "save")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!checkStatus.isEmpty(), 20000);
        QVERIFY(!stop->isHidden());
        stop->click();
    }));
    QCOMPARE(readStatus.value(1), QStringLiteral("正在写入配置...... 正在读取设备配置: 已收到2项"));
    QCOMPARE(checkStatus.value(0), QStringLiteral("正在核对 1/6"));
    QCOMPARE(boxTexts(closer), QStringList{"已写入6行,核对已停止"});
    QCOMPARE(closer.seen().last().icon, QMessageBox::Information);
    QVERIFY(closer.seen().last().informativeText.startsWith(QStringLiteral("备份已保存: ")));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("已写入6行,核对已停止"));
    QCOMPARE(simLines(slow.sim, "^ZRSIM WRITE", 0).size(), 6);
}

void tst_MainWindow::batchWriteShowsWhatInstrumentHolds()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems({"站点名称:S1", "A:1"})}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    acceptPreview(closer);
    MainWindow w;
    QVERIFY(refreshAndWait(w, 2));
    QTRY_VERIFY(!w.isExchangeRunning());
    // As an import would: the protected row is left out of the write.
    w.tree()->topLevelItem(0)->setText(1, QStringLiteral(": S2"));
    w.tree()->topLevelItem(1)->setText(1, QStringLiteral(": 2"));
    QVERIFY(runAction(w, "save"));
    QCOMPARE(w.tree()->topLevelItem(0)->text(1), QStringLiteral(": S1"));
    QCOMPARE(w.tree()->topLevelItem(1)->text(1), QStringLiteral(": 2"));
    const ModalCloser::Seen result = closer.seen().last();
    QCOMPARE(result.text, QStringLiteral("核对完成: 写入的 1 项全部保持"));
    QVERIFY(result.buttons.contains(QStringLiteral("打开备份文件夹")));
    const QString prefix = QStringLiteral("备份已保存: ");
    QVERIFY2(result.informativeText.startsWith(prefix), qPrintable(result.informativeText));
    const QString backup = QDir::fromNativeSeparators(result.informativeText.mid(prefix.size()));
    QVERIFY2(QFileInfo(backup).isFile(), qPrintable(backup));
    QCOMPARE(QFileInfo(backup).absolutePath(), QFileInfo(defaultBackupDir()).absoluteFilePath());
}

void tst_MainWindow::connectionLabelFollowsSetup()
{
    TempWorkDir dir;
    dir.writeSerialConfig(QStringLiteral("COM3"), {{"serial/baudrate", 9600}});
    ModalCloser closer;
    MainWindow w;
    QCOMPARE(w.connectionText(), QStringLiteral("串口 COM3 9600 8N1 · 地址 1"));
    closer.setDialogHandler([](QWidget *dialog) {
        dialog->findChild<QGroupBox *>(QStringLiteral("gbUdp"))->setChecked(true);
        dialog->findChild<QLineEdit *>(QStringLiteral("edUdpAddress"))->setText(QStringLiteral("192.168.1.100"));
        dialog->findChild<QLineEdit *>(QStringLiteral("edUdpPort"))->setText(QStringLiteral("5000"));
        dialog->findChild<QCheckBox *>(QStringLiteral("cbEncrypt"))->setChecked(true);
        dialog->findChild<QPushButton *>(QStringLiteral("bntOk"))->click();
    });
    action(w, "setup")->trigger();
    QCOMPARE(closer.count(), 1);
    QCOMPARE(w.connectionText(), QStringLiteral("UDP 192.168.1.100:5000 · 地址 1 · 加密"));
}

// The flash confirmation describes the instrument the flash talks to, never
// the one a list was read from before the settings changed.
void tst_MainWindow::flashConfirmationFollowsConnection()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--items", dir.writeSimItems({"设备名称:站A", "设备型号:ZR-9"})}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    const QString package = dir.filePath("fw.zrbin");
    QVERIFY(writePackage(package, packageFields("D", "ZR-9", "V", QByteArray(10, 'x')), nullptr));
    ModalCloser closer;
    MainWindow w;
    QVERIFY(refreshAndWait(w, 2));
    const QString port = QString::number(sim.udpPort());
    auto confirmation = [&](const QString &otherPort) {
        QString shown;
        closer.setDialogHandler([&](QWidget *dialog) {
            if (auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("bntOk"))) {
                dialog->findChild<QLineEdit *>(QStringLiteral("edUdpPort"))->setText(otherPort);
                ok->click();
                return;
            }
            // The path the file prompt would give; the button reads it again.
            dialog->findChild<QLineEdit *>(QStringLiteral("edFilePath"))->setText(package);
            auto *update = dialog->findChild<QPushButton *>(QStringLiteral("bntUpdate"));
            update->setEnabled(true);
            // A closer of its own: the outer one is busy in this handler.
            ModalCloser inner;
            inner.setButtonText(QStringLiteral("取消"));
            update->click();
            shown = inner.texts().value(0);
            static_cast<QDialog *>(dialog)->reject();
        });
        if (!otherPort.isEmpty())
            action(w, "setup")->trigger();
        action(w, "update")->trigger();
        return shown;
    };
    const QString same = confirmation(QString());
    QVERIFY2(same.contains(QStringLiteral("设备当前\n设备名称: 站A\n设备型号: ZR-9\n")), qPrintable(same));
    QVERIFY(!w.connectionText().contains(QStringLiteral("另一连接")));

    const QString other = confirmation(QStringLiteral("1"));
    QVERIFY2(other.contains(QStringLiteral("设备当前\n未知(未从当前连接读取)\n")), qPrintable(other));
    QVERIFY(!other.contains(QStringLiteral("站A")));
    QVERIFY2(w.connectionText().endsWith(QStringLiteral("列表读自另一连接: UDP 127.0.0.1:%1 · 地址 1").arg(port)),
             qPrintable(w.connectionText()));
    // Back on the first instrument, its list describes it again.
    QVERIFY(confirmation(port).contains(QStringLiteral("设备名称: 站A")));
    QCOMPARE(w.connectionText(), QStringLiteral("UDP 127.0.0.1:%1 · 地址 1").arg(port));
}

void tst_MainWindow::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
