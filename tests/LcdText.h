#pragma once
// The display's content as text, for comparing in tests.

#include "CDisplayCells.h"

#include <string>

namespace testhost {

// The nine cells, '.' for a dark cell.
inline std::string cellsOf(const LcdContent& content)
{
    std::string s;
    for (char c : content.cells)
        s += (c == 0 || c == ' ') ? '.' : c;
    return s;
}

// The ten marks, '.' for one that is off.
inline std::string marksOf(const LcdContent& content)
{
    std::string s;
    for (char c : content.marks)
        s += c == 0 ? '.' : c;
    return s;
}

} // namespace testhost
