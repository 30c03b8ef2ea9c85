#include "monitor/monitordialog.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/history/signallog.h"
#include "tests/support/modalcloser.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using Piece = ScriptedInstrument::Chunk;

namespace {

const QByteArray kOn = QByteArray::fromHex("010F4BFF00000231001C7B");
const QByteArray kOff = QByteArray::fromHex("010F4BFF00000230001DEB");

template<typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

} // namespace

class tst_MonitorDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void initialState();
    void formatsWithClock();
    void startUsesDebugCheckBox();
    void failedFirstRequestReturnsIdle();
    void followsWhileAtBottom();
    void droppedLinesShown();
    void followsSimulatorStream();
    void dismissWhileCapturing_data();
    void dismissWhileCapturing();
    void logFileAndSaveEqualView();
};

void tst_MonitorDialog::logFileAndSaveEqualView()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--debug-rate", "200"}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    MonitorDialog dialog(nullptr);
    QString nextFile;
    dialog.setFileNameProvider([&nextFile](const QString &) { return nextFile; });
    auto *view = child<QPlainTextEdit>(dialog, "textEdit");
    auto *logBox = child<QCheckBox>(dialog, "ckLogFile");

    // Appends: what the file held before stays in front.
    const QString logPath = dir.filePath(QStringLiteral("monitor.log"));
    dir.writeFile(QStringLiteral("monitor.log"), "earlier\n");
    nextFile = logPath;
    logBox->setChecked(true);
    emit child<QPushButton>(dialog, "bntStart")->pressed();
    QTRY_VERIFY_WITH_TIMEOUT(view->document()->blockCount() > 100, 20000);
    dialog.setFocus();
    child<QRadioButton>(dialog, "rdHex")->setChecked(true); // the file takes lines as shown
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains(QStringLiteral("23 ")), 20000);
    emit child<QPushButton>(dialog, "bntStop")->pressed();
    QTRY_VERIFY(child<QPushButton>(dialog, "bntStart")->isEnabled());
    dialog.logFile()->sync();
    QCOMPARE(QString::fromUtf8(dir.readFile(QStringLiteral("monitor.log"))), QStringLiteral("earlier\n") + view->toPlainText());

    // Off: nothing more is appended.
    logBox->setChecked(false);
    view->appendPlainText(QStringLiteral("not logged"));
    dialog.logFile()->sync();
    QVERIFY(!dir.readFile(QStringLiteral("monitor.log")).contains("not logged"));

    // 保存 writes the whole view, UTF-8, replacing the file.
    nextFile = dir.filePath(QStringLiteral("saved")); // typed without a suffix
    dir.writeFile(QStringLiteral("saved.txt"), "old content that is longer than nothing");
    QSignalSpy saved(&dialog, &MonitorDialog::saveFinished);
    QTest::mouseClick(child<QPushButton>(dialog, "bntSave"), Qt::LeftButton);
    QVERIFY(saved.count() == 1 || saved.wait(10000));
    QCOMPARE(saved.first().at(0).toBool(), true);
    QCOMPARE(QString::fromUtf8(dir.readFile(QStringLiteral("saved.txt"))), view->toPlainText());

    // A file that cannot be written is reported, not ignored.
    nextFile = dir.filePath(QStringLiteral("no/such/folder/x.txt"));
    QTest::mouseClick(child<QPushButton>(dialog, "bntSave"), Qt::LeftButton);
    QTRY_COMPARE(saved.count(), 2);
    QCOMPARE(saved.at(1).at(0).toBool(), false);
    QVERIFY(saved.at(1).at(1).toString().contains(QStringLiteral("x.txt")));
    ModalCloser closer;
    logBox->setChecked(true);
    QTRY_COMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().first().title, QStringLiteral("记录到文件"));
    QVERIFY(closer.seen().first().text.contains(QStringLiteral("x.txt")));
    QVERIFY(!logBox->isChecked());
}

