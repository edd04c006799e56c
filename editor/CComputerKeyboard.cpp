#include "CComputerKeyboard.h"

#include "CCalculator.h"
#include "PanelCodes.h"
#include "VstAbi.h"

namespace {

// The note keys of the two rows, by character; C4 is MIDI note 60.
struct NoteRow {
    char character;
    int note;
};
constexpr NoteRow kNoteRows[] = {
    {'z', 60}, {'s', 61}, {'x', 62}, {'d', 63}, {'c', 64}, {'v', 65}, {'g', 66}, {'b', 67}, {'h', 68}, {'n', 69},
    {'j', 70}, {'m', 71}, {',', 72}, {'l', 73}, {'.', 74}, {';', 75}, {'/', 76}, {'q', 72}, {'2', 73}, {'w', 74},
    {'3', 75}, {'e', 76}, {'r', 77}, {'5', 78}, {'t', 79}, {'6', 80}, {'y', 81}, {'7', 82}, {'u', 83},
};

// The calculator's digits are the panel's white keys from B3 to D5.
constexpr int kDigitKeys[10] = {59, 60, 62, 64, 65, 67, 69, 71, 72, 74};

struct CalculatorRow {
    char character;
    int panelKey;
};
constexpr CalculatorRow kCalculatorRows[] = {
    {'.', CCalculator::KeyPoint},    {',', CCalculator::KeyPoint},    {'+', CCalculator::KeyAdd},
    {'-', CCalculator::KeySubtract}, {'*', CCalculator::KeyMultiply}, {'/', CCalculator::KeyDivide},
    {'=', CCalculator::KeyEquals},   {'%', CCalculator::KeyPercent},
};

int lowerCase(int character)
{
    return character >= 'A' && character <= 'Z' ? character - 'A' + 'a' : character;
}

} // namespace

bool CComputerKeyboard::leftToHost(const CKeyCode& key)
{
    const int shortcuts = MODIFIER_CONTROL | MODIFIER_ALTERNATE | MODIFIER_COMMAND;
    return key.virt == VKEY_SPACE || key.character == ' ' || (key.modifier & shortcuts) != 0;
}

int CComputerKeyboard::notePlayed(int character)
{
    for (const NoteRow& row : kNoteRows)
        if (row.character == lowerCase(character))
            return row.note;
    return kNone;
}

int CComputerKeyboard::calculatorKey(const CKeyCode& key)
{
    switch (key.virt) {
    case VKEY_RETURN:
        return CCalculator::KeyEquals;
    case VKEY_BACK:
        return CCalculator::KeyClearEntry;
    case VKEY_ESCAPE:
        return CCalculator::KeyAllClear;
    default:
        break;
    }
    if (key.virt != 0)
        return kNone;
    if (key.character >= '0' && key.character <= '9')
        return kDigitKeys[key.character - '0'];
    for (const CalculatorRow& row : kCalculatorRows)
        if (row.character == key.character)
            return row.panelKey;
    return kNone;
}

int CComputerKeyboard::panelKey(const CKeyCode& key, int mode)
{
    if (leftToHost(key))
        return kNone;
    if (mode == kModePlay || mode == kModeRec)
        return key.virt == 0 ? notePlayed(key.character) : kNone;
    if (mode == kModeCal)
        return calculatorKey(key);
    return kNone;
}

int CComputerKeyboard::find(const CKeyCode& key) const
{
    for (int slot = 0; slot < m_heldCount; ++slot)
        if (m_held[slot].character == lowerCase(key.character) && m_held[slot].virt == key.virt)
            return slot;
    return -1;
}

void CComputerKeyboard::forget(int slot)
{
    m_held[slot] = m_held[--m_heldCount];
}

int CComputerKeyboard::press(const CKeyCode& key, int mode)
{
    if (find(key) >= 0)
        return kHeld;
    const int code = panelKey(key, mode);
    if (code == kNone || m_heldCount == kMaxHeld)
        return code == kNone ? kNone : kHeld;
    m_held[m_heldCount++] = {lowerCase(key.character), key.virt, code};
    return code;
}

int CComputerKeyboard::release(const CKeyCode& key)
{
    const int slot = find(key);
    if (slot < 0)
        return kNone;
    const int code = m_held[slot].panelKey;
    forget(slot);
    return code;
}

int CComputerKeyboard::releaseAny()
{
    if (m_heldCount == 0)
        return kNone;
    const int code = m_held[m_heldCount - 1].panelKey;
    forget(m_heldCount - 1);
    return code;
}
