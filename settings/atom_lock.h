#pragma once

#include <atomic>

// A yielding spin lock; it only guards creation and destruction of the
// settings store, which happen a handful of times per process.
class atom_lock
{
public:
    atom_lock() = default;
    atom_lock(const atom_lock &) = delete;
    atom_lock &operator=(const atom_lock &) = delete;
    virtual ~atom_lock();

    virtual void lock();
    virtual void unlock();
    virtual bool try_lock();

private:
    std::atomic<unsigned char> m_state{0};
};

// The one lock around singleton<Config> creation and destruction.
atom_lock &configLock();
