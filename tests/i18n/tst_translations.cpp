#include "app/mainwindow.h"
#include "items/ddialoginputsn.h"
#include "items/modifydialog.h"
#include "link/messageboxes.h"
#include "tests/i18n/dialogcatalogue.h"
#include "tests/support/modalcloser.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDomDocument>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void everySourceTextTranslated_data();
    void everySourceTextTranslated();
    void englishMainWindowAndDialogs();
    void dialogTexts_data();
    void dialogTexts();
    void actionsOpenTranslatedDialogs_data();
    void actionsOpenTranslatedDialogs();
    void boxTexts_data();
    void boxTexts();
    void readyTextInStoredLanguage_data();
    void readyTextInStoredLanguage();
    void layoutsFit_data();
    void layoutsFit();
    void clippingIsDetected();
    void fixedFormSizeKeptWhenItFits_data();
    void fixedFormSizeKeptWhenItFits();

private:
    static QMap<QString, QString> readTs(const QString &path, QStringList *unfinished);
};

namespace {

// A working directory with the shipped .qm files and a stored language,
// and the main window started in it: the window's own start-up loads the
// translation, as it does for the user.
struct Session {
    explicit Session(const QString &language, QVariantMap config = {})
    {
        for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
            const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
            ok = QFile::copy(QStringLiteral(ZR_QM_DIR "/") + qm, dir.filePath(qm)) && ok;
        }
        config.insert(QStringLiteral("language/language"), language);
        dir.writeConfig(config);
        window = std::make_unique<MainWindow>();
    }
    TempWorkDir dir;
    bool ok = true;
    std::unique_ptr<MainWindow> window;
};

// What the user reads in a dialog: title, labels, buttons, group titles and
// combo-box entries.
QStringList visibleTexts(QWidget *root)
{
    QStringList out{root->windowTitle()};
    for (QLabel *w : root->findChildren<QLabel *>())
        out << w->text();
    for (QAbstractButton *w : root->findChildren<QAbstractButton *>())
        out << w->text();
    for (QGroupBox *w : root->findChildren<QGroupBox *>())
        out << w->title();
    for (QComboBox *w : root->findChildren<QComboBox *>()) {
        for (int i = 0; i < w->count(); ++i)
            out << w->itemText(i);
    }
    out.removeAll(QString());
    return out;
}

bool hasChinese(const QString &text)
{
    static const QRegularExpression han(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    return han.match(text).hasMatch();
}

class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(std::function<void(QWidget *)> onShow)
        : m_onShow(std::move(onShow))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            m_onShow(static_cast<QWidget *>(watched));
        return false;
    }

private:
    std::function<void(QWidget *)> m_onShow;
};

template<typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

} // namespace

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
            {"-I", ".", "-no-obsolete", "-locations", "none", "app", "settings", "link", "items", "firmware",
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

void tst_Translations::dialogTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("en_US setup") << "en_US" << "setup" << "Serial Port Setup"
                                 << QStringList{"Serial", "UDP", "Port:", "Baud rate:", "Data bits:", "Parity:",
                                                "Stop bits:", "Address:", "Find Devices", "Device address:",
                                                "Encrypt link", "OK", "Cancel", "None", "Even", "Odd", "Mark"};
    QTest::newRow("en_US search") << "en_US" << "search" << "Find Devices" << QStringList{"Search", "OK", "Cancel"};
    QTest::newRow("en_US update") << "en_US" << "update" << "Update Firmware"
                                  << QStringList{"File:", "Device:", "Model:", "Version:", "Progress:", "Choose File",
                                                 "Flash", "Download", "List:", "Folder:", "Refresh List",
                                                 "Choose Folder"};
    QTest::newRow("en_US history") << "en_US" << "history" << "History Data"
                                   << QStringList{"Start date:", "End date:", "Query", "Export CSV", "Export PDF"};
    QTest::newRow("en_US monitor") << "en_US" << "monitor" << "Device Monitor"
                                   << QStringList{"Raw data", "Hex", "Raw data + hex", "Debug output", "Start", "Stop",
                                                  "Clear"};
    QTest::newRow("en_US about") << "en_US" << "about" << "About" << QStringList{"ZR Zoverezaz V6.5", "OK"};
    QTest::newRow("en_US inputsn") << "en_US" << "inputsn" << "Enter the serial number" << QStringList{"OK", "Cancel"};
    // The title is the instrument's own item name, never translated.
    QTest::newRow("en_US modify") << "en_US" << "modify" << "采样间隔" << QStringList{"Submit", "Cancel"};
    QTest::newRow("en_US modify_choice") << "en_US" << "modify_choice" << "波特率" << QStringList{"Submit", "Cancel"};

    QTest::newRow("zh_TW setup") << "zh_TW" << "setup" << "序列埠設定"
                                 << QStringList{"序列埠通訊", "UDP 通訊", "鮑率：", "資料位元：", "同位檢查：",
                                                "搜尋裝置", "裝置位址：", "通訊加密", "確定", "無", "偶同位"};
    QTest::newRow("zh_TW update") << "zh_TW" << "update" << "更新韌體"
                                  << QStringList{"檔案：", "裝置：", "型號：", "選擇檔案", "燒錄", "下載檔案",
                                                 "清單：", "路徑：", "重新整理檔案清單"};
    QTest::newRow("zh_TW monitor") << "zh_TW" << "monitor" << "裝置監聽"
                                   << QStringList{"原始資料", "十六進位", "除錯訊息", "開始監聽", "停止監聽"};
    QTest::newRow("zh_TW history") << "zh_TW" << "history" << "歷史資料" << QStringList{"結束日期:", "查詢", "匯出 CSV"};
    QTest::newRow("zh_TW about") << "zh_TW" << "about" << "關於" << QStringList{"ZRvu V6.5", "確定"};
    QTest::newRow("zh_TW inputsn") << "zh_TW" << "inputsn" << "請輸入序號" << QStringList{"確定", "取消"};
    QTest::newRow("zh_TW search") << "zh_TW" << "search" << "搜尋裝置" << QStringList{"搜尋", "確定", "取消"};
    QTest::newRow("zh_CH setup") << "zh_CH" << "setup" << "串口设置" << QStringList{"Serial通讯", "波特率：", "确定"};
}

