#pragma once

#include <atomic>

// A lock for critical sections of a few hundred instructions shared between
// the audio thread and another thread. Neither side ever holds it across a
// call that can block, so waiting on it is bounded and short.
class SpinLock {
public:
    void lock() noexcept
    {
        while (m_flag.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() noexcept { m_flag.clear(std::memory_order_release); }

private:
    std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

// Holds a SpinLock for the lifetime of the guard.
class SpinLockGuard {
public:
    explicit SpinLockGuard(SpinLock& lock) noexcept : m_lock(lock) { m_lock.lock(); }
    ~SpinLockGuard() { m_lock.unlock(); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

private:
    SpinLock& m_lock;
};
