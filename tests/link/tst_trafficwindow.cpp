// The traffic window over a log: batches, bounded rows, pause, filter,
// copy and save; and the menu action that opens it.
#include "app/mainwindow.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "link/messageboxes.h"
#include "link/trafficwindow.h"
#include "tests/support/simprocess.h"
#include "tests/support/windowcheck.h"
#include "tests/support/workdir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>

namespace {

TrafficEntry entry(int i)
{
    TrafficEntry e;
    e.time = QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9, i % 1000));
    e.direction = TrafficDirection::Sent;
    e.endpoint = QStringLiteral("127.0.0.1:5000");
    e.bytes = buildItemReadRequest(1, quint8(i));
    return e;
}

QString explanationAt(TrafficWindow &w, int proxyRow)
{
    return w.shownModel()->index(proxyRow, TrafficModel::ExplanationColumn).data().toString();
}

// The one traffic window, a top-level of its own.
QList<TrafficWindow *> trafficWindows()
{
    QList<TrafficWindow *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<TrafficWindow *>(w))
            out << t;
    }
    return out;
}

} // namespace

class tst_TrafficWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void rowsAreBoundedAndBatched();
    void pauseFilterCopySave();
    void longDatagramsAreBoundedInBytes();
    void cellTextIsElidedAsWhole_data();
    void cellTextIsElidedAsWhole();
    void menuActionShowsLiveTraffic();
    void usableBesideMainWindowDialogs_data();
    void usableBesideMainWindowDialogs();
};

void tst_TrafficWindow::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
    // Hidden ones count too: a traffic window left behind by its main window.
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_TrafficWindow::rowsAreBoundedAndBatched()
{
    TrafficLog log(300);
    TrafficWindow w(&log);
    for (int i = 0; i < 1000; ++i)
        log.record(entry(i));
    QCOMPARE(w.model()->rowCount(), 0); // nothing until the next batch
    QTRY_COMPARE(w.model()->rowCount(), 300);
    QCOMPARE(explanationAt(w, 299), QStringLiteral("读配置项 231")); // entry 999: 999 % 256

    // Selecting a row does not end following the newest; scrolling does.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QScrollBar *bar = w.view()->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    w.view()->selectRow(0);
    QVERIFY(w.isFollowing());
    for (int i = 1000; i < 1100; ++i)
        log.record(entry(i));
    w.pullEntries();
    QCOMPARE(w.model()->rowCount(), 300);
    QCOMPARE(w.model()->counts().sent, qint64(400)); // counted whether still shown or not
    QTRY_COMPARE(bar->value(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QTRY_VERIFY(!w.isFollowing());
    w.hide();
    QVERIFY(w.model()->line(299).startsWith(QStringLiteral("2026-05-06 07:08:09.099\t→ 发送\t127.0.0.1:5000\t01 03 4B 4B")));
    w.clearLog();
    QCOMPARE(w.model()->rowCount(), 0);
    QCOMPARE(log.size(), 0);
    log.record(entry(1));
    w.pullEntries();
    QCOMPARE(w.model()->rowCount(), 1);
}

void tst_TrafficWindow::longDatagramsAreBoundedInBytes()
{
    constexpr qint64 kBudget = 2 * 1024 * 1024;
    TrafficLog log(20000, kBudget);
    TrafficWindow w(&log);
    for (int i = 0; i < 1000; ++i) {
        TrafficEntry e = entry(i);
        e.direction = TrafficDirection::Dropped;
        e.note = TrafficNote::ForeignSender;
        e.noteDetail = QStringLiteral("127.0.0.2:9");
        e.bytes = QByteArray(60000, 'x');
        e.bytes.replace(3000, 2, "\x4E\x9F"); // past what the row shows
        log.record(e);
    }
    QVERIFY(log.bytes() <= kBudget);
    QVERIFY2(log.size() < 1000, qPrintable(QString::number(log.size())));
    const TrafficEntry last = log.entriesAfter(log.lastSequence() - 1).constFirst();
    QCOMPARE(last.bytes.size(), TrafficLog::kMaxEntryBytes);
    QCOMPARE(last.fullLength, 60000);
    QVERIFY(explainTraffic(last).contains(QStringLiteral("60000 字节")));
    w.pullEntries();
    QCOMPARE(w.model()->rowCount(), log.size());
    QVERIFY(w.model()->bytes() <= kBudget);

    // The filter looks at the whole kept data, not the shown start.
    w.setFilterText(QStringLiteral("4e 9f"));
    QCOMPARE(w.proxy()->rowCount(), log.size());
    w.setFilterText(QStringLiteral("4E 9F 79 79"));
    QCOMPARE(w.proxy()->rowCount(), 0);
    w.setFilterText(QStringLiteral("127.0.0.2"));
    QCOMPARE(w.proxy()->rowCount(), log.size());
}

void tst_TrafficWindow::cellTextIsElidedAsWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    const QString hex = trafficHex(QByteArray(700, '\x5A'));
    const QString chinese = QStringLiteral("文本 \"%1\"").arg(QString(80, QChar(0x6E29)));
    const QString mixed = QStringLiteral("丢弃: 来自 127.0.0.2:9 的数据报, ") + QString(90, QLatin1Char('x'));
    for (const int width : {0, 37, 120, 400, 3000}) {
        QTest::addRow("hex %d", width) << hex << width;
        QTest::addRow("chinese %d", width) << chinese << width;
        QTest::addRow("mixed %d", width) << mixed << width;
        QTest::addRow("short %d", width) << QStringLiteral("← 接收") << width;
    }
}

// The view elides a start of a long cell, yet shows what the whole text
// elided would show, in any font; copying still gives the whole frame.
void tst_TrafficWindow::cellTextIsElidedAsWhole()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    TrafficWindow w(nullptr);
    const QFontMetrics metrics(w.view()->font());
    QCOMPARE(elidedCellText(text, width, metrics), metrics.elidedText(text, Qt::ElideRight, width));

    TrafficLog log;
    TrafficEntry e = entry(0);
    e.bytes = QByteArray(700, '\x5A');
    log.record(e);
    TrafficWindow filled(&log);
    QVERIFY(filled.model()->line(0).contains(trafficHex(e.bytes)));
}

