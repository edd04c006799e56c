#include "MidiFileReader.h"

#include "WholeFile.h"

#include <smf.h>

namespace {
// A Standard MIDI File of a long song is a few hundred kilobytes.
constexpr std::size_t kLargestMidiFile = std::size_t{16} << 20;
} // namespace

bool readMidiFile(const std::string& path, std::vector<HostSession::TimedEvent>& events, std::string& error)
{
    std::vector<unsigned char> bytes;
    if (!wholefile::read(path, kLargestMidiFile, bytes, error))
        return false;
    smf_t* smf = bytes.empty() ? nullptr : smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size()));
    if (smf == nullptr) {
        error = path + " is not a Standard MIDI File (empty or damaged)";
        return false;
    }
    while (smf_event_t* event = smf_get_next_event(smf)) {
        if (smf_event_is_metadata(event) || event->midi_buffer_length < 2)
            continue;
        const unsigned char status = event->midi_buffer[0];
        if (status < 0x80 || status >= 0xF0)
            continue;
        HostSession::TimedEvent timed{};
        timed.seconds = event->time_seconds;
        timed.isParameter = false;
        for (int i = 0; i < 3 && i < event->midi_buffer_length; ++i)
            timed.midi[i] = event->midi_buffer[i];
        events.push_back(timed);
    }
    smf_delete(smf);
    return true;
}
