#include "ByteOrder.h"
#include "CDisplayCells.h"
#include "CDisplayModel.h"
#include "LcdText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Records what the model renders; reading it first runs the editor's idle
// refresh, as the editor would before painting.
class RecordingCells : public CDisplayCells {
public:
    explicit RecordingCells(CDisplayModel* model)
        : m_model(model)
    {
    }
    bool isReady() const override { return true; }
    void render(const LcdContent& content) override
    {
        m_last = content;
        ++m_renders;
    }
    const LcdContent& latest()
    {
        m_model->refreshView();
        return m_last;
    }
    int rendered()
    {
        m_model->refreshView();
        return m_renders;
    }

private:
    CDisplayModel* m_model;
    LcdContent m_last{};
    int m_renders = 0;
};

constexpr float kPlayValue = 0.0f;
constexpr float kRecValue = 0.5f;
constexpr float kCalValue = 0.7f;
constexpr float kOffValue = 1.0f;

using testhost::cellsOf;
using testhost::marksOf;

} // namespace

TEST(DisplayModelTest, TempoViews)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kPlayValue, false, 3.0f);
    EXPECT_EQ(cellsOf(cells.latest()), "...[.3]..");
    model.showTempo(-5.0f);
    EXPECT_EQ(cellsOf(cells.latest()), "...[-5]..");
    model.showTempo(0.0f);
    EXPECT_EQ(cellsOf(cells.latest()), "...[.0]..");
    EXPECT_EQ(cells.latest().dotMask, 0);

    // Outside Play and Rec a tempo changes nothing.
    model.setMode(kCalValue, false, 0.0f);
    model.showTempo(7.0f);
    EXPECT_EQ(cellsOf(model.content()), "........0");
}

TEST(DisplayModelTest, CalculatorNumbers)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kCalValue, true, 0.0f);
    EXPECT_EQ(cellsOf(cells.latest()), "........0");
    EXPECT_EQ(cells.latest().dotMask, 1);
    EXPECT_EQ(model.content().dotMask, 0);
    EXPECT_EQ(marksOf(cells.latest()), "..m.......");

    model.showNumber(" 3.14", 0, false, false, false);
    EXPECT_EQ(cellsOf(cells.latest()), "......314");
    EXPECT_EQ(cells.latest().dotMask, 1 << 2);

    model.showNumber(" 5", '+', false, true, false);
    EXPECT_EQ(cellsOf(cells.latest()), "........5");
    EXPECT_EQ(cells.latest().dotMask, 1);
    EXPECT_EQ(marksOf(cells.latest()), "..m.....+.");

    model.showNumber("-12.5", '/', true, false, true);
    EXPECT_EQ(cellsOf(cells.latest()), ".....-125");
    EXPECT_EQ(cells.latest().dotMask, 1 << 1);
    EXPECT_EQ(marksOf(cells.latest()), "e..k:.....");

    model.showNumber(" 0.0000000", '*', true, false, false);
    EXPECT_EQ(cellsOf(cells.latest()), ".00000000");
    EXPECT_EQ(cells.latest().dotMask, 1 << 7);
    EXPECT_EQ(marksOf(cells.latest()), "e.....x...");

    model.showNumber("-7", '-', false, false, false);
    EXPECT_EQ(marksOf(cells.latest()), ".......s..");
}

TEST(DisplayModelTest, OverlongNumberShowsItsLastNine)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kCalValue, false, 0.0f);
    model.showNumber(" 1234567890.12", 0, false, false, false);
    EXPECT_EQ(cellsOf(cells.latest()), "456789012");
    EXPECT_EQ(cells.latest().dotMask, 1 << 2);
    // A text without a terminator in reach is read no further than 79 characters.
    char unterminated[120];
    std::memset(unterminated, '7', sizeof unterminated);
    unterminated[sizeof unterminated - 1] = '\0';
    model.showNumber(unterminated, 0, false, false, false);
    EXPECT_EQ(cellsOf(cells.latest()), "777777777");
}

TEST(DisplayModelTest, NotesScrollAfterTheTempoView)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kRecValue, false, 4.0f);
    model.showNote(60);
    EXPECT_EQ(cellsOf(cells.latest()), "........1");
    model.showNote(56);
    EXPECT_EQ(cellsOf(cells.latest()), ".....1._5");
    EXPECT_EQ(marksOf(cells.latest()), ".........#");
    model.showNote(73);
    EXPECT_EQ(cellsOf(cells.latest()), "..1._5.~1");
    EXPECT_EQ(marksOf(cells.latest()), ".....#...#");
    // The fourth note scrolls the first one out.
    model.showNote(83);
    EXPECT_EQ(cellsOf(cells.latest()), "._5.~1.~7");
    EXPECT_EQ(marksOf(cells.latest()), ".#...#....");

    // Notes outside the keyboard only flush.
    const int before = cells.rendered();
    model.showNote(40);
    EXPECT_EQ(cells.rendered(), before + 1);
    EXPECT_EQ(cellsOf(cells.latest()), "._5.~1.~7");
}

TEST(DisplayModelTest, PreviousNoteScrollsRight)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kRecValue, false, 4.0f);
    model.showNote(61);
    model.showNote(62);
    model.showNote(64);
    model.showPreviousNote(57);
    EXPECT_EQ(cellsOf(cells.latest()), "._6..1..2");
    EXPECT_EQ(marksOf(cells.latest()), ".....#....");
    model.showPreviousNote(0);
    EXPECT_EQ(cellsOf(cells.latest()), "...._6..1");
}