void tst_MonitorDialog::initialState()
{
    MonitorDialog dialog(nullptr);
    QCOMPARE(dialog.objectName(), QStringLiteral("MonitorDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("设备监听"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(child<QRadioButton>(dialog, "rdOriginal")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "ckDebug")->isChecked());
    QVERIFY(!child<QPushButton>(dialog, "bntStop")->isEnabled());
    QVERIFY(child<QPushButton>(dialog, "bntStart")->isEnabled());
    QVERIFY(child<QPlainTextEdit>(dialog, "textEdit")->isReadOnly());
    // One group: checking one clears the others.
    child<QRadioButton>(dialog, "rdHex")->setChecked(true);
    QVERIFY(!child<QRadioButton>(dialog, "rdOriginal")->isChecked());
}

void tst_MonitorDialog::formatsWithClock()
{
    MonitorDialog dialog(nullptr);
    QDateTime now(QDate(2024, 3, 8), QTime(13, 5, 9, 42));
    dialog.setClock([&now] { return now; });
    auto *view = child<QPlainTextEdit>(dialog, "textEdit");
    auto deliver = [&](const QByteArray &line) {
        QMetaObject::invokeMethod(&dialog, "slotDataRecv", Q_ARG(QByteArray, line));
    };

    deliver("OK\r\n");
    deliver(QByteArray());
    child<QRadioButton>(dialog, "rdHex")->setChecked(true);
    deliver("OK\r\n");
    now = now.addMSecs(1);
    child<QRadioButton>(dialog, "rdOriginalHex")->setChecked(true);
    deliver("OK\r\n");
    deliver("A\n");
    // The view stores paragraphs: CR LF and LF both end one.
    QCOMPARE(view->toPlainText(), QStringLiteral("OK\n"
                                                 "[2024-03-08 13:05:09.042][4] : 4F 4B 0D 0A \n"
                                                 "[2024-03-08 13:05:09.043][4] : OK ( 4F 4B 0D 0A  )\n"
                                                 "[2024-03-08 13:05:09.043][2] : A ( 41 0A  )\n"));
    QTest::mouseClick(child<QPushButton>(dialog, "bntClear"), Qt::LeftButton);
    QCOMPARE(view->toPlainText(), QString());
}

void tst_MonitorDialog::startUsesDebugCheckBox()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([](const QByteArray &r) { return QList<Piece>{{ScriptedInstrument::textWriteAck(r), 0}}; });

    ModalCloser closer;
    MonitorDialog dialog(nullptr);
    dialog.show();
    auto *start = child<QPushButton>(dialog, "bntStart");
    auto *stop = child<QPushButton>(dialog, "bntStop");
    auto *debug = child<QCheckBox>(dialog, "ckDebug");
    debug->setChecked(false);
    QTest::mousePress(start, Qt::LeftButton);
    QTest::mouseRelease(start, Qt::LeftButton);
    QTRY_VERIFY(stop->isEnabled());
    QVERIFY(!start->isEnabled());
    QVERIFY(!debug->isEnabled());
    QTRY_COMPARE(fake.requests(), QList<QByteArray>{kOff});
    fake.push("line\n");
    QTRY_COMPARE(child<QPlainTextEdit>(dialog, "textEdit")->toPlainText(), QStringLiteral("line\n"));

    // Without debug output the stop sends nothing, so it is quick.
    QTest::mousePress(stop, Qt::LeftButton);
    QTest::mouseRelease(stop, Qt::LeftButton);
    QVERIFY(!dialog.monitorThread()->isRunning());
    QTRY_VERIFY(start->isEnabled());
    QVERIFY(!stop->isEnabled());
    QVERIFY(debug->isEnabled());
    QCOMPARE(fake.requests(), QList<QByteArray>{kOff});
    QCOMPARE(closer.count(), 0);
}

void tst_MonitorDialog::failedFirstRequestReturnsIdle()
{
    TempWorkDir dir;
    ScriptedInstrument fake; // never answers
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    ModalCloser closer;
    MonitorDialog dialog(nullptr);
    dialog.monitorThread()->setReplyTimeout(300);
    dialog.show();
    QTest::mousePress(child<QPushButton>(dialog, "bntStart"), Qt::LeftButton);
    QVERIFY(waitThread(dialog.monitorThread(), 10000));
    QTRY_COMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().first().title, QStringLiteral("监听调试"));
    QCOMPARE(closer.seen().first().text, QStringLiteral("接收数据超时"));
    QCOMPARE(closer.seen().first().icon, QMessageBox::Critical);
    QTRY_VERIFY(child<QPushButton>(dialog, "bntStart")->isEnabled());
    QVERIFY(!child<QPushButton>(dialog, "bntStop")->isEnabled());
    QVERIFY(child<QCheckBox>(dialog, "ckDebug")->isEnabled());
    QCOMPARE(fake.requests(), QList<QByteArray>{kOn});
}

