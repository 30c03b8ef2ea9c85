#include "history/historydata.h"
#include "history/historylines.h"
#include "history/historyrequest.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/history/signallog.h"
#include "history/historychart.h"
#include "history/historytable.h"
#include "tests/support/modalcloser.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QDateEdit>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QSignalSpy>
#include <QTextCodec>
#include <QTimer>
#include <QtTest>

using Piece = ScriptedInstrument::Chunk;

class tst_HistoryData : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void initialState();
    void dateOrder_data();
    void dateOrder();
    void doubleQueryStartsOne();
    void exportsShowTheView();
    void exportLeavesTheGuiThreadFree();
    void readErrorShown();
    void viewTakesLineByLine();
    void tableChartAndStatusFollowTheText();
    void dismissWhileRunning_data();
    void dismissWhileRunning();
    void closeStopsStreamingQuery();

private:
    static QString answer(int records);
};

QString tst_HistoryData::answer(int records)
{
    QString text = QStringLiteral("时间,温度,湿度\r\n");
    for (int i = 0; i < records; ++i)
        text += QStringLiteral("2024-03-05 10:%1:00, 21.%2, 60\r\n").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 10);
    return text;
}

void tst_HistoryData::initialState()
{
    HistoryData dialog(nullptr);
    QCOMPARE(dialog.objectName(), QStringLiteral("HistoryData"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("历史数据"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto *start = dialog.findChild<QDateEdit *>("dateStart");
    auto *end = dialog.findChild<QDateEdit *>("dateEnd");
    QVERIFY(start && end);
    QCOMPARE(start->date(), QDate::currentDate());
    QCOMPARE(end->date(), QDate::currentDate());
    QVERIFY(start->calendarPopup());
    // Only dates the two-digit year of the request can carry.
    for (QDateEdit *edit : {start, end}) {
        edit->setDate(QDate(1999, 12, 31));
        QCOMPARE(edit->date(), QDate(2000, 1, 1));
        edit->setDate(QDate(2100, 1, 1));
        QCOMPARE(edit->date(), QDate(2099, 12, 31));
    }
    auto *view = dialog.findChild<QPlainTextEdit *>("textEdit");
    QVERIFY(view && view->isReadOnly());
    for (const char *name : {"bntQuery", "bntExportCSV", "bntExportPDF"})
        QVERIFY(dialog.findChild<QPushButton *>(name));
    // Tab order starts at the query button.
    QCOMPARE(dialog.findChild<QPushButton *>("bntQuery")->nextInFocusChain(), start);
}

void tst_HistoryData::dateOrder_data()
{
    QTest::addColumn<int>("endOffset");
    QTest::addColumn<bool>("sent");
    QTest::newRow("equal dates") << 0 << true;
    QTest::newRow("end a day later") << 1 << true;
    QTest::newRow("end a day earlier") << -1 << false;
}

void tst_HistoryData::dateOrder()
{
    QFETCH(int, endOffset);
    QFETCH(bool, sent);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([](const QByteArray &) { return QList<Piece>{{"x\n", 0}}; });

    ModalCloser closer;
    HistoryData dialog(nullptr);
    const QDate start(2024, 3, 5);
    dialog.findChild<QDateEdit *>("dateStart")->setDate(start);
    dialog.findChild<QDateEdit *>("dateEnd")->setDate(start.addDays(endOffset));
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    if (sent) {
        QVERIFY(waitThread(dialog.readThread(), 10000));
        QCOMPARE(fake.requests(), QList<QByteArray>{buildHistoryRequest(start, start.addDays(endOffset))});
        QCOMPARE(closer.count(), 0);
    } else {
        QCOMPARE(closer.count(), 1);
        QCOMPARE(closer.seen().first().title, QStringLiteral("查询"));
        QCOMPARE(closer.seen().first().text, QStringLiteral("起始日期应该小于或等于结束日期"));
        QCOMPARE(closer.seen().first().icon, QMessageBox::Critical);
        QTest::qWait(200); // time for a request that must not come
        QVERIFY(fake.requests().isEmpty());
        QVERIFY(!dialog.readThread()->isRunning());
    }
}

void tst_HistoryData::doubleQueryStartsOne()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([](const QByteArray &) { return QList<Piece>{{"a\n", 100}}; });
    HistoryData dialog(nullptr);
    auto *query = dialog.findChild<QPushButton *>("bntQuery");
    // The second click comes before the thread's started() is delivered.
    QMetaObject::invokeMethod(&dialog, "slotQueryHistory");
    QMetaObject::invokeMethod(&dialog, "slotQueryHistory");
    QTest::mouseClick(query, Qt::LeftButton);
    QVERIFY(waitThread(dialog.readThread(), 10000));
    QCOMPARE(fake.requests().size(), 1);
    QVERIFY(query->isEnabled());
}

void tst_HistoryData::exportsShowTheView()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    const QByteArray bytes = QTextCodec::codecForName("gb2312")->fromUnicode(answer(300));
    fake.setResponder([bytes](const QByteArray &) {
        QList<Piece> pieces;
        for (int at = 0; at < bytes.size(); at += 333)
            pieces.append({bytes.mid(at, 333), 5});
        return pieces;
    });

    ModalCloser closer;
    HistoryData dialog(nullptr);
    QString nextName;
    QStringList asked;
    dialog.setSaveFileNameProvider([&](QWidget *, const QString &caption, const QString &filter) {
        asked << caption + QLatin1Char('|') + filter;
        return nextName;
    });
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    QVERIFY(waitThread(dialog.readThread(), 15000));
    QCOMPARE(closer.count(), 0);
    auto *view = dialog.findChild<QPlainTextEdit *>("textEdit");
    // The view keeps lines, not carriage returns.
    QTRY_COMPARE(view->toPlainText(), answer(300).remove(QLatin1Char('\r')));

    QSignalSpy exported(&dialog, &HistoryData::exportFinished);
    nextName = dir.filePath("out"); // typed without a suffix
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntExportCSV"), Qt::LeftButton);
    QVERIFY(exported.wait(30000));
    QCOMPARE(dir.readFile("out.csv"), QTextCodec::codecForLocale()->fromUnicode(view->toPlainText()));

    nextName = dir.filePath("out.");
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntExportPDF"), Qt::LeftButton);
    QVERIFY(exported.wait(30000));
    QVERIFY(dir.readFile("out.pdf").startsWith("%PDF-"));
    QCOMPARE(asked, (QStringList{QStringLiteral("导出历史数据|Files (*.csv)"),
                                 QStringLiteral("导出历史数据|Files (*.pdf)")}));
    QCOMPARE(closer.count(), 0);

    // Cancelling writes nothing.
    nextName.clear();
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntExportCSV"), Qt::LeftButton);
    QCOMPARE(closer.count(), 0);

    // Text the table cannot take: the box, and no file.
    QMetaObject::invokeMethod(&dialog, "slotClearText");
    QMetaObject::invokeMethod(&dialog, "slotAddText", Q_ARG(QString, "one\ntwo\n"));
    nextName = dir.filePath("bad.pdf");
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntExportPDF"), Qt::LeftButton);
    QVERIFY(exported.wait(30000));
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().first().title, QStringLiteral("导出配置"));
    QCOMPARE(closer.seen().first().text, QStringLiteral("导出数据失败，数据格式错误"));
    QVERIFY(!QFile::exists(nextName));

    nextName = dir.filePath("no/such/dir/out.csv");
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntExportCSV"), Qt::LeftButton);
    QVERIFY(exported.wait(30000));
    QCOMPARE(closer.count(), 2);
    QCOMPARE(closer.seen().last().text, QStringLiteral("打开文件失败: %1").arg(nextName));
}

