// Shows the communication setup dialog with a finished connection test and
// a few recent connections, for screenshots of its layout:
//   zr_setup_shot [--lang en_US] [--qm DIR] [--seconds N] [--png FILE]
// Talks only to a zrsim it starts on loopback.
#include "settings/config.h"
#include "settings/recentconnections.h"
#include "settings/setupdialog.h"
#include "bench/benchsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"lang", "language", "code"});
    parser.addOption({"qm", "folder of the .qm files", "dir"});
    parser.addOption({"seconds", "how long the dialog stays", "n", "5"});
    parser.addOption({"png", "also save a grab of the dialog", "file"});
    parser.process(app);

    QTranslator translator;
    if (parser.isSet("lang")) {
        const QString qm = parser.value("qm").isEmpty() ? QCoreApplication::applicationDirPath() + "/../../translations"
                                                        : parser.value("qm");
        if (!translator.load(parser.value("lang"), qm)) {
            std::fprintf(stderr, "no %s.qm in %s\n", qPrintable(parser.value("lang")), qPrintable(qm));
            return 1;
        }
        QCoreApplication::installTranslator(&translator);
    }

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    {
        QFile items(dir.filePath("items.txt"));
        if (!items.open(QIODevice::WriteOnly))
            return 1;
        items.write("设备名称:ZR3100 压力变送器\nRate(1/5/10/60):10\n");
    }
    BenchSim sim;
    if (!sim.start({"--udp", "127.0.0.1:0", "--items", dir.filePath("items.txt")})) {
        std::fprintf(stderr, "zrsim: %s\n", qPrintable(sim.lastError()));
        return 1;
    }
    {
        LinkSettings serial;
        serial.serialPort = QStringLiteral("/dev/ttyUSB0");
        serial.baudrate = 115200;
        serial.deviceAddress = 3;
        LinkSettings other;
        other.useUdp = true;
        other.udpAddress = QStringLiteral("192.168.1.102");
        other.udpPort = 5000;
        other.deviceAddress = 1;
        other.encrypt = true;
        RecentConnections::save({other, serial});
        configSettings()->sync();
    }

    SetupDialog d(nullptr);
    d.findChild<QGroupBox *>("gbUdp")->setChecked(true);
    d.findChild<QLineEdit *>("edUdpAddress")->setText("127.0.0.1");
    d.findChild<QLineEdit *>("edUdpPort")->setText(QString::number(sim.udpPort()));
    auto *address = d.findChild<QComboBox *>("cmbDeviceAddress");
    address->setCurrentIndex(address->findData(1));
    d.show();
    d.findChild<QPushButton *>("bntTest")->click();
    QElapsedTimer clock;
    clock.start();
    while (d.isTesting() && clock.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    if (parser.isSet("png"))
        d.grab().save(parser.value("png"));
    // The list open over the dialog shows the entries.
    d.findChild<QComboBox *>("cmbRecent")->showPopup();
    std::printf("%s\n", qPrintable(d.testResultText()));
    std::fflush(stdout);
    QTimer::singleShot(parser.value("seconds").toInt() * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
