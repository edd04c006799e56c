#pragma once
// An Xvfb of a test's own, on a display number it picks itself, for tests
// that take the X server away under a program. Ready for connections once
// constructed; killed (SIGKILL) by kill() or at destruction, and with the
// process that made it.

#include <sys/types.h>

#include <string>

namespace x11test {

class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or empty if the server did not start or takes no connections.
    const std::string& display() const { return m_display; }
    void kill();

private:
    bool takesConnections() const;

    pid_t m_pid = 0;
    std::string m_display;
};

} // namespace x11test