void tst_Translations::dialogTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, dialog);
    QFETCH(QString, title);
    QFETCH(QStringList, texts);
    Session session(language);
    QVERIFY(session.ok);
    const DialogCase c = dialogCase(dialog);
    QVERIFY(c.make);
    std::unique_ptr<QDialog> d(c.make(session.window.get()));
    QCOMPARE(d->windowTitle(), title);
    const QStringList shown = visibleTexts(d.get());
    for (const QString &t : texts)
        QVERIFY2(shown.contains(t), qPrintable(t + QStringLiteral(" not in: ") + shown.join(QStringLiteral(" | "))));
    if (language == QLatin1String("en_US")) {
        // Nothing left in Chinese but what came from the instrument.
        for (const QString &t : shown) {
            if (t != title)
                QVERIFY2(!hasChinese(t), qPrintable(t));
        }
    }
}

void tst_Translations::actionsOpenTranslatedDialogs_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::newRow("en_US setup") << "en_US" << "setup" << "Serial Port Setup";
    QTest::newRow("en_US history") << "en_US" << "debug" << "History Data";
    QTest::newRow("en_US update") << "en_US" << "update" << "Update Firmware";
    QTest::newRow("en_US monitor") << "en_US" << "monitor" << "Device Monitor";
    QTest::newRow("en_US about") << "en_US" << "about" << "About";
    // No instrument: the serial port does not exist, so the box says so.
    QTest::newRow("en_US write SN, no link") << "en_US" << "writeSN" << "Write SN";
    QTest::newRow("zh_TW setup") << "zh_TW" << "setup" << "序列埠設定";
    QTest::newRow("zh_TW update") << "zh_TW" << "update" << "更新韌體";
    QTest::newRow("zh_TW write SN, no link") << "zh_TW" << "writeSN" << "寫入 SN";
}

void tst_Translations::actionsOpenTranslatedDialogs()
{
    QFETCH(QString, language);
    QFETCH(QString, action);
    QFETCH(QString, title);
    Session session(language, {{"communicate/udp", 0}, {"serial/port", "/nonexistent/ttyZR"}});
    QVERIFY(session.ok);
    // Through the window's own slot, which runs the dialog modally.
    QStringList texts;
    ModalCloser closer;
    closer.setDialogHandler([&texts](QWidget *d) {
        texts = visibleTexts(d);
        static_cast<QDialog *>(d)->reject();
    });
    auto *a = session.window->findChild<QAction *>(action);
    QVERIFY(a);
    a->trigger();
    QTRY_COMPARE(closer.count(), 1); // the serial number's link opens off the GUI thread
    QCOMPARE(closer.seen().at(0).title, title);
    if (language == QLatin1String("en_US")) {
        for (const QString &t : texts)
            QVERIFY2(!hasChinese(t), qPrintable(t));
    }
}

