#include "cli/clioptions.h"
#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "link/traffic.h"
#include "settings/appfolders.h"
#include "settings/config.h"
#include "settings/fileio.h"
#include "settings/settingkeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTranslator>
#ifdef ZRVU_CLI_CHART
#include <QApplication>
#endif

#include <atomic>
#include <memory>

namespace {

// Without a display the GUI module draws offscreen.
std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv, CliNeeds needs)
{
#ifdef ZRVU_CLI_CHART
    // The chart is a widget; it is drawn into a file, never on a screen.
    if (needs == CliNeeds::Widgets) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }
#endif
    if (needs == CliNeeds::Core)
        return std::make_unique<QCoreApplication>(argc, argv);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

// The trace is a record the user asked for: a line that did not reach it
// is said at once, and the run ends with status 1 when the operation in
// progress is over.
class CheckedTrace : public TrafficTraceWriter
{
public:
    void record(const TrafficEntry &entry) override
    {
        TrafficTraceWriter::record(entry);
        if (m_told.load())
            return;
        QString system;
        const int osError = failedOsError(&system);
        if (osError == 0 || m_told.exchange(true))
            return;
        writeErr(QStringLiteral("zrvu-cli: --trace: %1\n")
                     .arg(SafeFileWriter::tr("%1: %2 (%3)")
                              .arg(SafeFileWriter::tr("写入文件失败"), QDir::toNativeSeparators(fileName()),
                                   fileErrorCause(osError, system))));
    }
    bool failed() { return failedOsError() != 0; }

private:
    std::atomic_bool m_told{false};
};

// --json must hold for a line that does not parse too: its result still
// has to be an object, naming the command when one was recognised.
void scanForJson(const QStringList &arguments)
{
    bool json = false;
    QString command;
    for (const QString &arg : arguments) {
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--json"))
            json = true;
        else if (command.isEmpty() && findCliCommand(arg))
            command = arg;
    }
    if (!json)
        return;
    CliJson::enable();
    CliJson::setCommand(command);
}

int ended(int status)
{
    return CliJson::enabled() ? CliJson::finish(status) : status;
}

int run(int argc, char *argv[]);

} // namespace

int main(int argc, char *argv[])
{
    return ended(run(argc, argv));
}

namespace {

int run(int argc, char *argv[])
{
    ignoreBrokenPipe();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    scanForJson(arguments);
    CliOptions options;
    QString error;
    if (!parseCliOptions(arguments, &options, &error))
        return usageError(error);
    if (options.help) {
        if (CliJson::enabled())
            CliJson::record(QStringLiteral("help"), {{QStringLiteral("text"), cliUsage()}});
        writeOut(cliUsage());
        return withStdoutChecked(ExitOk);
    }
    if (options.version) {
        if (CliJson::enabled())
            CliJson::record(QStringLiteral("version"), {{QStringLiteral("version"), QStringLiteral(ZRVU_VERSION)}});
        writeOut(QStringLiteral("zrvu-cli " ZRVU_VERSION "\n"));
        return withStdoutChecked(ExitOk);
    }
    CliJson::setCommand(options.command);
    const CliCommand command = findCliCommand(options.command)->handler;

    auto app = createApplication(argc, argv, options.needs);
    QCoreApplication::setApplicationName(QStringLiteral("zrvu-cli"));
    // Before the private copy is taken of ./config.ini.
    if (!enterWorkingDir(&error))
        writeErr(QStringLiteral("zrvu-cli: %1; working in %2\n").arg(error, QDir::toNativeSeparators(QDir::currentPath())));

    PrivateSettings settings;
    registerPrivateSettings(&settings);
    if (!settings.setUp(options.linkOverrides, &error))
        return failWith(error);

    const QString language = options.language
        ? *options.language
        : SettingKeys::language.read();
    QTranslator translator;
    // Like the assistant: the working folder first, then the installed
    // translations; none found leaves the built-in texts.
    if (!language.isEmpty() && loadTranslation(&translator, language, translationDirs()))
        QCoreApplication::installTranslator(&translator);

    CheckedTrace trace;
    if (!options.traceFile.isEmpty()) {
        if (!trace.open(options.traceFile, &error))
            return failWith(QStringLiteral("--trace %1: %2").arg(options.traceFile, error));
        setDefaultTrafficObserver(&trace);
    }
    int status = withStdoutChecked(options.targetsFile.isEmpty() ? command(options) : runTargets(options));
    if (status == ExitInterrupted)
        status = interruptedExitStatus();
    setDefaultTrafficObserver(nullptr);
    if (trace.failed() && status != ExitUsage && status != ExitFailed && status < 128)
        status = ExitFailed;
    QCoreApplication::removeTranslator(&translator);
    settings.tearDown();
    registerPrivateSettings(nullptr);
    return status;
}

} // namespace
