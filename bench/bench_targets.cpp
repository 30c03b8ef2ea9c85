// Flashing many instruments at once through zrvu-cli --targets, next to one
// instrument alone in the same run (zrsim over loopback UDP).
//   bench_targets [instruments=16] [image KiB=64] [rounds=3] [reply delay ms=20]
// The reply delay stands for the instrument's own time per page (erasing,
// writing); without it the figures measure process start-up alone.
//   (ZRSIM and ZRVU_CLI: paths of the programs, optional)
#include "firmware/package.h"
#include "tools/zrsim/simlauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

QString programPath(const char *env, const QString &relative)
{
    const QString value = qEnvironmentVariable(env);
    return value.isEmpty() ? QCoreApplication::applicationDirPath() + relative : value;
}

bool startSim(QProcess &sim, int delayMs, quint16 *port)
{
    QStringList arguments{"--udp", "127.0.0.1:0"};
    if (delayMs > 0)
        arguments << "--delay" << QString::number(delayMs);
    SimLauncher::Announcement seen;
    const bool ready = SimLauncher::start(sim, SimLauncher::locate(qEnvironmentVariable("ZRSIM")), arguments, &seen)
        == SimLauncher::Ready;
    *port = seen.udpPort;
    return ready && *port != 0;
}

// Seconds for one zrvu-cli --targets run over the first `count` instruments.
double flashRun(const QString &dir, const QVector<quint16> &ports, int count, bool *ok)
{
    QString list;
    for (int i = 0; i < count; ++i)
        list += QStringLiteral("udp 127.0.0.1:%1 1 sim%2\n").arg(ports.at(i)).arg(i);
    QFile file(QDir(dir).filePath(QStringLiteral("targets.txt")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    file.write(list.toUtf8());
    file.close();

    QProcess cli;
    cli.setWorkingDirectory(dir);
    QElapsedTimer clock;
    clock.start();
    cli.start(programPath("ZRVU_CLI", QStringLiteral("/../cli/zrvu-cli")),
              {"--targets", "targets.txt", "--jobs", QString::number(count), "flash", "p.zrbin"});
    const bool finished = cli.waitForFinished(600000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const QByteArray out = cli.readAllStandardOutput();
    *ok = finished && cli.exitCode() == 0 && out.count('\n') == count && !out.contains("\tfailed");
    if (!*ok)
        std::fprintf(stderr, "run of %d failed (exit %d):\n%s%s\n", count, cli.exitCode(), out.constData(),
                     cli.readAllStandardError().constData());
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 16;
    const int kib = argc > 2 ? QByteArray(argv[2]).toInt() : 64;
    const int rounds = argc > 3 ? QByteArray(argv[3]).toInt() : 3;
    const int delayMs = argc > 4 ? QByteArray(argv[4]).toInt() : 20;
    if (count < 1 || count > 64 || kib < 1 || kib > 1024 || rounds < 1 || rounds > 20 || delayMs < 0
        || delayMs > 1000) {
        std::fprintf(stderr,
                     "usage: bench_targets [instruments 1..64] [image KiB 1..1024] [rounds 1..20] [delay ms 0..1000]\n");
        return 2;
    }

    QTemporaryDir dir;
    QByteArray image(kib * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>((i * 131) & 0xFF);
    QString error;
    if (!writePackage(dir.filePath(QStringLiteral("p.zrbin")),
                      packageFields(QStringLiteral("ZR 压力变送器"), QStringLiteral("ZR-SIM"), QStringLiteral("2.1.0"), image),
                      &error)) {
        std::fprintf(stderr, "package: %s\n", qPrintable(error));
        return 1;
    }

    std::vector<std::unique_ptr<QProcess>> sims;
    QVector<quint16> ports;
    for (int i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<QProcess>());
        quint16 port = 0;
        if (!startSim(*sims.back(), delayMs, &port)) {
            std::fprintf(stderr, "zrsim %d did not start\n", i);
            return 1;
        }
        ports << port;
    }

    QVector<double> one, many;
    bool allOk = true;
    for (int r = 0; r < rounds; ++r) {
        bool ok = false;
        one << flashRun(dir.path(), ports, 1, &ok);
        allOk = allOk && ok;
        many << flashRun(dir.path(), ports, count, &ok);
        allOk = allOk && ok;
    }
    std::sort(one.begin(), one.end());
    std::sort(many.begin(), many.end());
    const double a = one.at(one.size() / 2);
    const double b = many.at(many.size() / 2);
    std::printf("image %d KiB, reply delay %d ms, %d rounds, medians\n", kib, delayMs, rounds);
    std::printf("1 instrument alone:        %.2f s\n", a);
    std::printf("%d instruments, --jobs %d: %.2f s\n", count, count, b);
    std::printf("ratio: %.2f (target <= 1.5)\n", a > 0 ? b / a : 0.0);
    for (auto &sim : sims) {
        sim->terminate();
        sim->waitForFinished(3000);
    }
    return allOk ? 0 : 1;
}
