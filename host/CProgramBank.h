#pragma once

#include "PanelCodes.h"
#include "ProgramRecord.h"

class CCalculator;

// The six program records: the five built-in sounds and "ADSR", whose sound
// comes from the calculator memory's digits. Guarded by the panel lock.
class CProgramBank {
public:
    CProgramBank();

    // Names and sounds from the built-in table.
    void fillBuiltIn();
    // Program 5's eight values from the last eight digits of the calculator
    // memory, read back from the last digit: 0.1 per unit.
    void rebuildUserProgram(const CCalculator& calculator);

    ProgramRecord& operator[](int program) { return m_records[program]; }
    const ProgramRecord& operator[](int program) const { return m_records[program]; }
    ProgramRecord* begin() { return m_records; }
    ProgramRecord* end() { return m_records + kNumPrograms; }
    const ProgramRecord* begin() const { return m_records; }
    const ProgramRecord* end() const { return m_records + kNumPrograms; }

    // The built-in name of a program, also when the record was renamed.
    static const char* builtInName(int program);
    // A sound parameter's value in a built-in program (0 for any other index).
    static float builtInValue(int program, int index);

private:
    ProgramRecord m_records[kNumPrograms];
};
