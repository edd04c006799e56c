#include "MidiFileReader.h"

#include <smf.h>

bool readMidiFile(const std::string& path, std::vector<HostSession::TimedEvent>& events, std::string& error)
{
    smf_t* smf = smf_load(path.c_str());
    if (smf == nullptr) {
        error = "cannot read MIDI file " + path;
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
