// zr_batchresult_shot: the last box of a write-all (check result, backup and
// the button to its folder) against zrsim, saved as a PNG; run under
// xvfb-run. Arguments: the language (zh_CH, en_US, zh_TW) and the output file.
#include "app/mainwindow.h"
#include "items/configtree.h"
#include "bench/benchsupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString language = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    BenchWorkDir dir;
    for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
        const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
        QFile::copy(QStringLiteral(ZR_QM_DIR "/") + qm, dir.filePath(qm));
    }
    BenchSim sim;
    dir.writeFile(QStringLiteral("items.txt"), "站点名称:S1\n波特率(2400/4800/9600):9600\n!设备型号:ZR3100\n地址:1\n");
    if (!sim.start({QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--items"),
                    dir.filePath(QStringLiteral("items.txt"))})) {
        std::fprintf(stderr, "zrsim: %s\n", qPrintable(sim.lastError()));
        return 1;
    }
    dir.writeUdpConfig(sim.udpPort(), {{QStringLiteral("language/language"), language}});
    MainWindow w;
    w.resize(640, 420);
    w.move(0, 0);
    w.show();
    const auto settle = [](int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    w.findChild<QAction *>(QStringLiteral("refresh"))->trigger();
    QElapsedTimer clock;
    clock.start();
    while ((w.isExchangeRunning() || w.tree()->topLevelItemCount() < 4) && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    w.tree()->topLevelItem(1)->setText(1, QStringLiteral(": 4800"));
    w.tree()->topLevelItem(2)->setText(1, QStringLiteral(": ZR9"));
    w.tree()->topLevelItem(3)->setText(1, QStringLiteral(": 7"));
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            if (box->informativeText().isEmpty())
                return;
            poll.stop();
            settle(300);
            saved = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
            box->accept();
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->accept(); // the preview, as shown
        }
    });
    poll.start(200);
    w.findChild<QAction *>(QStringLiteral("save"))->trigger();
    clock.restart();
    while (!saved && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return saved ? 0 : 1;
}
