// Compiled into every executable of a -DZRVU_TSAN=ON build, nowhere else.
//
// Debian's Qt is not instrumented and its QMutex is a bare futex, so
// ThreadSanitizer never sees that a QThread's run() is over when its owner
// returns from wait() (the thread is detached, there is no join): every
// member a worker wrote and its owner reads afterwards is reported. These
// definitions stand in for Qt's own (an executable's symbols are found
// before a library's, for calls from Qt's libraries too) and state the
// order Qt guarantees: finished() is emitted on the worker after run()
// returned, and wait() returning true or isFinished() being true come
// after that emission. Nothing else is declared ordered.
#include <QDeadlineTimer>
#include <QThread>
#include <QVariant>

#include <dlfcn.h>

extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);

namespace {

template<typename Fn>
Fn real(const char *mangled)
{
    void *fn = dlsym(RTLD_NEXT, mangled);
    if (!fn)
        qFatal("tsan_qthread: %s not found in Qt", mangled);
    return reinterpret_cast<Fn>(fn);
}

const char *const kMarked = "_zr_tsan_finished_release";

} // namespace

void QThread::start(QThread::Priority priority)
{
    static const auto fn = real<void (*)(QThread *, QThread::Priority)>("_ZN7QThread5startENS_8PriorityE");
    if (!property(kMarked).isValid()) {
        setProperty(kMarked, true);
        QThread *self = this;
        connect(this, &QThread::finished, this, [self] { __tsan_release(self); }, Qt::DirectConnection);
    }
    fn(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    static const auto fn = real<bool (*)(QThread *, QDeadlineTimer)>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool done = fn(this, deadline);
    if (done)
        __tsan_acquire(this);
    return done;
}

bool QThread::wait(unsigned long time)
{
    static const auto fn = real<bool (*)(QThread *, unsigned long)>("_ZN7QThread4waitEm");
    const bool done = fn(this, time);
    if (done)
        __tsan_acquire(this);
    return done;
}

bool QThread::isFinished() const
{
    static const auto fn = real<bool (*)(const QThread *)>("_ZNK7QThread10isFinishedEv");
    const bool done = fn(this);
    if (done)
        __tsan_acquire(const_cast<QThread *>(this));
    return done;
}

bool QThread::isRunning() const
{
    static const auto fn = real<bool (*)(const QThread *)>("_ZNK7QThread9isRunningEv");
    const bool running = fn(this);
    if (!running)
        __tsan_acquire(const_cast<QThread *>(this));
    return running;
}
