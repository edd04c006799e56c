#pragma once

#include <cstddef>
#include <cstring>

// Copies text into a fixed-size field, cut to fit and always terminated.
inline void copyText(char* destination, const char* source, std::size_t size)
{
    std::strncpy(destination, source, size - 1);
    destination[size - 1] = '\0';
}
