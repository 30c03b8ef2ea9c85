#include "cli/clioptions.h"
#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "settings/appfolders.h"
#include "settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QTranslator>

#include <memory>

QString cliText(const char *context, const char *sourceText)
{
    return QCoreApplication::translate(context, sourceText);
}

int failWith(const QString &text)
{
    writeErr(QStringLiteral("zrvu-cli: ") + text + QLatin1Char('\n'));
    return ExitFailed;
}

namespace {

const QHash<QString, CliCommand> &commandTable()
{
    static const QHash<QString, CliCommand> table{
        {QStringLiteral("package-info"), runPackageInfo},
        {QStringLiteral("flash"), runFlash},
        {QStringLiteral("catalogue"), runCatalogue},
        {QStringLiteral("download"), runDownload},
#ifdef ZRVU_CLI_HAVE_ITEMS
        {QStringLiteral("items"), runItems},
        {QStringLiteral("export"), runExport},
        {QStringLiteral("write"), runWrite},
        {QStringLiteral("set"), runSet},
        {QStringLiteral("trigger"), runTrigger},
        {QStringLiteral("sync-time"), runSyncTime},
        {QStringLiteral("write-sn"), runWriteSn},
#endif
#ifdef ZRVU_CLI_HAVE_HISTORY
        {QStringLiteral("history"), runHistory},
#endif
#ifdef ZRVU_CLI_HAVE_MONITOR
        {QStringLiteral("monitor"), runMonitor},
#endif
#ifdef ZRVU_CLI_HAVE_DISCOVERY
        {QStringLiteral("search"), runSearch},
#endif
    };
    return table;
}

// The PDF writer needs the GUI module; without a display it draws offscreen.
bool needsGui(const CliOptions &options)
{
    return options.command == QLatin1String("history") && !options.pdfFile.isEmpty();
}

std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv, bool gui)
{
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
    if (!parseCliOptions(arguments, &options, &error)) {
        writeErr(QStringLiteral("zrvu-cli: %1\n\n%2").arg(error, cliUsage()));
        return ExitUsage;
    }
    if (options.help) {
        writeOut(cliUsage());
        return ExitOk;
    }
    if (options.version) {
        writeOut(QStringLiteral("zrvu-cli " ZRVU_VERSION "\n"));
        return ExitOk;
    }
    const CliCommand command = commandTable().value(options.command);
    if (!command) {
        writeErr(QStringLiteral("zrvu-cli: %1 is not available in this build\n").arg(options.command));
        return ExitFailed;
    }

    auto app = createApplication(argc, argv, needsGui(options));
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
        : configSettings()->value(QStringLiteral("language/language")).toString();
    QTranslator translator;
    // Like the assistant: the working folder first, then the installed
    // translations; none found leaves the built-in texts.
    if (!language.isEmpty() && loadTranslation(&translator, language, translationDirs()))
        QCoreApplication::installTranslator(&translator);

    const int status = command(options);
    QCoreApplication::removeTranslator(&translator);
    settings.tearDown();
    registerPrivateSettings(nullptr);
    return status;
}