void tst_Translations::boxTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("en_US setup") << "en_US" << "setup" << "Serial Port Setup" << "Please enter the UDP address";
    QTest::newRow("en_US search") << "en_US" << "search" << "Find Devices" << "Please choose a device";
    QTest::newRow("en_US inputsn") << "en_US" << "inputsn" << "Enter the serial number" << "Invalid serial number";
    QTest::newRow("en_US history") << "en_US" << "history" << "Query"
                                   << "The start date must not be later than the end date";
    QTest::newRow("en_US error box") << "en_US" << "error" << "Error" << "x";
    QTest::newRow("en_US command item")
        << "en_US" << "command" << "Run Command"
        << "Run the command “恢复出厂设置”?\n\nThe instrument carries out the command as soon as it receives it.";
    QTest::newRow("en_US info box") << "en_US" << "info" << "Information" << "x";
    QTest::newRow("zh_TW search") << "zh_TW" << "search" << "搜尋裝置" << "請選擇裝置";
    QTest::newRow("zh_TW history") << "zh_TW" << "history" << "查詢" << "起始日期應早於或等於結束日期";
    QTest::newRow("zh_TW error box") << "zh_TW" << "error" << "錯誤" << "x";
}

void tst_Translations::boxTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, box);
    QFETCH(QString, title);
    QFETCH(QString, text);
    Session session(language);
    QVERIFY(session.ok);
    MainWindow *w = session.window.get();
    std::unique_ptr<QDialog> d;
    if (const DialogCase c = dialogCase(box); c.make) {
        d.reset(c.make(w));
        d->show();
    }
    // The box's buttons, read when it is shown, before the closer answers it.
    QStringList buttons;
    ShowWatcher watcher([&buttons](QWidget *shown) {
        if (auto *b = qobject_cast<QMessageBox *>(shown)) {
            for (QAbstractButton *button : b->buttons())
                buttons << button->text();
        }
    });
    ModalCloser closer;
    if (box == QLatin1String("setup")) {
        child<QLineEdit>(d.get(), "edUdpAddress")->clear();
        child<QGroupBox>(d.get(), "gbUdp")->setChecked(true);
        child<QPushButton>(d.get(), "bntOk")->click();
    } else if (box == QLatin1String("search") || box == QLatin1String("inputsn")) {
        child<QPushButton>(d.get(), "bntOk")->click();
    } else if (box == QLatin1String("history")) {
        const QList<QDateEdit *> dates = d->findChildren<QDateEdit *>();
        QCOMPARE(dates.size(), 2);
        dates.at(0)->setDate(QDate(2024, 5, 31));
        dates.at(1)->setDate(QDate(2024, 5, 1));
        QPushButton *query = nullptr;
        for (QPushButton *b : d->findChildren<QPushButton *>()) {
            if (b->text() == QCoreApplication::translate("HistoryData", "查询"))
                query = b;
        }
        QVERIFY(query);
        query->click();
    } else if (box == QLatin1String("command")) {
        QString value;
        QCOMPARE(w->editItem(QStringLiteral("05. 恢复出厂设置"), QString(), value), 1);
    } else if (box == QLatin1String("error")) {
        showErrorBox(QStringLiteral("x"), nullptr);
    } else {
        showInfoBox(QStringLiteral("x"), nullptr);
    }
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).title, title);
    QCOMPARE(closer.seen().at(0).text, text);
    // The setup dialog's box is the toolkit's own, with the toolkit's "OK".
    if (box == QLatin1String("command"))
        QVERIFY2(buttons.contains(QStringLiteral("Run")), qPrintable(buttons.join(',')));
    else if (language == QLatin1String("en_US"))
        QVERIFY2(buttons.contains(QStringLiteral("OK")), qPrintable(buttons.join(',')));
    else if (box != QLatin1String("setup"))
        QVERIFY2(buttons.contains(QStringLiteral("確定")), qPrintable(buttons.join(',')));
}

void tst_Translations::readyTextInStoredLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("ready");
    QTest::newRow("en_US") << "en_US" << "Ready";
    QTest::newRow("zh_TW") << "zh_TW" << "準備就緒";
    QTest::newRow("zh_CH") << "zh_CH" << "准备就绪";
    QTest::newRow("none") << "" << "准备就绪";
}

