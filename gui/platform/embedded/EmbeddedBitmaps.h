#pragma once
// Bitmaps linked into the module at build time (Linux and headless builds):
// the build generates the table from the BMP files of a folder, named by id.

#include <cstddef>

struct CEmbeddedBitmap {
    int id;
    const unsigned char* data;
    std::size_t size;
};

// The module's table, sorted by id; defined by the generated source.
const CEmbeddedBitmap* quiboEmbeddedBitmaps(std::size_t& count);
