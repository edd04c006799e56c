#include "CDisplayModel.h"

#include "ByteOrder.h"
#include "CPanelHost.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kLastCell = LcdContent::kCells - 1;
constexpr int kFirstShownNote = 55;
constexpr int kLastShownNote = 83;
constexpr int kBlinkPeriod = 32;

// Mark places.
constexpr int kMarkError = 0;
constexpr int kMarkMemory = 2;
constexpr int kMarkConstant = 3;
constexpr int kMarkDivide = 4;
constexpr int kMarkMultiply = 6;
constexpr int kMarkSubtract = 7;
constexpr int kMarkAdd = 8;

// Offsets of the saved state.
constexpr int kOffMode = 0;
constexpr int kOffOperatorKind = 4;
constexpr int kOffPointPosition = 8;
constexpr int kOffDotMask = 12;
constexpr int kOffConstant = 16;
constexpr int kOffMemory = 20;
constexpr int kOffSign = 24;
constexpr int kOffMarks = 28;
constexpr int kOffCells = kOffMarks + LcdContent::kMarks;
constexpr int kOffFresh = 48;
constexpr int kOffBlink = 52;
static_assert(kOffCells + LcdContent::kCells + 1 == kOffFresh, "one padding byte after the cells");
static_assert(kOffBlink + 4 == CDisplayModel::kStateSize, "the display state is 56 bytes");

// Scale degree shown for each pitch class, and whether it carries a sharp.
constexpr char kDegrees[12] = {'1', '1', '2', '2', '3', '4', '4', '5', '5', '6', '6', '7'};
constexpr bool kSharps[12] = {false, true, false, true, false, false, true, false, true, false, true, false};

// The sharp mark place that belongs to a note place.
int sharpPlaceOfCell(int cell)
{
    if (cell >= 7)
        return 9;
    if (cell >= 4)
        return 5;
    if (cell >= 1)
        return 1;
    return -1;
}

} // namespace

CDisplayModel::CDisplayModel()
{
    clearContent();
    m_fresh = 1;
    publish(false);
}

int CDisplayModel::modeFromValue(float modeValue)
{
    if (modeValue < 0.33333334f)
        return kModePlay;
    if (modeValue < 0.6666667f)
        return kModeRec;
    if (modeValue < 1.0f)
        return kModeCal;
    return kModeOff;
}

void CDisplayModel::attachView(CDisplayCells* view)
{
    m_view = view;
    m_renderedSequence = m_published.sequence() - 2;
    refreshView();
}

void CDisplayModel::detachView()
{
    m_view = nullptr;
}

bool CDisplayModel::refreshView()
{
    if (m_view == nullptr || !m_view->isReady())
        return false;
    const uint32_t sequence = m_published.sequence();
    if (sequence == m_renderedSequence)
        return false;
    CLcdSnapshot::Content published;
    if (!m_published.read(published))
        return false;
    m_renderedSequence = sequence;
    m_view->render(shownContent(published));
    return true;
}

LcdContent CDisplayModel::publishedContent() const
{
    CLcdSnapshot::Content published{};
    m_published.read(published);
    return shownContent(published);
}

// In Cal a number always shows a point, after the last cell by default.
LcdContent CDisplayModel::shownContent(const CLcdSnapshot::Content& published)
{
    LcdContent content = published.lcd;
    if (published.mode == kModeCal && content.dotMask == 0 && !published.reset)
        content.dotMask = 1;
    return content;
}

void CDisplayModel::publish(bool reset)
{
    CLcdSnapshot::Content content;
    content.lcd = this->content();
    content.mode = m_displayMode;
    content.reset = reset;
    m_published.publish(content);
    if (m_owner != nullptr)
        m_owner->displayPublished();
}

void CDisplayModel::clear()
{
    clearContent();
}

void CDisplayModel::clearContent()
{
    std::memset(m_marks, 0, sizeof m_marks);
    std::memset(m_cells, 0, sizeof m_cells);
    m_dotMask = 0;
    m_pointPosition = 8;
    m_operatorKind = 0;
    m_signFlag = 0;
    m_fresh = 0;
}

