#include "CWindowClass.h"

#include "platform/GuiPlatform.h"

#include <atomic>

namespace {
// Held only by user-interface threads around the count and the system call;
// a second thread waits in 1 ms sleeps. (The MinGW build without POSIX
// threads has no std::mutex.)
std::atomic_flag s_busy = ATOMIC_FLAG_INIT;
int s_users = 0;

class ClassGuard {
public:
    ClassGuard()
    {
        while (s_busy.test_and_set(std::memory_order_acquire))
            guiplatform::sleepMilliseconds(1);
    }
    ~ClassGuard() { s_busy.clear(std::memory_order_release); }
    ClassGuard(const ClassGuard&) = delete;
    ClassGuard& operator=(const ClassGuard&) = delete;
};
} // namespace

bool CWindowClass::acquire()
{
    ClassGuard guard;
    if (s_users == 0 && !guiplatform::registerWindowClass())
        return false;
    ++s_users;
    return true;
}

void CWindowClass::release()
{
    ClassGuard guard;
    if (s_users > 0 && --s_users == 0)
        guiplatform::unregisterWindowClass();
}

int CWindowClass::users()
{
    ClassGuard guard;
    return s_users;
}