// A long PDF is written while the GUI thread goes on; meanwhile the dialog
// says so and takes no second export.
void tst_HistoryData::exportLeavesTheGuiThreadFree()
{
    TempWorkDir dir;
    ModalCloser closer;
    HistoryData dialog(nullptr);
    int asked = 0;
    dialog.setSaveFileNameProvider([&](QWidget *, const QString &, const QString &) {
        ++asked;
        return dir.filePath("big.pdf");
    });
    QMetaObject::invokeMethod(&dialog, "slotAddText", Q_ARG(QString, answer(4000)));
    dialog.show();
    auto *pdf = dialog.findChild<QPushButton *>("bntExportPDF");
    auto *csv = dialog.findChild<QPushButton *>("bntExportCSV");
    QSignalSpy exported(&dialog, &HistoryData::exportFinished);
    int ticks = 0;
    QTimer tick;
    tick.setInterval(10);
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start();
    QTest::mouseClick(pdf, Qt::LeftButton);
    const int ticksAtClick = ticks;
    QVERIFY(dialog.isExporting());
    QVERIFY(!pdf->isEnabled() && !csv->isEnabled());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("历史数据 - 正在导出..."));
    QMetaObject::invokeMethod(&dialog, "slotExportCSV");
    QMetaObject::invokeMethod(&dialog, "slotExportPDF");
    QCOMPARE(asked, 1);
    QVERIFY(exported.wait(120000));
    QVERIFY2(ticks > ticksAtClick, "the GUI thread waited for the file");
    QCOMPARE(exported.count(), 1);
    QCOMPARE(exported.first().first().toString(), QString());
    QVERIFY(dir.readFile("big.pdf").startsWith("%PDF-"));
    QVERIFY(pdf->isEnabled() && csv->isEnabled());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("历史数据"));
    QCOMPARE(closer.count(), 0);
}

