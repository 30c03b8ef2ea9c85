#include "settings/atom_lock.h"

#include <thread>

atom_lock::~atom_lock() = default;

void atom_lock::lock()
{
    while (m_state.exchange(1, std::memory_order_acquire) == 1)
        std::this_thread::yield();
}

void atom_lock::unlock()
{
    m_state.exchange(0, std::memory_order_release);
}

bool atom_lock::try_lock()
{
    return m_state.exchange(1, std::memory_order_acquire) == 0;
}

atom_lock &configLock()
{
    static atom_lock lock;
    return lock;
}
