#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

class QSocketNotifier;

// stdout and stderr as UTF-8 whatever the locale, LF line ends, flushed at
// once so that a script sees each line as it happens.
// False once stdout is gone (a closed pipe: `| head`).
bool writeOut(const QString &text);
bool writeOutBytes(const QByteArray &bytes);
// The status a run ends with once stdout failed (a full disk, /dev/full):
// the message on stderr and ExitFailed. A closed pipe ends quietly.
int withStdoutChecked(int status);
// A reader that went away must not kill the process with SIGPIPE: a monitor
// run still has to switch the instrument's debug output off.
void ignoreBrokenPipe();
void writeErr(const QString &text);
bool stderrIsTerminal();

// A progress line on stderr, drawn only when stderr is a terminal so that
// logs and pipes get nothing but the messages.
class ProgressDisplay
{
public:
    explicit ProgressDisplay(const QString &label, bool enabled = stderrIsTerminal());
    ~ProgressDisplay();
    void update(int percent);
    // Ends the line if one was drawn.
    void finish();
    bool enabled() const { return m_enabled; }

private:
    QString m_label;
    bool m_enabled = false;
    bool m_drawn = false;
    int m_last = -1;
};

// The settings store pointed at a private copy of ./config.ini, with the
// link options applied there: the user's file is never written.
class PrivateSettings
{
public:
    PrivateSettings() = default;
    ~PrivateSettings();
    PrivateSettings(const PrivateSettings &) = delete;
    PrivateSettings &operator=(const PrivateSettings &) = delete;

    bool setUp(const QVariantMap &overrides, QString *error);
    // Drops the store and the copy.
    void tearDown();
    // Before a hard exit: only the copy goes; a worker may still be reading
    // the store, and nothing needs flushing.
    void removeCopy();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Ctrl-C turned into a signal of the main thread's event loop while a
// command wants to decide what it means; otherwise it ends the process.
// SIGTERM and SIGHUP (a job scheduler's cancel, a closed SSH session) count
// as Ctrl-C: the operation ends after the exchange on the wire.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;
    int count() const { return m_count; }

signals:
    void interrupted(int count);

private slots:
    void slotActivated();

private:
    int m_count = 0;
    QSocketNotifier *m_notifier = nullptr;
};

// The status of a run that an interrupt ended: 128 + the first signal that
// came (130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP).
int interruptedExitStatus();

// A hard exit that still removes the private settings copy.
[[noreturn]] void exitNow(int status);
void registerPrivateSettings(PrivateSettings *settings);

// How a command runs an instrument operation: the operation (a synchronous
// core function) runs on a thread of its own, so that it creates its link
// there, while this thread's event loop turns Ctrl-C into onInterrupt calls
// and ends the run at the deadline. Results reach the command through the
// operation's own callbacks, on the operation's thread.
struct OperationRun {
    std::atomic_bool stop{false};
    int interrupts = 0;
    bool deadlinePassed = false;
};
using InterruptHandler = std::function<void(int count, OperationRun &run)>;
// The default: the first Ctrl-C asks the operation to stop, the second ends
// the process.
void stopOnInterrupt(int count, OperationRun &run);
// Returns what `work` returned.
int runOperation(const std::function<int(OperationRun &run)> &work,
                 const InterruptHandler &onInterrupt = stopOnInterrupt, int deadlineMs = -1,
                 OperationRun *state = nullptr);
