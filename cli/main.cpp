#include "cli/clioptions.h"
#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "link/traffic.h"
#include "settings/appfolders.h"
#include "settings/config.h"
#include "settings/settingkeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTranslator>
#ifdef ZRVU_CLI_HAVE_CHART
#include <QApplication>
#endif

#include <memory>

namespace {

// The PDF writer needs the GUI module; without a display it draws offscreen.
bool needsGui(const CliOptions &options)
{
    return options.command == QLatin1String("history") && !options.pdfFile.isEmpty();
}

std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv, bool gui, bool chart)
{
#ifdef ZRVU_CLI_HAVE_CHART
    // The chart is a widget; it is drawn into a file, never on a screen.
    if (chart) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }
#else
    Q_UNUSED(chart)
#endif
    if (!gui)
        return std::make_unique<QCoreApplication>(argc, argv);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    ignoreBrokenPipe();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    CliOptions options;
    QString error;
    if (!parseCliOptions(arguments, &options, &error))
        return usageError(error);
    if (options.help) {
        writeOut(cliUsage());
        return ExitOk;
    }
    if (options.version) {
        writeOut(QStringLiteral("zrvu-cli " ZRVU_VERSION "\n"));
        return ExitOk;
    }
    const CliCommand command = findCliCommand(options.command)->handler;
    if (!command) {
        writeErr(QStringLiteral("zrvu-cli: %1 is not available in this build\n").arg(options.command));
        return ExitFailed;
    }

    auto app = createApplication(argc, argv, needsGui(options),
                                 options.command == QLatin1String("history") && !options.chartFile.isEmpty());
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

    TrafficTraceWriter trace;
    if (!options.traceFile.isEmpty()) {
        if (!trace.open(options.traceFile, &error))
            return failWith(QStringLiteral("--trace %1: %2").arg(options.traceFile, error));
        setDefaultTrafficObserver(&trace);
    }
    const int status = options.targetsFile.isEmpty() ? command(options) : runTargets(options);
    setDefaultTrafficObserver(nullptr);
    QCoreApplication::removeTranslator(&translator);
    settings.tearDown();
    registerPrivateSettings(nullptr);
    return status;
}
