// The front-panel bitmaps as the plug-in finds them (its own resource lookup,
// CPanelBitmap by id and scale), both the first set and the double-size set
// (every size and place of the table doubled), against their table
// resources/bitmaps.csv: size,
// depth, compression and frames; the rest pictures of keys, buttons and
// legends are exactly the panel under them, so the panel looks the same
// before and after the controls draw; the switches, sliders and LCD parts lie
// inside their windows; the handles have no transparent pixel; the digits
// differ from each other and from a blank cell.
#include "CPanelBitmap.h"
#include "GuiPlatform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Place {
    int left, top;
};

struct Window {
    int left, top, right, bottom;
    bool valid = false;
};

struct Entry {
    int id, width, height, bits, frames;
    std::string kind, compression;
    std::vector<Place> places;
    Window window;
};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

std::map<int, Entry> readTable()
{
    std::map<int, Entry> table;
    std::ifstream file(QUIBO_BITMAP_TABLE);
    std::string line;
    std::getline(file, line); // header
    while (std::getline(file, line)) {
        const std::vector<std::string> f = split(line, ',');
        if (f.size() < 9)
            continue;
        Entry e{};
        e.id = std::stoi(f[0]);
        e.kind = f[1];
        e.width = std::stoi(f[2]);
        e.height = std::stoi(f[3]);
        e.bits = std::stoi(f[4]);
        e.compression = f[5];
        e.frames = std::stoi(f[6]);
        for (const std::string& place : split(f[7], ' ')) {
            const std::vector<std::string> xy = split(place, ':');
            if (xy.size() == 2)
                e.places.push_back({std::stoi(xy[0]), std::stoi(xy[1])});
        }
        const std::vector<std::string> w = split(f[8], ':');
        if (w.size() == 4)
            e.window = {std::stoi(w[0]), std::stoi(w[1]), std::stoi(w[2]), std::stoi(w[3]), true};
        table[e.id] = e;
    }
    return table;
}

// The table entry of a bitmap drawn at the given scale.
Entry scaled(Entry e, int scale)
{
    e.width *= scale;
    e.height *= scale;
    for (Place& place : e.places)
        place = {place.left * scale, place.top * scale};
    if (e.window.valid)
        e.window = {e.window.left * scale, e.window.top * scale, e.window.right * scale, e.window.bottom * scale, true};
    return e;
}

// The BMP header fields of a resource: bits per pixel and compression
// (0 plain, 1 RLE8), with or without the 14-byte file header.
bool headerOf(int id, int scale, int& bits, int& compression)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    const int resource = scale == 2 ? id + CPanelBitmap::kDoubleSizeIdOffset : id;
    if (!guiplatform::findBitmapResource(resource, data, size) || size < 54)
        return false;
    const unsigned char* info = (data[0] == 'B' && data[1] == 'M') ? data + 14 : data;
    bits = info[14] | (info[15] << 8);
    compression = info[16] | (info[17] << 8) | (info[18] << 16) | (info[19] << 24);
    return true;
}

// Pixels of frame f of a bitmap that differ from the panel at (left, top).
int differingPixels(const CPanelBitmap& bitmap, int frameHeight, int frame, const CPanelBitmap& panel, Place at)
{
    int differing = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            if (bitmap.pixels().pixel(x, frame * frameHeight + y) != panel.pixels().pixel(at.left + x, at.top + y))
                ++differing;
        }
    }
    return differing;
}

std::vector<std::uint32_t> framePixels(const CPanelBitmap& bitmap, int frameHeight, int frame)
{
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < bitmap.width(); ++x)
            pixels.push_back(bitmap.pixels().pixel(x, frame * frameHeight + y));
    }
    return pixels;
}

// A bitmap loaded by id and scale and released at the end of the scope.
class Loaded {
public:
    Loaded(int id, int scale)
        : m_bitmap(new CPanelBitmap(id, scale))
    {
    }
    ~Loaded() { m_bitmap->release(); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    const CPanelBitmap& operator*() const { return *m_bitmap; }
    const CPanelBitmap* operator->() const { return m_bitmap; }

private:
    CPanelBitmap* m_bitmap;
};

// Every test runs on both sets: scale 1 and scale 2.
class PanelArtwork : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        scale = GetParam();
        for (const auto& [id, e] : readTable())
            table[id] = scaled(e, scale);
        ASSERT_EQ(78u, table.size());
    }
    int scale = 1;
    std::map<int, Entry> table;
};

