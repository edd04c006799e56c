// Feeds arbitrary bytes to the Standard MIDI File reader: it may only answer
// or refuse, never read outside the bytes; what it answers is channel
// messages of their right length at finite times that never go back.
#include "CMidiFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<CMidiFile::Event> events;
    std::string error;
    if (!CMidiFile::read(data, size, events, error)) {
        if (error.empty() || !events.empty())
            std::abort();
        return 0;
    }
    double previous = 0.0;
    for (const CMidiFile::Event& event : events) {
        const std::uint8_t kind = event.bytes[0] & 0xF0;
        const std::uint8_t expected = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        if (!std::isfinite(event.seconds) || event.seconds < previous || event.bytes[0] < 0x80 ||
            event.bytes[0] >= 0xF0 || event.size != expected || event.bytes[1] >= 0x80 || event.bytes[2] >= 0x80 ||
            (expected == 2 && event.bytes[2] != 0))
            std::abort();
        previous = event.seconds;
    }
    return 0;
}
