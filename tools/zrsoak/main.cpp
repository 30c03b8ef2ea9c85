// zrsoak: a fault soak. Runs item refreshes, item writes and flash pages
// through the program's own workers against zrsim with seeded random faults,
// and counts every outcome: success, one of the system's own error texts,
// or anything else (UNEXPECTED, WRONG-DATA, OVERLONG waits, crashes, hangs).
// Each phase runs in a process of its own with its own zrsim, so a crash is
// seen and counted, and the phases run side by side.

#include "tools/zrsoak/soakphases.h"
#include "tools/zrsoak/soakrecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

const QStringList kPhases{QStringLiteral("refresh"), QStringLiteral("write"), QStringLiteral("flash")};

QString defaultSimPath()
{
    const QString env = qEnvironmentVariable("ZRSIM");
    if (!env.isEmpty())
        return env;
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../zrsim/zrsim"));
}

bool takeRate(const QCommandLineParser &p, const QString &name, double *out, QString *error)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const double v = p.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > 1) {
        *error = QStringLiteral("--%1 needs a probability from 0 to 1").arg(name);
        return false;
    }
    *out = v;
    return true;
}

bool takeInt(const QCommandLineParser &p, const QString &name, int min, int max, int *out, QString *error)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < min || v > max) {
        *error = QStringLiteral("--%1 needs a number from %2 to %3").arg(name).arg(min).arg(max);
        return false;
    }
    *out = v;
    return true;
}

QStringList optionArguments(const SoakOptions &o)
{
    QStringList a{QStringLiteral("--seed"), QString::number(o.seed),
                  QStringLiteral("--rounds"), QString::number(o.rounds),
                  QStringLiteral("--drop-rate"), QString::number(o.dropRate, 'g', 10),
                  QStringLiteral("--crc-rate"), QString::number(o.crcRate, 'g', 10),
                  QStringLiteral("--split-rate"), QString::number(o.splitRate, 'g', 10),
                  QStringLiteral("--delay-rate"), QString::number(o.delayRate, 'g', 10),
                  QStringLiteral("--delay-max"), QString::number(o.delayMaxMs),
                  QStringLiteral("--split-gap-max"), QString::number(o.splitGapMaxMs),
                  QStringLiteral("--image-bytes"), QString::number(o.imageBytes),
                  QStringLiteral("--tolerance"), QString::number(o.toleranceMs),
                  QStringLiteral("--zrsim"), o.simPath};
    if (o.serial)
        a << QStringLiteral("--serial");
    if (o.encrypt)
        a << QStringLiteral("--encrypt");
    return a;
}

// One phase process as the parent sees it.
struct PhaseRun {
    QString phase;
    std::unique_ptr<QProcess> process;
    QByteArray buffer;
    QElapsedTimer clock;
    qint64 ms = 0;
    int records = 0;
    bool done = false;
};