TEST_P(PanelArtwork, EveryBitmapHasItsSizeDepthCompressionAndFrames)
{
    for (const auto& [id, e] : table) {
        const Loaded bitmap(id, scale);
        EXPECT_EQ(scale, bitmap->scale()) << id;
        EXPECT_EQ(id, bitmap->resourceId()) << id;
        EXPECT_EQ(e.width, bitmap->width()) << id;
        EXPECT_EQ(e.height, bitmap->height()) << id;
        EXPECT_EQ(0, e.height % e.frames) << id;
        int bits = 0, compression = -1;
        ASSERT_TRUE(headerOf(id, scale, bits, compression)) << id;
        EXPECT_EQ(e.bits, bits) << id;
        EXPECT_EQ(e.compression == "BI_RLE8" ? 1 : 0, compression) << id;
    }
}

// Keys, buttons and legends: frame 0 is the panel under every place, so the
// panel at rest looks the same before and after they draw.
TEST_P(PanelArtwork, RestFramesAreThePanelUnderThem)
{
    const Loaded panel(150, scale);
    ASSERT_EQ(882 * scale, panel->width());
    const std::set<std::string> kinds = {"white-key", "black-key", "button", "legend"};
    int checked = 0;
    for (const auto& [id, e] : table) {
        if (kinds.count(e.kind) == 0)
            continue;
        const Loaded bitmap(id, scale);
        for (const Place& place : e.places) {
            EXPECT_EQ(0, differingPixels(*bitmap, e.height / e.frames, 0, *panel, place)) << id;
            ++checked;
        }
        // The other frame shows something: a pressed key or a label.
        EXPECT_NE(framePixels(*bitmap, e.height / e.frames, 0), framePixels(*bitmap, e.height / e.frames, 1)) << id;
    }
    EXPECT_GE(checked, 29 + 10 + 18);
}

TEST_P(PanelArtwork, ControlsLieInsideTheirWindowsAndHandlesHaveNoTransparentPixel)
{
    for (const auto& [id, e] : table) {
        if (!e.window.valid)
            continue;
        const int frameHeight = e.height / e.frames;
        for (const Place& place : e.places) {
            EXPECT_GE(place.left, e.window.left) << id;
            EXPECT_GE(place.top, e.window.top) << id;
            EXPECT_LE(place.left + e.width, e.window.right) << id;
            EXPECT_LE(place.top + frameHeight, e.window.bottom) << id;
        }
    }
    // The LCD cells and marks inside the LCD window.
    for (int id : {187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198}) {
        EXPECT_EQ(244 * scale, table.at(id).window.left) << id;
        EXPECT_EQ(372 * scale, table.at(id).window.right) << id;
    }
    for (int id : {155, 157}) {
        const Loaded handle(id, scale);
        ASSERT_GT(handle->width(), 0);
        int white = 0;
        for (int y = 0; y < handle->height(); ++y) {
            for (int x = 0; x < handle->width(); ++x)
                white += (handle->pixels().pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0;
        }
        EXPECT_EQ(0, white) << id;
    }
}

// "0123456789" through the glyph strip: the display shows digit d with frame
// d + 1; no two digits look alike and none looks blank (frame 0).
TEST_P(PanelArtwork, DigitGlyphsAreDistinctAndNotBlank)
{
    const Loaded glyphs(187, scale);
    const Entry& e = table.at(187);
    const int frameHeight = e.height / e.frames;
    ASSERT_EQ(19 * scale, frameHeight);
    ASSERT_EQ(13 * scale, glyphs->width());
    const std::vector<std::uint32_t> blank = framePixels(*glyphs, frameHeight, 0);
    std::vector<std::vector<std::uint32_t>> digits;
    for (const char c : std::string("0123456789"))
        digits.push_back(framePixels(*glyphs, frameHeight, c - '0' + 1));
    for (size_t i = 0; i < digits.size(); ++i) {
        EXPECT_NE(blank, digits[i]) << i;
        for (size_t j = i + 1; j < digits.size(); ++j)
            EXPECT_NE(digits[i], digits[j]) << i << " " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, PanelArtwork, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return "x" + std::to_string(info.param); });

// Scales other than 1 and 2 take the nearer set; an id without a picture in
// the double set gives the empty bitmap, as in the first.
TEST(PanelBitmapScale, OtherScalesTakeTheNearerSetAndMissingIdsAreEmpty)
{
    struct Case {
        int id, scale, expectedScale, expectedWidth;
    } const cases[] = {{150, 0, 1, 882}, {150, -3, 1, 882}, {150, 3, 2, 1764}, {149, 2, 2, 0}, {149, 1, 1, 0}};
    for (const Case& c : cases) {
        const Loaded bitmap(c.id, c.scale);
        EXPECT_EQ(c.expectedScale, bitmap->scale()) << c.id << " at " << c.scale;
        EXPECT_EQ(c.expectedWidth, bitmap->width()) << c.id << " at " << c.scale;
        EXPECT_EQ(c.expectedWidth == 0 ? 0 : 213 * c.expectedScale, bitmap->height()) << c.id << " at " << c.scale;
    }
}

} // namespace
