#pragma once

#include "HostSession.h"

#include <string>
#include <vector>

// Reads the channel messages of a Standard MIDI File as timed events.
// Answers false and fills error when the file cannot be read.
bool readMidiFile(const std::string& path, std::vector<HostSession::TimedEvent>& events, std::string& error);
