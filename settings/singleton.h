#pragma once

#include "settings/atom_lock.h"

#include <atomic>

// Process-wide instance of T, created on first use (test, lock, test again)
// and destroyed explicitly. create() is specialised per type.
template<typename T>
class singleton : public T
{
public:
    static T *instance()
    {
        T *p = s_instance.load(std::memory_order_acquire);
        if (p)
            return p;
        configLock().lock();
        struct Unlock { ~Unlock() { configLock().unlock(); } } unlockOnExit;
        p = s_instance.load(std::memory_order_relaxed);
        if (!p) {
            p = create();
            s_instance.store(p, std::memory_order_release);
        }
        return p;
    }

    static void destroy()
    {
        configLock().lock();
        T *p = s_instance.exchange(nullptr, std::memory_order_acq_rel);
        delete p;
        configLock().unlock();
    }

    static bool exists() { return s_instance.load(std::memory_order_acquire) != nullptr; }

private:
    static T *create();
    static std::atomic<T *> s_instance;
};

template<typename T>
std::atomic<T *> singleton<T>::s_instance{nullptr};
