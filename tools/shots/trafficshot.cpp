// zr_traffic_shot LANGUAGE [timeout]: the main window with the traffic window open,
// first while a refresh runs, then while a flash runs, then with the main
// window's setup dialog open while the traffic window is filtered and
// paused, against zrsim (run under xvfb-run). At each point it prints
// "READY refresh" / "READY flash" / "READY dialog"
// and waits for a line on stdin, so that a script can take the screen
// (import -window root) while the operation is still going. With "timeout"
// the instrument leaves some requests unanswered, and the refresh shot waits
// for a timeout row.
#include "app/mainwindow.h"
#include "firmware/package.h"
#include "firmware/updatethread.h"
#include "link/trafficwindow.h"
#include "bench/benchsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void pauseForShot(const char *what)
{
    std::printf("READY %s\n", what);
    std::fflush(stdout);
    QEventLoop loop;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [&loop] {
        char buf[64];
        (void)std::fgets(buf, sizeof buf, stdin);
        loop.quit();
    });
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString language = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("zh_CH");
    const bool timeouts = argc > 2 && QByteArray(argv[2]) == "timeout";
    BenchWorkDir dir;
    for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
        const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
        QFile::copy(QStringLiteral(ZR_QM_DIR "/") + qm, dir.filePath(qm));
    }
    QByteArray items;
    for (int i = 0; i < 80; ++i)
        items += QStringLiteral("参数%1(低/中/高):中\n").arg(i).toUtf8();
    dir.writeFile(QStringLiteral("items.txt"), items);
    BenchSim sim;
    QStringList simArgs{"--udp", "127.0.0.1:0", "--items", dir.filePath(QStringLiteral("items.txt")), "--encrypt",
                        "--delay", "60"};
    if (timeouts)
        simArgs << "--drop-rate" << "0.15" << "--fault-seed" << "4";
    if (!sim.start(simArgs)) {
        std::fprintf(stderr, "zrsim: %s\n", qPrintable(sim.lastError()));
        return 1;
    }
    dir.writeUdpConfig(sim.udpPort(), {{"language/language", language}, {"device/address", 1},
                                       {"communicate/encrypt", true}});

    MainWindow w;
    w.resize(520, 420);
    w.move(0, 0);
    w.show();
    QAction *refresh = w.findChild<QAction *>(QStringLiteral("refresh"));
    QAction *traffic = w.findChild<QAction *>(QStringLiteral("traffic"));
    if (!refresh || !traffic)
        return 1;
    traffic->trigger();
    TrafficWindow *tw = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<TrafficWindow *>(top))
            tw = t;
    }
    if (!tw)
        return 1;
    tw->resize(1040, 520);
    tw->move(230, 260);
    refresh->trigger();
    const auto hasTimeout = [tw] {
        const QString event = TrafficModel::directionText(TrafficDirection::Event);
        for (int r = 0; r < tw->model()->rowCount(); ++r) {
            if (tw->model()->index(r, TrafficModel::DirectionColumn).data().toString() == event)
                return true;
        }
        return false;
    };
    if (!waitFor([tw, timeouts, &hasTimeout] { return tw->model()->rowCount() >= 40 && (!timeouts || hasTimeout()); },
                 60000))
        return 1;
    pauseForShot("refresh");
    waitFor([&w] { return !w.refreshThread().isRunning(); }, 30000);

    DEncryptInfo package;
    QByteArray image(12 * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7);
    package.setFields(packageFields(QStringLiteral("ZR 压力变送器"), QStringLiteral("ZR-SIM"), QStringLiteral("2.1.0"), image));
    UpdateThread flash;
    flash.setPackage(package);
    flash.start();
    // Some pages into the image: identify, erase and a few page exchanges.
    const int before = tw->model()->rowCount();
    if (!waitFor([tw, before] { return tw->model()->rowCount() >= std::min(before + 14, 20000); }, 30000))
        return 1;
    pauseForShot("flash");
    flash.wait();

    // The setup dialog blocks the main window; the traffic window takes
    // typing and clicks through the window system meanwhile.
    int rc = 1;
    QTimer::singleShot(300, &w, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->move(40, 120);
        tw->raise();
        tw->activateWindow();
        auto *filter = tw->findChild<QLineEdit *>(QStringLiteral("editFilter"));
        auto *pause = tw->findChild<QCheckBox *>(QStringLiteral("ckPause"));
        QTest::mouseClick(tw->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          filter->mapTo(tw, QPoint(8, filter->height() / 2)));
        QTest::keyClick(tw->windowHandle(), '5');
        QTest::keyClick(tw->windowHandle(), 'A');
        QTest::mouseClick(tw->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          pause->mapTo(tw, QPoint(8, pause->height() / 2)));
        rc = pause->isChecked() && filter->text() == QLatin1String("5A") ? 0 : 2;
        std::printf("traffic window %s beside %s\n", rc == 0 ? "used" : "BLOCKED", dialog->metaObject()->className());
        pauseForShot("dialog");
        dialog->reject();
    });
    w.findChild<QAction *>(QStringLiteral("setup"))->trigger();
    return rc;
}
