#pragma once
// Banks and program records of the instrument, made and read by an instance
// in the test, for comparing with what the player saves. Apart from the X11
// test, whose names clash with the instrument's.

#include <string>

namespace instrumentbanks {

// A new instrument's bank.
std::string fresh();
// The record of a program of a bank ("" a new instrument's).
std::string programOf(const std::string& bank, int program);
// The recorded melody of a bank (the sequencer's memory, as it saves it).
std::string melodyOf(const std::string& bank);
// The calculator's memory of a bank, as the display writes it.
std::string calculatorMemoryOf(const std::string& bank);
// The bank with another program selected.
std::string selecting(const std::string& bank, int program);
// The bank with a program's record replaced (the current program stays).
std::string withProgram(const std::string& bank, int program, const std::string& record);

} // namespace instrumentbanks