void tst_TrafficWindow::pauseFilterCopySave()
{
    TempWorkDir dir;
    TrafficLog log;
    TrafficWindow w(&log);
    for (int i = 0; i < 20; ++i)
        log.record(entry(i));
    w.pullEntries();
    w.setPaused(true);
    log.record(entry(20));
    w.pullEntries();
    QCOMPARE(w.model()->rowCount(), 20);
    w.setPaused(false);
    QCOMPARE(w.model()->rowCount(), 21);

    w.setFilterText(QStringLiteral("读配置项 1"));
    // 1 and 10 to 19
    QCOMPARE(w.shownModel(), w.proxy());
    QCOMPARE(w.proxy()->rowCount(), 11);
    w.view()->selectRow(0);
    w.view()->selectionModel()->select(w.proxy()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.copySelection();
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(copied.size(), 2);
    QVERIFY(copied.at(0).endsWith(QStringLiteral("\t读配置项 1")));
    QVERIFY(copied.at(1).endsWith(QStringLiteral("\t读配置项 11")));

    QSignalSpy saved(&w, &TrafficWindow::saveFinished);
    const QString file = dir.filePath(QStringLiteral("traffic.txt"));
    w.saveTo(file);
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.first().at(0).toBool(), true);
    const QString text = QString::fromUtf8(dir.readFile(QStringLiteral("traffic.txt")));
    QCOMPARE(text, w.shownText());
    QCOMPARE(text.count(QLatin1Char('\n')), 11);
    w.setFilterText(QString());
    QCOMPARE(w.shownModel(), w.model());
    QCOMPARE(w.shownText().count(QLatin1Char('\n')), 21);
    w.saveTo(dir.filePath(QStringLiteral("missing/folder/t.txt")));
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.at(1).at(0).toBool(), false);
}

void tst_TrafficWindow::menuActionShowsLiveTraffic()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0"}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort(), {{"device/address", 1}});
    {
        MainWindow window;
        QMenu *menu = window.menuBar()->findChild<QMenu *>(QStringLiteral("menu"));
        QVERIFY(menu);
        QAction *action = window.findChild<QAction *>(QStringLiteral("traffic"));
        QVERIFY(action && menu->actions().contains(action));
        QCOMPARE(action->text(), QStringLiteral("通讯记录"));
        QVERIFY(action->isEnabled());
        action->trigger();
        QCOMPARE(trafficWindows().size(), 1);
        TrafficWindow *traffic = trafficWindows().constFirst();
        QVERIFY(traffic->isVisible() && !traffic->isModal());
        traffic->clearLog();
        // A link made anywhere afterwards reports to the window's log.
        DeviceLink link;
        QVERIFY(link.open());
        QByteArray reply;
        QCOMPARE(link.transact(buildItemReadRequest(1, 0), reply, false, 3000), int(LinkOk));
        QTRY_COMPARE(traffic->model()->rowCount(), 2);
        QCOMPARE(explanationAt(*traffic, 0), QStringLiteral("读配置项 0"));
        action->trigger(); // the same window again, not a second one
        QCOMPARE(trafficWindows().size(), 1);
    }
    // cleanup() sees that the window went with the main window.
}

void tst_TrafficWindow::usableBesideMainWindowDialogs_data()
{
    QTest::addColumn<QString>("opener");
    for (const char *opener : {"setup", "debug", "update", "monitor", "about", "restore", "box"})
        QTest::newRow(opener) << QString::fromLatin1(opener);
}

// While the main window shows any of its dialogs or boxes, a click reaches
// the traffic window: the dialog blocks its own window only.
void tst_TrafficWindow::usableBesideMainWindowDialogs()
{
    QFETCH(QString, opener);
    TempWorkDir dir;
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QAction *>(QStringLiteral("traffic"))->trigger();
    QCOMPARE(trafficWindows().size(), 1);
    TrafficWindow *traffic = trafficWindows().constFirst();
    QVERIFY(QTest::qWaitForWindowExposed(traffic));
    auto *pause = traffic->findChild<QCheckBox *>(QStringLiteral("ckPause"));
    QVERIFY(pause && !pause->isChecked());

    QString seen;
    bool pausedMeanwhile = false;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        seen = QString::fromLatin1(modal->metaObject()->className());
        // Through the window system, where a blocked window drops input.
        QTest::mouseClick(traffic->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          pause->mapTo(traffic, QPoint(8, pause->height() / 2)));
        pausedMeanwhile = pause->isChecked();
        modal->reject();
    });
    poll.start();
    if (opener == QLatin1String("box"))
        showInfoBox(QStringLiteral("x"), &window);
    else
        window.findChild<QAction *>(opener)->trigger();
    poll.stop();
    QVERIFY2(!seen.isEmpty(), "no dialog was opened");
    QVERIFY2(pausedMeanwhile, qPrintable(seen));
}

QTEST_MAIN(tst_TrafficWindow)
#include "tst_trafficwindow.moc"
