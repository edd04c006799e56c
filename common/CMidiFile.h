#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Standard MIDI Files (formats 0, 1 and 2), read for the channel messages
// they hold and the moment each one sounds. The reader checks every length
// against the bytes it is given, never reads outside them and takes time in
// proportion to their size (a sort of the events aside): a damaged,
// truncated or hostile file is refused with a reason, never half read.
class CMidiFile {
public:
    struct Event {
        double seconds; // from the start of the file
        std::uint8_t bytes[3]; // status and data bytes, unused ones 0
        std::uint8_t size; // 2 or 3
    };

    // Reads data; false with the reason (naming the byte or track at fault)
    // for a file that is not a Standard MIDI File, is truncated or damaged.
    // The events of all tracks come in the order they sound; those at one
    // moment in the order of their tracks, then of the file. Meta events
    // give the tempo map (tempo and time-signature changes, 120 beats per
    // minute until the first); system exclusive and other meta events are
    // skipped.
    static bool read(const std::uint8_t* data, std::size_t size, std::vector<Event>& events, std::string& error);
};
