// The Standard MIDI File reader: the messages of a song at the moments
// they sound under its tempo map, and every damaged, truncated or hostile
// file refused with a reason instead of read in part.
#include "CMidiFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fileBytes(const std::string& name)
{
    std::ifstream file(std::string(QUIBO_TEST_DATA_DIR) + "/midi/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

Bytes bigEndian(std::uint32_t value, int count)
{
    Bytes bytes;
    for (int i = count - 1; i >= 0; --i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes header(int format, int tracks, int division)
{
    return Bytes{'M', 'T', 'h', 'd'} + bigEndian(6, 4) + bigEndian(static_cast<std::uint32_t>(format), 2) +
           bigEndian(static_cast<std::uint32_t>(tracks), 2) + bigEndian(static_cast<std::uint32_t>(division), 2);
}

Bytes track(const Bytes& body)
{
    return Bytes{'M', 'T', 'r', 'k'} + bigEndian(static_cast<std::uint32_t>(body.size()), 4) + body;
}

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};
const Bytes kNote = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0};

struct Expected {
    double seconds;
    std::uint8_t status, data1, data2;
};

void expectEvents(const std::vector<Expected>& expected, const std::vector<CMidiFile::Event>& events)
{
    ASSERT_EQ(expected.size(), events.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_DOUBLE_EQ(expected[i].seconds, events[i].seconds) << i;
        EXPECT_EQ(expected[i].status, events[i].bytes[0]) << i;
        EXPECT_EQ(expected[i].data1, events[i].bytes[1]) << i;
        EXPECT_EQ(expected[i].data2, events[i].bytes[2]) << i;
    }
}

// A format 1 song: a tempo track (a name, a time signature, 0.6 s per
// quarter note from its second quarter), a voice with running status and a
// program change, a second voice after system exclusive, merged in time
// order, those at one moment in track order.
TEST(MidiFile, ReadsASongsMessagesAtTheirMomentsUnderItsTempoMap)
{
    const Bytes song = fileBytes("song.mid");
    ASSERT_FALSE(song.empty());
    std::vector<CMidiFile::Event> events;
    std::string error;
    ASSERT_TRUE(CMidiFile::read(song.data(), song.size(), events, error)) << error;
    expectEvents({{0.0, 0xC0, 5, 0},
                  {0.0, 0x90, 0x45, 0x64},
                  {0.25, 0xB1, 7, 0x40},
                  {0.5, 0x90, 0x45, 0},
                  {0.5, 0x90, 0x48, 0x50},
                  {0.5, 0xE1, 0, 0x40},
                  {1.1, 0x80, 0x48, 0}},
                 events);
    EXPECT_EQ(2, events[0].size);
    EXPECT_EQ(3, events[1].size);
}

// Time code divisions (frames per second and ticks per frame), unknown
// chunks skipped, a second tempo at one tick replacing the first.
TEST(MidiFile, ReadsTimeCodeDivisionsAndSkipsWhatItNeedNot)
{
    struct Row {
        const char* name;
        Bytes file;
        std::vector<Expected> expected;
    };
    const Bytes tempos = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    const Row rows[] = {
        {"timecode.mid", fileBytes("timecode.mid"), {{0.0, 0x90, 60, 100}, {1.0, 0x90, 60, 0}}},
        {"29.97 frames",
         header(0, 1, ((256 - 29) << 8) | 100) + track(Bytes{0x00, 0x90, 60, 1, 0x83, 0x60, 0x80, 60, 0} + kEndOfTrack),
         {{0.0, 0x90, 60, 1}, {480.0 * 1001.0 / 3000000.0, 0x80, 60, 0}}},
        {"an unknown chunk",
         header(0, 1, 96) + Bytes{'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2} + track(kNote + kEndOfTrack),
         {{0.0, 0x90, 60, 100}, {0.5, 0x80, 60, 0}}},
        {"two tempos at tick 0",
         header(0, 1, 96) + track(tempos + kNote + kEndOfTrack),
         {{0.0, 0x90, 60, 100}, {0.5, 0x80, 60, 0}}},
        {"bytes after the end of track",
         header(0, 1, 96) + track(kNote + kEndOfTrack + Bytes{0x90, 1}),
         {{0.0, 0x90, 60, 100}, {0.5, 0x80, 60, 0}}},
        // A length past the file's end, the track whole before it.
        {"a track length one too long",
         header(0, 1, 96) + Bytes{'M', 'T', 'r', 'k', 0, 0, 0, 13} + kNote + kEndOfTrack,
         {{0.0, 0x90, 60, 100}, {0.5, 0x80, 60, 0}}},
    };
    for (const Row& row : rows) {
        std::vector<CMidiFile::Event> events;
        std::string error;
        ASSERT_TRUE(CMidiFile::read(row.file.data(), row.file.size(), events, error)) << row.name << ": " << error;
        expectEvents(row.expected, events);
    }
}

// Each refused with its reason, nothing answered.
TEST(MidiFile, RefusesDamagedTruncatedAndHostileFilesWithAReason)
{
    struct Row {
        std::string name;
        Bytes file;
        const char* reason;
    };
    const Bytes valid = header(0, 1, 96) + track(kNote + kEndOfTrack);
    Bytes longTrack(valid.begin(), valid.end() - 1);
    longTrack[21] = 0x7F; // the track's length past the file's end, its last byte cut
    Bytes shortTrack = valid;
    shortTrack[21] = 6; // the track's length inside the note-off
    std::vector<Row> rows = {
        {"empty", {}, "no MThd header"},
        {"a WAV file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0}, "no MThd header"},
        {"a short header", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 0, 0, 1, 0, 96}, "header has a wrong length"},
        {"a header longer than the file", Bytes{'M', 'T', 'h', 'd', 0, 0, 1, 0, 0, 0, 0, 1, 0, 96}, "wrong length"},
        {"format 3", header(3, 1, 96) + track(kEndOfTrack), "format 3"},
        {"no tracks", header(0, 0, 96), "no tracks"},
        {"0 ticks per quarter", header(0, 1, 0) + track(kEndOfTrack), "0 ticks"},
        {"23 frames per second", header(0, 1, ((256 - 23) << 8) | 4) + track(kEndOfTrack), "time code"},
        {"no end of track", header(0, 1, 96) + track(kNote), "without an end-of-track event"},
        {"a track longer than the file", longTrack, "meta event longer than the track"},
        {"a track shorter than its events", shortTrack, "cut short"},
        {"fewer tracks than announced", header(1, 2, 96) + track(kNote + kEndOfTrack),
         "announces 2 tracks and holds 1"},
        {"a data byte first", header(0, 1, 96) + track(Bytes{0x00, 60, 100} + kEndOfTrack), "data byte"},
        {"a system message", header(0, 1, 96) + track(Bytes{0x00, 0xF8} + kEndOfTrack), "system message (0xF8)"},
        {"a five-byte delta time",
         header(0, 1, 96) + track(Bytes{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1} + kEndOfTrack), "damaged delta time"},
        {"a meta event past the track", header(0, 1, 96) + track(Bytes{0x00, 0xFF, 0x01, 0x7F, 'a'} + kEndOfTrack),
         "meta event longer"},
        {"system exclusive past the track", header(0, 1, 96) + track(Bytes{0x00, 0xF0, 0x8F, 0x7F, 1} + kEndOfTrack),
         "system exclusive event longer"},
        {"a status where data belongs", header(0, 1, 96) + track(Bytes{0x00, 0x90, 60, 0x90, 1} + kEndOfTrack),
         "cut short"},
    };
    // The whole file cut at every length: each refused.
    for (std::size_t size = 0; size < valid.size(); ++size)
        rows.push_back({"cut to " + std::to_string(size) + " bytes", Bytes(valid.begin(), valid.begin() + size), ""});
    for (const Row& row : rows) {
        std::vector<CMidiFile::Event> events(1);
        std::string error;
        // A copy of exactly its size, so that a read past the end is caught
        // by the sanitizers.
        const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[row.file.size() + 1]);
        std::copy(row.file.begin(), row.file.end(), exact.get());
        EXPECT_FALSE(CMidiFile::read(exact.get(), row.file.size(), events, error)) << row.name;
        EXPECT_NE(std::string::npos, error.find(row.reason)) << row.name << ": " << error;
        EXPECT_FALSE(error.empty()) << row.name;
        EXPECT_TRUE(events.empty()) << row.name;
    }
}

// A million notes in one track read whole, each at its tick (how long it
// takes is bench/MidiFileBench.cpp's).
TEST(MidiFile, ReadsAMillionEvents)
{
    Bytes body;
    constexpr int kEvents = 1000000;
    for (int i = 0; i < kEvents; ++i) {
        body.push_back(0x01);
        if (i == 0)
            body.push_back(0x90);
        body.push_back(static_cast<std::uint8_t>(i & 0x7F));
        body.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? 100 : 0));
    }
    const Bytes file = header(0, 1, 1000) + track(body + kEndOfTrack);
    std::vector<CMidiFile::Event> events;
    std::string error;
    ASSERT_TRUE(CMidiFile::read(file.data(), file.size(), events, error)) << error;
    ASSERT_EQ(static_cast<std::size_t>(kEvents), events.size());
    EXPECT_DOUBLE_EQ(kEvents * 0.0005, events.back().seconds);
    EXPECT_EQ(kEvents % 128 - 1, events.back().bytes[1]);
}

} // namespace
