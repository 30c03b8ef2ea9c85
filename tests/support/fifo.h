#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A FIFO where the program expects a file. Code that opens it blindly
// blocks until a writer comes; after `releaseMs` this opens the write end
// once and closes it again, so such code reads an empty file instead of
// hanging the suite, and the test can fail on the time it took.
class FifoFile
{
public:
    // Long enough that a reader released by it is told from one that never blocked.
    static constexpr int kReleaseMs = 20000;
    explicit FifoFile(const QString &path, int releaseMs = kReleaseMs)
        : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        if (m_made)
            m_thread = std::thread([this, releaseMs] { release(releaseMs); });
    }
    ~FifoFile()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    FifoFile(const FifoFile &) = delete;
    FifoFile &operator=(const FifoFile &) = delete;

    bool made() const { return m_made; }
    // Still a FIFO: nothing renamed a file over it.
    bool intact() const
    {
        struct stat st = {};
        return ::lstat(m_path.constData(), &st) == 0 && S_ISFIFO(st.st_mode);
    }

private:
    void release(int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        if (m_wake.wait_until(lock, until, [this] { return m_done; }))
            return;
        // Keep offering a writer until a blocked reader took it (ENXIO
        // means no reader yet) or the test ended.
        while (!m_done) {
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_done; });
        }
    }

    QByteArray m_path;
    bool m_made = false;
    bool m_done = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};
