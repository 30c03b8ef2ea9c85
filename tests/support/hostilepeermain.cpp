// zr_hostilepeer: a misbehaving instrument as a program, for measuring the
// programs against it (memory under a flood, and so on). Loopback only;
// ends after --seconds (at most 600).
#include "tests/support/hostilescript.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("pty"), QStringLiteral("Serve a pseudo-terminal instead of UDP.")});
    parser.addOption({QStringLiteral("mode"),
                      QStringLiteral("normal, flood, duplicate, foreign, trickle or hangup."), QStringLiteral("MODE"),
                      QStringLiteral("flood")});
    parser.addOption({QStringLiteral("piece"), QStringLiteral("Bytes per flood piece (default 1400)."),
                      QStringLiteral("BYTES"), QStringLiteral("1400")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Run this long (default 60, at most 600)."),
                      QStringLiteral("S"), QStringLiteral("60")});
    parser.process(app);

    const QStringList modes{QStringLiteral("normal"), QStringLiteral("flood"), QStringLiteral("duplicate"),
                            QStringLiteral("foreign"), QStringLiteral("trickle"), QStringLiteral("hangup")};
    const int mode = modes.indexOf(parser.value(QStringLiteral("mode")));
    if (mode < 0) {
        QTextStream(stderr) << "unknown mode\n";
        return 2;
    }
    const int seconds = qBound(1, parser.value(QStringLiteral("seconds")).toInt(), 600);
    const bool pty = parser.isSet(QStringLiteral("pty"));
    HostileScript script;
    script.mode = HostileScript::Mode(mode);
    script.floodPieceBytes = qBound(4, parser.value(QStringLiteral("piece")).toInt(), 65000);
    script.floodMs = seconds * 1000;
    ScriptedInstrument peer;
    if (!(pty ? peer.startPty() : peer.startUdp())) {
        QTextStream(stderr) << "cannot start\n";
        return 1;
    }
    script.apply(peer, pty);
    QTextStream out(stdout);
    out << (pty ? peer.ptyPath() : QString::number(peer.udpPort())) << Qt::endl;
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    peer.stopFlood();
    QTextStream(stderr) << "requests " << peer.requestCount() << " bytes sent " << peer.bytesSent() << "\n";
    return 0;
}