void tst_HistoryData::viewTakesLineByLine()
{
    // A carriage return cut off from its line feed at the line bound stays
    // a line end, whether the two lines meet in one flush or not, as
    // zrvu-cli prints and spools them.
    HistoryData dialog(nullptr);
    const QStringList lines{"a\r", "\nb\r\n", "c"};
    QString expected;
    for (const QString &line : lines) {
        QMetaObject::invokeMethod(&dialog, "slotAddText", Q_ARG(QString, line));
        expected += historyViewText(line);
    }
    QCOMPARE(expected, QStringLiteral("a\n\nb\nc"));
    QCOMPARE(dialog.viewText(), expected);
}

void tst_HistoryData::tableChartAndStatusFollowTheText()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--history-interval", "60", "--history-chunk", "50"}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    ModalCloser closer;
    HistoryData dialog(nullptr);
    auto *tabs = dialog.findChild<QTabWidget *>("tabViews");
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->widget(0), dialog.findChild<QPlainTextEdit *>("textEdit"));
    dialog.findChild<QDateEdit *>("dateStart")->setDate(QDate(2024, 3, 5));
    dialog.findChild<QDateEdit *>("dateEnd")->setDate(QDate(2024, 3, 6));
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    QVERIFY(waitThread(dialog.readThread(), 15000));
    QCOMPARE(closer.count(), 0);

    // Lines that are no records stay in the text and are counted.
    QMetaObject::invokeMethod(&dialog, "slotAddText", Q_ARG(QString, "ERR 17\r\n"));
    QMetaObject::invokeMethod(&dialog, "slotAddText", Q_ARG(QString, "2024-03-07 00:00:00, 9.5, -3"));
    QVERIFY(dialog.viewText().contains(QStringLiteral("ERR 17\n")));
    const HistoryTable &table = dialog.tableModel()->table();
    QTRY_COMPARE(table.rowCount(), 49);
    QCOMPARE(table.columnName(1), QStringLiteral("温度(℃)"));
    QCOMPARE(table.numericColumns(), (QList<int>{1, 2}));
    auto *view = dialog.findChild<QTableView *>("tableView");
    QCOMPARE(view->model()->rowCount(), 49);
    QCOMPARE(view->model()->columnCount(), 3);
    QTRY_COMPARE(dialog.findChild<QLabel *>("labelStatus")->text(),
             QStringLiteral("49 条记录，2024-03-05 00:00:00 至 2024-03-07 00:00:00，1 行不是记录"));
    // The chart follows on its own, slower beat.
    HistoryChart *chart = dialog.chartView()->chart();
    QTRY_COMPARE(chart->series().size(), 2);
    QTRY_COMPARE(chart->series().first().points.size(), 49);

    // A new query starts all three views afresh.
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    QVERIFY(waitThread(dialog.readThread(), 15000));
    QTRY_COMPARE(dialog.findChild<QLabel *>("labelStatus")->text(),
                 QStringLiteral("48 条记录，2024-03-05 00:00:00 至 2024-03-06 23:00:00，0 行不是记录"));
    QTRY_COMPARE(chart->series().first().points.size(), 48);
}

