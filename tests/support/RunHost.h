#pragma once
// Runs the command-line host with arguments; answers what it printed (both
// streams) and sets status to its exit status.

#include <cstdio>
#include <string>

namespace testhost {

inline std::string runHost(const std::string& arguments, int& status)
{
    const std::string command = std::string(ZINTRA_HOST_PATH) + " " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    status = pclose(pipe);
    return output;
}

} // namespace testhost
