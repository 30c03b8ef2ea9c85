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
// after that emission.
//
// The same blindness hides the post-event lock that carries a queued signal
// from the emitting thread to the main thread: the worker's arguments and
// everything it wrote before the emission look unordered against the slot.
// Our signals are emitted through QMetaObject::activate (called from our
// moc code, so it can be taken over here); each emission releases, and the
// main thread acquires before it delivers a queued call. That stands for
// the lock Qt takes on both sides (slightly more: an emission without a
// queued receiver takes no lock in Qt).
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
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

// Stands for the main thread's post-event lock.
char g_mainPostLock;

class QueuedCallAcquire : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall)
            __tsan_acquire(&g_mainPostLock);
        return false;
    }
};

void installQueuedCallAcquire()
{
    // Application filters see every event for objects of the main thread.
    QCoreApplication::instance()->installEventFilter(new QueuedCallAcquire(QCoreApplication::instance()));
}
Q_COREAPP_STARTUP_FUNCTION(installQueuedCallAcquire)

} // namespace

void QMetaObject::activate(QObject *sender, const QMetaObject *m, int localSignalIndex, void **argv)
{
    static const auto fn = real<void (*)(QObject *, const QMetaObject *, int, void **)>(
        "_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    __tsan_release(&g_mainPostLock);
    fn(sender, m, localSignalIndex, argv);
}

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
