#include "PrivateXServer.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace x11test {

PrivateXServer::PrivateXServer()
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return;
    const std::string fd = std::to_string(pipeEnds[1]);
    m_pid = fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls here: the test may have other threads.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(pipeEnds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    char number[16] = {};
    std::size_t length = 0;
    while (length + 1 < sizeof number && read(pipeEnds[0], number + length, 1) == 1 && number[length] != '\n')
        ++length;
    close(pipeEnds[0]);
    number[length] = '\0';
    if (length > 0)
        m_display = std::string(":") + number;
    if (!m_display.empty() && !takesConnections())
        m_display.clear();
}

PrivateXServer::~PrivateXServer()
{
    kill();
}

void PrivateXServer::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}

// Xvfb gives its number a moment before it takes connections: waits up to
// five seconds for one.
bool PrivateXServer::takesConnections() const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Display* display = XOpenDisplay(m_display.c_str())) {
            XCloseDisplay(display);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace x11test