void CDisplayModel::flush(bool reset)
{
    if (reset)
        clearContent();
    publish(reset);
}

void CDisplayModel::setMode(float modeValue, bool memoryNonZero)
{
    const float tempo = m_owner != nullptr ? m_owner->tempo() : 0.0f;
    setMode(modeValue, memoryNonZero, tempo);
}

void CDisplayModel::setMode(float modeValue, bool memoryNonZero, float tempo)
{
    const int mode = modeFromValue(modeValue);
    m_displayMode = mode;
    clearContent();
    m_fresh = 1;
    if (mode == kModePlay || mode == kModeRec) {
        writeTempo(tempo);
    } else if (mode == kModeCal) {
        m_memoryFlag = memoryNonZero ? 1 : 0;
        m_constantFlag = 0;
        m_cells[kLastCell] = '0';
        if (memoryNonZero)
            m_marks[kMarkMemory] = 'm';
    }
    flush(mode == kModeOff);
}

void CDisplayModel::showTempo(float tempo)
{
    if (!playOrRec())
        return;
    writeTempo(tempo);
    publish(false);
}

void CDisplayModel::writeTempo(float tempo)
{
    clearContent();
    float magnitude = std::fabs(tempo);
    if (!(magnitude <= 9.0f))
        magnitude = std::isnan(tempo) ? 0.0f : 9.0f;
    m_cells[3] = '[';
    if (tempo < 0.0f)
        m_cells[4] = '-';
    m_cells[5] = static_cast<char>('0' + static_cast<int>(magnitude));
    m_cells[6] = ']';
    m_fresh = 1;
}

void CDisplayModel::showNote(int note)
{
    if (!playOrRec())
        return;
    writeNote(note, kLastCell, true);
    publish(false);
}

void CDisplayModel::showPreviousNote(int note)
{
    if (!playOrRec())
        return;
    scrollRight();
    if (note == 0) {
        m_cells[1] = 0;
        m_cells[2] = 0;
    } else {
        writeNote(note, 2, false);
    }
    publish(false);
}

void CDisplayModel::writeNote(int note, int cell, bool scroll)
{
    if (note < kFirstShownNote || note > kLastShownNote || cell < 0 || cell > kLastCell)
        return;
    const int pitchClass = (note - 60 + 120) % 12;
    char octave = 0;
    if (note < 60)
        octave = '_';
    else if (note >= 72)
        octave = '~';
    if (m_fresh)
        clearContent();
    if (scroll)
        scrollLeft();
    m_cells[cell] = kDegrees[pitchClass];
    if (cell >= 1)
        m_cells[cell - 1] = octave;
    const int sharpPlace = sharpPlaceOfCell(cell);
    if (kSharps[pitchClass] && sharpPlace >= 0)
        m_marks[sharpPlace] = '#';
}

void CDisplayModel::scrollLeft()
{
    m_marks[1] = m_marks[5];
    m_marks[5] = m_marks[9];
    m_marks[9] = 0;
    for (int i = 0; i <= 5; ++i)
        m_cells[i] = m_cells[i + 3];
    m_cells[kLastCell] = 0;
}

void CDisplayModel::scrollRight()
{
    m_marks[9] = m_marks[5];
    m_marks[5] = m_marks[1];
    m_marks[1] = 0;
    for (int i = kLastCell; i >= 3; --i)
        m_cells[i] = m_cells[i - 3];
}

void CDisplayModel::setMemoryFull(bool full)
{
    m_dotMask = full ? 0xFFu : 0u;
    publish(false);
}