int runChild(const QString &phase, const SoakOptions &options)
{
    std::mutex out;
    const SoakEmit report = [&out](const SoakRecord &r) {
        const QByteArray line = r.toLine();
        std::lock_guard<std::mutex> lock(out);
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
        std::fflush(stdout);
    };
    return runSoakPhase(phase, options, report);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrsoak"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fault soak: item refreshes, item writes and flash pages through the program's own workers against zrsim "
        "with seeded random faults (loopback UDP, or its pseudo-terminal with --serial). Prints the count of each "
        "outcome with median and longest durations; exits 1 when any outcome is UNEXPECTED or WRONG-DATA, when a "
        "wait outlasts the program's timeouts (OVERLONG), or when a phase crashes or hangs."));
    parser.addHelpOption();
    const SoakOptions defaults;
    parser.addOptions({
        {QStringLiteral("seed"), QStringLiteral("Seed of the faults and of the values written (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("rounds"),
         QStringLiteral("Refreshes, item writes and flash pages to run, each (default 1000)."), QStringLiteral("N")},
        {QStringLiteral("drop-rate"), QStringLiteral("Probability that a reply is lost (default %1).").arg(defaults.dropRate),
         QStringLiteral("P")},
        {QStringLiteral("crc-rate"),
         QStringLiteral("Probability that a reply has a wrong CRC (default %1).").arg(defaults.crcRate),
         QStringLiteral("P")},
        {QStringLiteral("split-rate"),
         QStringLiteral("Probability that a reply comes in pieces (default %1).").arg(defaults.splitRate),
         QStringLiteral("P")},
        {QStringLiteral("delay-rate"),
         QStringLiteral("Probability that a reply is delayed (default %1).").arg(defaults.delayRate),
         QStringLiteral("P")},
        {QStringLiteral("delay-max"),
         QStringLiteral("Longest delay in ms (default %1; beyond the 3000 and 5000 ms reply timeouts).")
             .arg(defaults.delayMaxMs),
         QStringLiteral("MS")},
        {QStringLiteral("split-gap-max"),
         QStringLiteral("Longest pause between reply pieces in ms (default %1).").arg(defaults.splitGapMaxMs),
         QStringLiteral("MS")},
        {QStringLiteral("serial"), QStringLiteral("Talk to zrsim over its pseudo-terminal instead of UDP.")},
        {QStringLiteral("encrypt"), QStringLiteral("Use the encrypted link envelope.")},
        {QStringLiteral("only"), QStringLiteral("Run only these phases: refresh,write,flash."),
         QStringLiteral("LIST")},
        {QStringLiteral("sequential"), QStringLiteral("Run the phases one after another, not side by side.")},
        {QStringLiteral("image-bytes"),
         QStringLiteral("Size of the flashed image (default %1, %2 pages).")
             .arg(defaults.imageBytes)
             .arg((defaults.imageBytes + 1023) / 1024),
         QStringLiteral("N")},
        {QStringLiteral("tolerance"),
         QStringLiteral("Slack in ms allowed on top of the timeouts before a wait is OVERLONG (default %1).")
             .arg(defaults.toleranceMs),
         QStringLiteral("MS")},
        {QStringLiteral("zrsim"), QStringLiteral("The simulator (default $ZRSIM or ../zrsim/zrsim)."),
         QStringLiteral("PATH")},
    });
    QCommandLineOption phaseOption(QStringLiteral("phase"), QStringLiteral("Internal: run one phase."),
                                   QStringLiteral("NAME"));
    phaseOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(phaseOption);
    parser.process(app);

    SoakOptions o;
    QString error;
    bool ok = true;
    if (parser.isSet(QStringLiteral("seed"))) {
        o.seed = parser.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok)
            error = QStringLiteral("--seed needs a number from 0");
    }
    ok = ok && takeInt(parser, QStringLiteral("rounds"), 1, 1000000, &o.rounds, &error)
         && takeRate(parser, QStringLiteral("drop-rate"), &o.dropRate, &error)
         && takeRate(parser, QStringLiteral("crc-rate"), &o.crcRate, &error)
         && takeRate(parser, QStringLiteral("split-rate"), &o.splitRate, &error)
         && takeRate(parser, QStringLiteral("delay-rate"), &o.delayRate, &error)
         && takeInt(parser, QStringLiteral("delay-max"), 1, 60000, &o.delayMaxMs, &error)
         && takeInt(parser, QStringLiteral("split-gap-max"), 0, 60000, &o.splitGapMaxMs, &error)
         && takeInt(parser, QStringLiteral("image-bytes"), 0, 16 * 1024 * 1024, &o.imageBytes, &error)
         && takeInt(parser, QStringLiteral("tolerance"), 0, 600000, &o.toleranceMs, &error);
    o.serial = parser.isSet(QStringLiteral("serial"));
    o.encrypt = parser.isSet(QStringLiteral("encrypt"));
    o.simPath = parser.isSet(QStringLiteral("zrsim")) ? parser.value(QStringLiteral("zrsim")) : defaultSimPath();
    QStringList phases = kPhases;
    if (ok && parser.isSet(QStringLiteral("only"))) {
        phases = parser.value(QStringLiteral("only")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &p : qAsConst(phases)) {
            if (!kPhases.contains(p)) {
                ok = false;
                error = QStringLiteral("--only takes refresh, write and flash");
            }
        }
    }
    if (!ok) {
        std::fprintf(stderr, "zrsoak: %s\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(phaseOption))
        return runChild(parser.value(phaseOption), o);

    QTemporaryDir base;
    if (!base.isValid()) {
        std::fprintf(stderr, "zrsoak: no temporary directory\n");
        return 1;
    }
    std::printf("zrsoak: seed %llu, %d rounds, %s%s; faults: drop %g, crc %g, split %g (gaps to %d ms), "
                "delay %g (to %d ms); image %d bytes\n",
                static_cast<unsigned long long>(o.seed), o.rounds, o.serial ? "serial (pty)" : "UDP loopback",
                o.encrypt ? ", encrypted" : "", o.dropRate, o.crcRate, o.splitRate, o.splitGapMaxMs, o.delayRate,
                o.delayMaxMs, o.imageBytes);
    std::fflush(stdout);

    SoakTally tally;
    QList<PhaseRun *> runs;
    QEventLoop loop;
    QElapsedTimer wall;
    wall.start();
    int next = 0;
    std::function<void()> startNext;
    auto finish = [&](PhaseRun *run) {
        run->done = true;
        run->ms = run->clock.elapsed();
        QProcess &p = *run->process;
        run->buffer += p.readAllStandardOutput();
        for (const QByteArray &line : run->buffer.split('\n')) {
            SoakRecord r;
            if (SoakRecord::fromLine(line, &r)) {
                tally.add(r);
                ++run->records;
            }
        }
        run->buffer.clear();
        if (p.exitStatus() == QProcess::CrashExit || p.exitCode() != 0) {
            SoakRecord r;
            r.kind = QStringLiteral("process");
            r.outcome = p.exitStatus() == QProcess::CrashExit ? QStringLiteral("CRASH")
                                                               : QStringLiteral("exit code %1").arg(p.exitCode());
            r.verdict = SoakRecord::Unexpected;
            r.ms = run->ms;
            r.detail = QStringLiteral("phase %1 after %2 operations").arg(run->phase).arg(run->records);
            tally.add(r);
        }
        startNext();
        if (std::all_of(runs.begin(), runs.end(), [](PhaseRun *r) { return r->done; }) && next == phases.size())
            loop.quit();
    };
    startNext = [&] {
        const bool parallel = !parser.isSet(QStringLiteral("sequential"));
        while (next < phases.size()) {
            if (!parallel && std::any_of(runs.begin(), runs.end(), [](PhaseRun *r) { return !r->done; }))
                return;
            auto *run = new PhaseRun;
            run->phase = phases.at(next++);
            run->process = std::make_unique<QProcess>();
            QProcess &p = *run->process;
            const QString dir = base.filePath(run->phase);
            QDir().mkpath(dir);
            p.setWorkingDirectory(dir);
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QObject::connect(&p, &QProcess::readyReadStandardOutput, &loop, [run, &tally] {
                run->buffer += run->process->readAllStandardOutput();
                const int end = run->buffer.lastIndexOf('\n');
                if (end < 0)
                    return;
                for (const QByteArray &line : run->buffer.left(end).split('\n')) {
                    SoakRecord r;
                    if (SoakRecord::fromLine(line, &r)) {
                        tally.add(r);
                        ++run->records;
                    }
                }
                run->buffer.remove(0, end + 1);
            });
            QObject::connect(&p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                             [run, &finish](int, QProcess::ExitStatus) { finish(run); });
            runs << run;
            run->clock.start();
            p.start(QCoreApplication::applicationFilePath(),
                    optionArguments(o) << QStringLiteral("--phase") << run->phase);
            if (!parallel)
                return;
        }
    };
    QTimer progress;
    progress.setInterval(20000);
    QObject::connect(&progress, &QTimer::timeout, [&] {
        std::fprintf(stderr, "zrsoak: %llds: refresh %d, write %d, page %d, flash runs %d\n",
                     static_cast<long long>(wall.elapsed() / 1000), tally.count(QStringLiteral("refresh")),
                     tally.count(QStringLiteral("write")), tally.count(QStringLiteral("page")),
                     tally.count(QStringLiteral("flash")));
    });
    progress.start();
    QTimer::singleShot(0, &loop, [&] { startNext(); });
    loop.exec();

    std::printf("%s", tally.table().toUtf8().constData());
    for (PhaseRun *run : qAsConst(runs))
        std::printf("phase %-8s %7.1f s, %d operations\n", qPrintable(run->phase), run->ms / 1000.0, run->records);
    for (const QString &kind : {QStringLiteral("refresh"), QStringLiteral("write"), QStringLiteral("page")}) {
        const QString phase = kind == QLatin1String("page") ? QStringLiteral("flash") : kind;
        if (phases.contains(phase) && tally.count(kind) < o.rounds)
            std::printf("SHORT: only %d %s operations of %d\n", tally.count(kind), qPrintable(kind), o.rounds);
    }
    const bool failed = tally.failures() > 0;
    std::printf("%s: %d failing outcome(s); wall time %.1f s\n", failed ? "FAILED" : "PASSED", tally.failures(),
                wall.elapsed() / 1000.0);
    qDeleteAll(runs);
    return failed ? 1 : 0;
}
