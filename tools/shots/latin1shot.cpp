// zr_latin1_shot: the main window after a refresh from an instrument whose
// item names are Latin-1, saved as a PNG (run under xvfb-run). Arguments:
// the instrument's UDP port on 127.0.0.1 and the output file.
#include "app/mainwindow.h"
#include "items/configtree.h"
#include "bench/benchsupport.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    BenchWorkDir dir;
    dir.writeUdpConfig(quint16(QByteArray(argv[1]).toUInt()));
    MainWindow w;
    w.resize(640, 420);
    w.show();
    QAction *refresh = w.findChild<QAction *>(QStringLiteral("refresh"));
    if (!refresh)
        return 1;
    refresh->trigger();
    QElapsedTimer clock;
    clock.start();
    int rows = -1;
    // The list is read when the row count has stood still for a second.
    QElapsedTimer still;
    still.start();
    while (clock.elapsed() < 20000 && still.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const int now = w.tree()->topLevelItemCount();
        if (now != rows || now == 0) {
            rows = now;
            still.restart();
        }
    }
    QCoreApplication::processEvents();
    return w.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