void tst_Translations::readyTextInStoredLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, ready);
    Session session(language);
    QVERIFY(session.ok);
    QCOMPARE(session.window->statusBar()->currentMessage(), ready);
}

void tst_Translations::layoutsFit_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("dialog");
    for (const char *language : {"en_US", "zh_TW", "zh_CH"}) {
        QTest::addRow("%s main", language) << language << "main";
        for (const DialogCase &c : dialogCases())
            QTest::addRow("%s %s", language, qPrintable(c.name)) << language << c.name;
    }
}

void tst_Translations::layoutsFit()
{
    QFETCH(QString, language);
    QFETCH(QString, dialog);
    Session session(language);
    QVERIFY(session.ok);
    MainWindow *w = session.window.get();
    w->show();
    if (dialog == QLatin1String("main")) {
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // Every action on the tool bar, none behind the extension arrow.
        auto *toolBar = w->findChild<QToolBar *>(QStringLiteral("toolBar"));
        QVERIFY(toolBar);
        for (QToolButton *b : toolBar->findChildren<QToolButton *>()) {
            if (b->objectName() == QLatin1String("qt_toolbar_ext_button"))
                QVERIFY2(!b->isVisible(), "tool bar actions hidden behind the extension arrow");
        }
        for (QAction *a : toolBar->actions())
            QVERIFY2(toolBar->widgetForAction(a)->isVisible(), qPrintable(a->text()));
        const QStringList clipped = clippedTexts(toolBar);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        return;
    }
    std::unique_ptr<QDialog> d(dialogCase(dialog).make(w));
    d->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.get()));
    const QStringList clipped = clippedTexts(d.get());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

void tst_Translations::clippingIsDetected()
{
    // The check itself: a squeezed layout and a hand-placed button too
    // narrow for its text are both reported.
    QDialog squeezed;
    auto *layout = new QVBoxLayout(&squeezed);
    for (int i = 0; i < 6; ++i)
        layout->addWidget(new QPushButton(QStringLiteral("Button %1").arg(i)));
    squeezed.setFixedSize(200, 40);
    squeezed.show();
    QVERIFY(!clippedTexts(&squeezed).isEmpty());

    QDialog placed;
    placed.resize(300, 100);
    auto *narrow = new QPushButton(QStringLiteral("Refresh the list of files"), &placed);
    narrow->setGeometry(10, 10, 60, 30);
    auto *label = new QLabel(QStringLiteral("Progress of the download:"), &placed);
    label->setGeometry(10, 50, 40, 30);
    placed.show();
    const QStringList clipped = clippedTexts(&placed);
    QCOMPARE(clipped.size(), 2);

    narrow->setGeometry(10, 10, 280, 30);
    label->setGeometry(10, 50, 280, 30);
    QVERIFY2(clippedTexts(&placed).isEmpty(), qPrintable(clippedTexts(&placed).join(';')));
}

void tst_Translations::fixedFormSizeKeptWhenItFits_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QSize>("formSize");
    QTest::newRow("setup") << "setup" << QSize(344, 660);
    QTest::newRow("update") << "update" << QSize(512, 413);
}

void tst_Translations::fixedFormSizeKeptWhenItFits()
{
    QFETCH(QString, dialog);
    QFETCH(QSize, formSize);
    const QFont original = QApplication::font();
    // A failed check must not leave the other tests with this one's fonts.
    struct FontRestore {
        QFont font;
        ~FontRestore() { QApplication::setFont(font); }
    } restore{original};
    for (const char *language : {"en_US", "zh_TW", "zh_CH"}) {
        Session session(QString::fromLatin1(language));
        QVERIFY(session.ok);
        // A desktop's usual 9 pt: the form's own size holds.
        QFont small = original;
        small.setPointSize(9);
        QApplication::setFont(small);
        {
            std::unique_ptr<QDialog> d(dialogCase(dialog).make(session.window.get()));
            QCOMPARE(d->size(), formSize);
            QCOMPARE(d->minimumSize(), d->maximumSize());
        }
        // Much larger fonts: the dialog grows, still fixed, instead of squeezing rows.
        QFont large = original;
        large.setPointSize(16);
        QApplication::setFont(large);
        {
            std::unique_ptr<QDialog> d(dialogCase(dialog).make(session.window.get()));
            QVERIFY2(d->height() > formSize.height(), qPrintable(QString::number(d->height())));
            QCOMPARE(d->minimumSize(), d->maximumSize());
            d->show();
            const QStringList clipped = clippedTexts(d.get());
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        }
    }
}

void tst_Translations::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
