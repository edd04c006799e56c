#pragma once

#include "CalcNumber.h"

#include <cstdint>

// The eight-digit pocket calculator worked by the panel keys in Cal mode.
// Numbers are kept as display texts and converted to double only to compute.
class CCalculator {
public:
    static constexpr int kRecordSize = 444;

    enum KeyCode {
        KeySign = 55,
        KeyPoint = 57,
        KeyDivide = 76,
        KeyMultiply = 77,
        KeySubtract = 79,
        KeyAdd = 81,
        KeyEquals = 83,
        KeyAllClear = 84,
        KeyClearEntry = 85,
        KeySquareRoot = 86,
        KeyPercent = 87,
        KeyMemoryClear = 89,
        KeyMemoryRecall = 90,
        KeyMemoryMinus = 91,
        KeyMemoryPlus = 92,
    };

    CCalculator();

    // Processes one key code and answers the number text to display.
    const char* key(int keyCode);
    void clear(bool full, bool keepIfError);
    // True when the memory register holds a number other than zero.
    bool memoryNonZero() const;

    // Read access for the display and the user-sound loader.
    // The operand while it is being typed, else the first operand or result.
    const char* displayText() const;
    // The constant operator while the constant is on, else the pending one.
    char displayOperator() const { return m_constOn ? m_constOp : m_op; }
    bool error() const { return m_error != 0; }
    bool constantOn() const { return m_constOn != 0; }
    const char* memoryText() const { return m_memory.text(); }
    const CalcNumber& memory() const { return m_memory; }
    // Where an entry stands; saved in the chunk as its number.
    enum EntryState {
        kFirstOperand = 0, // entering the first operand or showing a result
        kOperatorPressed = 1,
        kSecondOperand = 2,
        kAfterPercent = 3,
    };
    int state() const { return m_state; }

    // The 444-byte chunk record: five 84-byte registers, three operator
    // bytes, a zero byte, five int32 state words, little-endian.
    void saveRecord(unsigned char* dest) const;
    void loadRecord(const unsigned char* src);

private:
    static int digitOfKey(int keyCode);
    const char* enterCharacter(char c);
    const char* operatorKey(char c);
    const char* evaluate(bool clearConstant, bool percent);
    double combine(char o, double a, double b, bool percent);
    double checkOverflow(double r);
    const char* percentKey();
    const char* squareRootKey();
    const char* signKey();
    const char* clearEntryKey();
    const char* memoryRecallKey();
    const char* memoryAddKey(double sign);

    CalcNumber m_entry;
    CalcNumber m_operand;
    CalcNumber m_constant;
    CalcNumber m_memory;
    CalcNumber m_percentBase;
    char m_op = 0;
    char m_constOp = 0;
    char m_percentOp = 0;
    int32_t m_state = 0;
    int32_t m_constOn = 0;
    int32_t m_error = 0;
    int32_t m_resultShown = 0;
    int32_t m_trimPending = 0;
};