void tst_HistoryData::readErrorShown()
{
    TempWorkDir dir;
    dir.writeSerialConfig(dir.filePath("absent"));
    ModalCloser closer;
    HistoryData dialog(nullptr);
    QTest::mouseClick(dialog.findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    QVERIFY(waitThread(dialog.readThread(), 10000));
    QTRY_COMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().first().title, QStringLiteral("查询"));
    QCOMPARE(closer.seen().first().text, QStringLiteral("打开串口失败: %1").arg(dir.filePath("absent")));
    QTRY_VERIFY(dialog.findChild<QPushButton *>("bntQuery")->isEnabled());
}

void tst_HistoryData::dismissWhileRunning_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("escape") << true;
    QTest::newRow("close") << false;
}

void tst_HistoryData::dismissWhileRunning()
{
    QFETCH(bool, escape);
    TempWorkDir dir;
    ScriptedInstrument fake; // never answers: the first wait ignores the stop flag
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());

    ModalCloser closer;
    closer.setDialogHandler([](QWidget *) {}); // leave the dialog under test alone
    auto *dialog = new HistoryData(nullptr);
    ReadThread *thread = dialog->readThread();
    bool runningWhenDone = true;
    bool dismissed = false;
    QTimer::singleShot(0, dialog, [&] {
        QTest::mouseClick(dialog->findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
        QTimer::singleShot(300, dialog, [&] {
            QVERIFY(thread->isRunning());
            if (escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->close();
            dismissed = true;
            // Still up, and the window stays usable while it winds down.
            QVERIFY(dialog->isVisible());
        });
    });
    connect(dialog, &QDialog::finished, dialog, [&] { runningWhenDone = thread->isRunning(); });
    QElapsedTimer clock;
    clock.start();
    dialog->exec();
    QVERIFY(dismissed);
    QVERIFY(!runningWhenDone);
    QVERIFY(!thread->isRunning());
    QVERIFY(clock.elapsed() < 15000);
    delete dialog;
    // Once dismissed, the query's timeout is not reported.
    for (const ModalCloser::Seen &seen : closer.seen())
        QCOMPARE(seen.className, QStringLiteral("HistoryData"));
}

void tst_HistoryData::closeStopsStreamingQuery()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([](const QByteArray &) {
        QList<Piece> pieces;
        for (int i = 0; i < 300; ++i)
            pieces.append({"2024-03-05 10:00:00, 1\n", 100});
        return pieces;
    });
    auto *dialog = new HistoryData(nullptr);
    dialog->show();
    QTest::mouseClick(dialog->findChild<QPushButton *>("bntQuery"), Qt::LeftButton);
    auto *view = dialog->findChild<QPlainTextEdit *>("textEdit");
    QTRY_VERIFY_WITH_TIMEOUT(view->blockCount() > 3, 10000);
    QElapsedTimer clock;
    clock.start();
    dialog->close();
    QVERIFY(!dialog->readThread()->isRunning());
    QVERIFY(!dialog->isVisible());
    QVERIFY(clock.elapsed() < 300 * 100 / 2); // long before the stream's end
    delete dialog;
}

void tst_HistoryData::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_HistoryData)
#include "tst_historydata.moc"
