#pragma once

#include <atomic>
#include <mutex>

// Serialises the panel's state (key dispatcher flags, sequencer, calculator,
// display content, programs, tempo-clock switches) between the audio thread
// and the host's or the editor's threads.
//
// The audio thread only ever tries the lock and defers its panel work when
// another thread holds it; other threads may wait for it, and the audio thread
// never waits for anything while holding it. A wait by the thread registered
// as the audio thread is counted, so tests can prove there is none.
class CPanelLock {
public:
    // Waits for the lock (any thread but the audio thread, which never should).
    void lock();
    bool try_lock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }

    // Registers the calling thread as this instance's audio thread.
    void markAudioThread();
    bool onAudioThread() const;

    // Waits by registered audio threads on any instance, since the process started.
    static int audioThreadWaits();

private:
    std::mutex m_mutex;
    std::atomic<unsigned long long> m_audioThread{0};
};
