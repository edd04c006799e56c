#pragma once
// What a drag brings, as the window backend reads it from the system.

#include <string>
#include <vector>

class CDropData {
public:
    virtual ~CDropData() = default;
    virtual bool offersText() = 0;
    virtual bool offersFiles() = 0;
    // False when the text cannot be read.
    virtual bool text(std::string& text) = 0;
    // False when the list cannot be read.
    virtual bool fileNames(std::vector<std::string>& names) = 0;
    // The short form of a shortcut's target, resolved without asking the
    // user; false when it cannot be resolved.
    virtual bool resolveShortcut(const std::string& shortcut, std::string& target) = 0;
};