TEST(DisplayModelTest, OffIsDarkAndIgnoresNotes)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kPlayValue, false, 4.0f);
    model.showNote(65);
    model.setMode(kOffValue, false, 4.0f);
    EXPECT_EQ(cellsOf(cells.latest()), ".........");
    EXPECT_EQ(marksOf(cells.latest()), "..........");
    EXPECT_EQ(cells.latest().dotMask, 0);
    const int before = cells.rendered();
    model.showNote(65);
    model.showPreviousNote(65);
    model.tick();
    EXPECT_EQ(cells.rendered(), before);
    EXPECT_EQ(cellsOf(model.content()), ".........");

    // In Cal a note changes nothing either.
    model.setMode(kCalValue, false, 0.0f);
    model.showNote(65);
    EXPECT_EQ(cellsOf(model.content()), "........0");
}

TEST(DisplayModelTest, MemoryFullLightsAllPoints)
{
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kRecValue, false, 4.0f);
    model.setMemoryFull(true);
    EXPECT_EQ(cells.latest().dotMask, 0xFF);
    model.setMemoryFull(false);
    EXPECT_EQ(cells.latest().dotMask, 0);
}

TEST(DisplayModelTest, BlinkMarkTiming)
{
    // In Play and Rec the view shows the mark at each change, and only the
    // changes are published.
    for (float mode : {kPlayValue, kRecValue}) {
        CDisplayModel model;
        RecordingCells cells(&model);
        model.attachView(&cells);
        model.setMode(mode, false, 4.0f);
        const int renders = cells.rendered();
        std::string pattern;
        for (int i = 1; i <= 64; ++i) {
            model.tick();
            pattern += cells.latest().cells[0] == '-' ? '-' : '.';
        }
        const std::string cycle = std::string(15, '.') + std::string(17, '-');
        EXPECT_EQ(pattern, cycle + cycle) << mode;
        EXPECT_EQ(model.blinkCounter(), 0);
        EXPECT_EQ(cells.rendered() - renders, 3) << "on, off and on again";
        EXPECT_EQ(cellsOf(cells.latest()), "-..[.4]..") << "the tempo view stays";
    }

    // In Cal the counter runs but the cell is left alone and nothing is published.
    CDisplayModel model;
    RecordingCells cells(&model);
    model.attachView(&cells);
    model.setMode(kCalValue, false, 0.0f);
    const int renders = cells.rendered();
    for (int i = 0; i < 20; ++i)
        model.tick();
    EXPECT_EQ(model.blinkCounter(), 20);
    EXPECT_EQ(model.content().cells[0], 0);
    EXPECT_EQ(cells.rendered(), renders);
}

TEST(DisplayModelTest, FlushWithoutViewAndAfterDetach)
{
    CDisplayModel model;
    model.setMode(kCalValue, false, 0.0f);
    model.showNumber(" 42", 0, false, false, false);
    RecordingCells cells(&model);
    // Attaching shows the current content at once.
    model.attachView(&cells);
    EXPECT_EQ(cells.rendered(), 1);
    EXPECT_EQ(cellsOf(cells.latest()), ".......42");
    model.flush(true);
    EXPECT_EQ(cellsOf(cells.latest()), ".........");
    EXPECT_EQ(cells.latest().dotMask, 0);
    model.detachView();
    model.showNumber(" 1", 0, false, false, false);
    EXPECT_EQ(cells.rendered(), 2);
}

TEST(DisplayModelTest, SavedStateLayoutAndRoundTrip)
{
    CDisplayModel model;
    model.setMode(kRecValue, false, 4.0f);
    model.showNote(61);
    model.setMemoryFull(true);
    for (int i = 0; i < 20; ++i)
        model.tick();
    unsigned char state[CDisplayModel::kStateSize];
    std::memset(state, 0xCD, sizeof state);
    model.saveState(state);

    EXPECT_EQ(byteorder::getInt32(state + 0), 1);
    EXPECT_EQ(byteorder::getInt32(state + 8), 8);
    EXPECT_EQ(state[12], 0xFF);
    EXPECT_EQ(state[13], 0);
    EXPECT_EQ(state[28 + 9], '#');
    EXPECT_EQ(state[38 + 8], '1');
    EXPECT_EQ(state[38], '-');
    EXPECT_EQ(state[47], 0);
    EXPECT_EQ(byteorder::getInt32(state + 48), 0);
    EXPECT_EQ(byteorder::getInt32(state + 52), 20);

    CDisplayModel restored;
    RecordingCells cells(&restored);
    restored.attachView(&cells);
    restored.loadState(state);
    EXPECT_EQ(cells.rendered(), 2);
    const LcdContent saved = model.content();
    EXPECT_EQ(cellsOf(cells.latest()), cellsOf(saved));
    EXPECT_EQ(marksOf(cells.latest()), marksOf(saved));
    EXPECT_EQ(cells.latest().dotMask, saved.dotMask);
    unsigned char again[CDisplayModel::kStateSize];
    restored.saveState(again);
    EXPECT_EQ(std::memcmp(state, again, sizeof state), 0);

    // Values no model writes are brought back into range.
    byteorder::putInt32(state + 0, 9);
    byteorder::putInt32(state + 52, 4000);
    restored.loadState(state);
    EXPECT_EQ(restored.displayMode(), kModeOff);
    EXPECT_EQ(restored.blinkCounter(), 0);
}