void CDisplayModel::showNumber(const char* text, char op, bool error, bool memoryNonZero, bool constantOn)
{
    // Local copy of at most one register's worth of text, its point removed.
    char digits[80];
    int length = 0;
    int point = -1;
    for (int i = 0; text != nullptr && i < 79 && text[i] != '\0'; ++i) {
        if (text[i] == '.' && point < 0)
            point = length;
        else
            digits[length++] = text[i];
    }
    clearContent();
    if (length > 0 || point >= 0) {
        const int afterPoint = length - point;
        if (point <= 0)
            m_dotMask = 1;
        else
            m_dotMask = afterPoint <= 7 ? (1u << afterPoint) : 0u;
        // Right-aligned; a text longer than the cells shows its last nine.
        const int first = length > LcdContent::kCells ? length - LcdContent::kCells : 0;
        for (int i = first; i < length; ++i)
            m_cells[kLastCell - (length - 1 - i)] = digits[i];
    }
    m_marks[kMarkDivide] = op == '/' ? ':' : 0;
    m_marks[kMarkMultiply] = op == '*' ? 'x' : 0;
    m_marks[kMarkSubtract] = op == '-' ? 's' : 0;
    m_marks[kMarkAdd] = op == '+' ? '+' : 0;
    m_marks[kMarkError] = error ? 'e' : 0;
    m_marks[kMarkMemory] = memoryNonZero ? 'm' : 0;
    m_marks[kMarkConstant] = constantOn ? 'k' : 0;
    publish(false);
}

void CDisplayModel::tick()
{
    ++m_blinkCounter;
    if (m_blinkCounter >= kBlinkPeriod)
        m_blinkCounter = 0;
    if (!playOrRec())
        return;
    const char mark = (m_blinkCounter >= 1 && m_blinkCounter <= 15) ? 0 : '-';
    // Published when it changes (twice a cycle), for the editor's idle to
    // show; the copy neither waits nor allocates.
    if (m_cells[0] != mark) {
        m_cells[0] = mark;
        publish(false);
    }
}

LcdContent CDisplayModel::content() const
{
    LcdContent content;
    std::memcpy(content.cells, m_cells, sizeof content.cells);
    std::memcpy(content.marks, m_marks, sizeof content.marks);
    content.dotMask = static_cast<uint8_t>(m_dotMask & 0xFFu);
    return content;
}

int CDisplayModel::displayMode() const
{
    return m_displayMode;
}

int CDisplayModel::blinkCounter() const
{
    return m_blinkCounter;
}

void CDisplayModel::saveState(unsigned char* dest) const
{
    std::memset(dest, 0, kStateSize);
    byteorder::putInt32(dest + kOffMode, m_displayMode);
    byteorder::putInt32(dest + kOffOperatorKind, m_operatorKind);
    byteorder::putInt32(dest + kOffPointPosition, m_pointPosition);
    dest[kOffDotMask] = static_cast<unsigned char>(m_dotMask & 0xFFu);
    byteorder::putInt32(dest + kOffConstant, m_constantFlag);
    byteorder::putInt32(dest + kOffMemory, m_memoryFlag);
    byteorder::putInt32(dest + kOffSign, m_signFlag);
    std::memcpy(dest + kOffMarks, m_marks, sizeof m_marks);
    std::memcpy(dest + kOffCells, m_cells, sizeof m_cells);
    byteorder::putInt32(dest + kOffFresh, m_fresh);
    byteorder::putInt32(dest + kOffBlink, m_blinkCounter);
}

void CDisplayModel::loadState(const unsigned char* src)
{
    // A foreign chunk may hold anything: a mode outside 0..3 becomes Off
    // and a blink counter outside its cycle restarts it.
    const int32_t mode = byteorder::getInt32(src + kOffMode);
    m_displayMode = (mode >= kModePlay && mode <= kModeOff) ? mode : kModeOff;
    m_operatorKind = byteorder::getInt32(src + kOffOperatorKind);
    m_pointPosition = byteorder::getInt32(src + kOffPointPosition);
    m_dotMask = src[kOffDotMask];
    m_constantFlag = byteorder::getInt32(src + kOffConstant);
    m_memoryFlag = byteorder::getInt32(src + kOffMemory);
    m_signFlag = byteorder::getInt32(src + kOffSign);
    std::memcpy(m_marks, src + kOffMarks, sizeof m_marks);
    std::memcpy(m_cells, src + kOffCells, sizeof m_cells);
    m_fresh = byteorder::getInt32(src + kOffFresh) != 0 ? 1 : 0;
    const int32_t blink = byteorder::getInt32(src + kOffBlink);
    m_blinkCounter = (blink >= 0 && blink < kBlinkPeriod) ? blink : 0;
    publish(false);
}
