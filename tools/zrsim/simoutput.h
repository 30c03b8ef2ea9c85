#pragma once

#include <QByteArray>

#include <memory>

class QSocketNotifier;

// stdout/stderr that never stall the simulator: when the reader of a pipe
// falls behind (a test that does not drain it), lines wait in memory
// instead of blocking the event loop, up to a bound.
class SimOutput
{
public:
    explicit SimOutput(int fd);
    ~SimOutput();
    SimOutput(const SimOutput &) = delete;
    SimOutput &operator=(const SimOutput &) = delete;

    void write(const QByteArray &bytes);

private:
    void flush();

    int m_fd;
    bool m_pipe = false;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
