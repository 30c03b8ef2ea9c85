#include "tools/zrsim/simoutput.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxPending = 8 * 1024 * 1024;

} // namespace

SimOutput::SimOutput(int fd)
    : m_fd(fd)
{
    struct stat st {};
    // Only a pipe is ours alone; a terminal's flags are shared with the shell.
    if (::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
        m_pipe = true;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
}

SimOutput::~SimOutput()
{
    m_notifier.reset();
    for (int tries = 0; !m_pending.isEmpty() && tries < 10; ++tries) {
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, 100) > 0)
            flush();
    }
}

void SimOutput::write(const QByteArray &bytes)
{
    if (m_pending.size() + bytes.size() > kMaxPending)
        return;
    m_pending.append(bytes);
    flush();
}

void SimOutput::flush()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && m_pipe) {
            if (!m_notifier) {
                m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
                QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { flush(); });
            }
            m_notifier->setEnabled(true);
            return;
        }
        m_pending.clear(); // the reader is gone
        break;
    }
    if (m_notifier)
        m_notifier->setEnabled(false);
}