void tst_MonitorDialog::followsWhileAtBottom()
{
    MonitorDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QScrollBar *bar = child<QPlainTextEdit>(dialog, "textEdit")->verticalScrollBar();
    int n = 0;
    auto deliver = [&](int count) {
        for (int i = 0; i < count; ++i)
            emit dialog.monitorThread()->signalDataRecv("line " + QByteArray::number(n++) + "\r\n");
        QCoreApplication::processEvents();
    };

    deliver(200);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    // Well past the first line that left the bottom, still following.
    for (int round = 0; round < 5; ++round) {
        deliver(1);
        QCOMPARE(bar->value(), bar->maximum());
        deliver(40);
        QCOMPARE(bar->value(), bar->maximum());
    }
    // Scrolled back to read: the view holds still.
    bar->setValue(bar->maximum() - 30);
    const int held = bar->value();
    deliver(50);
    QCOMPARE(bar->value(), held);
    QVERIFY(bar->maximum() > held + 30);
    // Back at the bottom by hand: it follows again.
    bar->setValue(bar->maximum());
    deliver(1);
    QCOMPARE(bar->value(), bar->maximum());
    deliver(50);
    QCOMPARE(bar->value(), bar->maximum());
}

void tst_MonitorDialog::droppedLinesShown()
{
    MonitorDialog dialog(nullptr);
    auto *view = child<QPlainTextEdit>(dialog, "textEdit");
    emit dialog.monitorThread()->signalDataRecv("before\n");
    emit dialog.monitorThread()->signalLinesDropped(1234);
    emit dialog.monitorThread()->signalDataRecv("after\n");
    QCOMPARE(view->toPlainText(), QStringLiteral("before\n[已丢弃 1234 行]\nafter\n"));
}

void tst_MonitorDialog::followsSimulatorStream()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--debug-rate", "1000"}), qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    MonitorDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *view = child<QPlainTextEdit>(dialog, "textEdit");
    QScrollBar *bar = view->verticalScrollBar();
    emit child<QPushButton>(dialog, "bntStart")->pressed();
    QTRY_VERIFY_WITH_TIMEOUT(view->document()->blockCount() > 1500, 20000);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(view->toPlainText().endsWith(QLatin1Char('\n')));

    // ZR_SHOT_DIR: keep a picture of the running view (under Xvfb the
    // screen's own pixels).
    const QString shots = qEnvironmentVariable("ZR_SHOT_DIR");
    if (!shots.isEmpty()) {
        const QPixmap shot = QGuiApplication::platformName() == QLatin1String("xcb")
                                 ? dialog.screen()->grabWindow(dialog.winId())
                                 : dialog.grab();
        QVERIFY(shot.save(QDir(shots).filePath(QStringLiteral("monitor-follows-fast-stream.png"))));
    }
    emit child<QPushButton>(dialog, "bntStop")->pressed();
    QVERIFY(!dialog.monitorThread()->isRunning());
    QTRY_VERIFY(child<QPushButton>(dialog, "bntStart")->isEnabled());
    QCoreApplication::processEvents();
    QCOMPARE(bar->value(), bar->maximum());
}

void tst_MonitorDialog::dismissWhileCapturing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("answerOff");
    QTest::newRow("escape") << true << true;
    QTest::newRow("close") << false << true;
    QTest::newRow("escape, final request unanswered") << true << false;
}

void tst_MonitorDialog::dismissWhileCapturing()
{
    QFETCH(bool, escape);
    QFETCH(bool, answerOff);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([answerOff](const QByteArray &r) {
        if (r == kOff && !answerOff)
            return QList<Piece>();
        // The instrument answers after a while, as over a slow link.
        return QList<Piece>{{ScriptedInstrument::textWriteAck(r), 400}};
    });

    ModalCloser closer;
    closer.setDialogHandler([](QWidget *) {}); // the dialog under test stays
    auto *dialog = new MonitorDialog(nullptr);
    MonitorThread *thread = dialog->monitorThread();
    thread->setReplyTimeout(1000);
    bool runningWhenDone = true;
    connect(dialog, &QDialog::finished, dialog, [&] { runningWhenDone = thread->isRunning(); });
    QTimer::singleShot(0, dialog, [&] {
        QTest::mousePress(child<QPushButton>(*dialog, "bntStart"), Qt::LeftButton);
        QTimer::singleShot(800, dialog, [&] {
            QVERIFY(thread->isRunning());
            if (escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->close();
            QVERIFY(dialog->isVisible());
        });
    });
    dialog->exec();
    QVERIFY(!runningWhenDone);
    QVERIFY(!thread->isRunning());
    QCOMPARE(fake.requests(), (QList<QByteArray>{kOn, kOff}));
    delete dialog;
    for (const ModalCloser::Seen &seen : closer.seen())
        QCOMPARE(seen.className, QStringLiteral("MonitorDialog"));
}

void tst_MonitorDialog::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_MonitorDialog)
#include "tst_monitordialog.moc"
