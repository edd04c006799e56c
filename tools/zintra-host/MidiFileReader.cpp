#include "MidiFileReader.h"

#include "CMidiFile.h"
#include "WholeFile.h"

namespace {
// A Standard MIDI File of a long song is a few hundred kilobytes.
constexpr std::size_t kLargestMidiFile = std::size_t{16} << 20;
} // namespace

bool readMidiFile(const std::string& path, std::vector<HostSession::TimedEvent>& events, std::string& error)
{
    std::vector<unsigned char> bytes;
    if (!wholefile::read(path, kLargestMidiFile, bytes, error))
        return false;
    std::vector<CMidiFile::Event> messages;
    std::string reason;
    if (!CMidiFile::read(bytes.data(), bytes.size(), messages, reason)) {
        error = path + " is not a Standard MIDI File that can be played: " + reason;
        return false;
    }
    events.reserve(events.size() + messages.size());
    for (const CMidiFile::Event& message : messages) {
        HostSession::TimedEvent timed{};
        timed.seconds = message.seconds;
        timed.isParameter = false;
        for (int i = 0; i < 3; ++i)
            timed.midi[i] = message.bytes[i];
        events.push_back(timed);
    }
    return true;
}
