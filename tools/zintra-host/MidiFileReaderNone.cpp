// Builds without a MIDI file library: the option reports that it is missing.
#include "MidiFileReader.h"

bool readMidiFile(const std::string& path, std::vector<HostSession::TimedEvent>&, std::string& error)
{
    error = "this build cannot read MIDI files (" + path + ")";
    return false;
}
