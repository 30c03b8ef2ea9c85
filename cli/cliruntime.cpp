#include "cli/cliruntime.h"
#include "cli/clioptions.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "settings/config.h"
#include "settings/fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMetaObject>
#include <QSettings>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
// The first failure's errno; once stdout failed, nothing more is tried.
std::atomic_int g_stdoutError{0};
}

bool writeOutBytes(const QByteArray &bytes)
{
    if (g_stdoutError != 0)
        return false;
    errno = 0;
    const size_t n = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    if (std::fflush(stdout) == 0 && n == static_cast<size_t>(bytes.size()) && !std::ferror(stdout))
        return true;
    const int error = errno != 0 ? errno : EIO;
    int none = 0;
    g_stdoutError.compare_exchange_strong(none, error);
    return false;
}

int withStdoutChecked(int status)
{
    const int error = g_stdoutError;
    // A reader that closed the pipe (`| head`) has what it wanted.
    if (error == 0 || error == EPIPE || status == ExitUsage || status == ExitInterrupted)
        return status;
    const QString cause = fileErrorCause(error, QString::fromLocal8Bit(std::strerror(error)));
    writeErr(QStringLiteral("zrvu-cli: %1\n").arg(ZrvuCli::tr("无法写入标准输出: %1").arg(cause)));
    return ExitFailed;
}

bool writeOut(const QString &text)
{
    // With --json the objects are all stdout carries.
    if (CliJson::enabled()) {
        CliJson::noteText(text, false);
        return g_stdoutError == 0;
    }
    return writeOutBytes(text.toUtf8());
}

void ignoreBrokenPipe()
{
#ifndef Q_OS_WIN
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

void writeErr(const QString &text)
{
    if (CliJson::enabled())
        CliJson::noteText(text, true);
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr));
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

// ---- progress -------------------------------------------------------------

ProgressDisplay::ProgressDisplay(const QString &label, bool enabled)
    : m_label(label)
    , m_enabled(enabled)
{
}

ProgressDisplay::~ProgressDisplay()
{
    finish();
}

void ProgressDisplay::update(int percent)
{
    if (!m_enabled)
        return;
    percent = qBound(0, percent, 100);
    if (percent == m_last)
        return;
    m_last = percent;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    writeErr(QStringLiteral("\r%1 [%2%3] %4%")
                 .arg(m_label, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char(' ')))
                 .arg(percent, 3));
    m_drawn = true;
}

void ProgressDisplay::finish()
{
    if (m_drawn)
        writeErr(QStringLiteral("\n"));
    m_drawn = false;
    m_last = -1;
}

// ---- private settings copy -------------------------------------------------

namespace {
PrivateSettings *g_privateSettings = nullptr;
// config.ini holds a few dozen keys; anything this large is not one.
constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;
}

void registerPrivateSettings(PrivateSettings *settings)
{
    g_privateSettings = settings;
}

PrivateSettings::~PrivateSettings()
{
    tearDown();
}

bool PrivateSettings::setUp(const QVariantMap &overrides, QString *error)
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("zrvu-cli-XXXXXX")));
    if (!m_dir->isValid()) {
        *error = QStringLiteral("cannot create a temporary folder: %1").arg(m_dir->errorString());
        return false;
    }
    const QString copy = m_dir->filePath(QStringLiteral("config.ini"));
    const QString original = QDir::current().filePath(QStringLiteral("config.ini"));
    // Read and written through the checked helpers: a FIFO or a device as
    // config.ini is refused instead of blocking, and a full temporary folder
    // is named as such instead of passing for an unreadable config.ini.
    const FileReadResult read = readRegularFile(original, kMaxConfigBytes);
    if (read.status != FileReadResult::NotFound) {
        if (!read.ok()) {
            *error = read.detail;
            return false;
        }
        const QString failure = writeWholeFile(copy, read.bytes);
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
    }
    singleton<Config>::destroy();
    setConfigFileName(copy);
    QSettings *settings = configSettings();
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        settings->setValue(it.key(), it.value());
    settings->sync();
    return true;
}

void PrivateSettings::tearDown()
{
    if (!m_dir)
        return;
    singleton<Config>::destroy();
    m_dir.reset();
}

void PrivateSettings::removeCopy()
{
    if (m_dir)
        m_dir->remove();
}

[[noreturn]] void exitNow(int status)
{
    if (status == ExitInterrupted)
        status = interruptedExitStatus();
    // A run cut short still ends with its result.
    if (CliJson::enabled())
        CliJson::finish(status);
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_privateSettings)
        g_privateSettings->removeCopy();
    // Running workers cannot be unwound; leave without destructors.
    std::_Exit(status);
}

// ---- Ctrl-C ------------------------------------------------------------------

namespace {
InterruptWatcher *g_watcher = nullptr;
#ifdef Q_OS_WIN
BOOL WINAPI consoleHandler(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    if (g_watcher)
        QMetaObject::invokeMethod(g_watcher, "slotActivated", Qt::QueuedConnection);
    return TRUE;
}
#else
int g_pipe[2] = {-1, -1};
constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[3];
void onSigint(int signal)
{
    const char byte = static_cast<char>(signal);
    const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
}
int g_firstSignal = 0;
#endif
} // namespace

int interruptedExitStatus()
{
#ifdef Q_OS_WIN
    return ExitInterrupted;
#else
    return g_firstSignal > 0 ? 128 + g_firstSignal : ExitInterrupted;
#endif
}

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
{
    g_watcher = this;
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(consoleHandler, TRUE);
#else
    if (::pipe(g_pipe) == 0) {
        ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
        ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::slotActivated);
        struct sigaction action = {};
        action.sa_handler = onSigint;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < 3; ++i)
            sigaction(kInterruptSignals[i], &action, &g_previous[i]);
    }
#endif
}

InterruptWatcher::~InterruptWatcher()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(consoleHandler, FALSE);
#else
    if (g_pipe[0] >= 0) {
        for (int i = 0; i < 3; ++i)
            sigaction(kInterruptSignals[i], &g_previous[i], nullptr);
        delete m_notifier;
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
#endif
    g_watcher = nullptr;
}

void InterruptWatcher::slotActivated()
{
#ifndef Q_OS_WIN
    char buffer[16];
    ssize_t got;
    QByteArray received;
    while ((got = ::read(g_pipe[0], buffer, sizeof buffer)) > 0)
        received.append(buffer, static_cast<int>(got));
    // Several presses may arrive in one read; each one counts.
    for (const char number : qAsConst(received)) {
        if (g_firstSignal == 0)
            g_firstSignal = static_cast<unsigned char>(number);
        emit interrupted(++m_count);
    }
#else
    emit interrupted(++m_count);
#endif
}

void stopOnInterrupt(int count, OperationRun &run)
{
    if (count >= 2)
        exitNow(ExitInterrupted);
    run.stop = true;
}

int runOperation(const std::function<int(OperationRun &run)> &work, const InterruptHandler &onInterrupt,
                 int deadlineMs, OperationRun *state)
{
    OperationRun local;
    OperationRun &run = state ? *state : local;
    int result = ExitFailed;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = work(run); }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&](int count) {
        run.interrupts = count;
        onInterrupt(count, run);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        run.deadlinePassed = true;
        run.stop = true;
    });
    if (deadlineMs >= 0)
        deadline.start(deadlineMs);
    thread->start();
    loop.exec();
    thread->wait();
    return result;
}
