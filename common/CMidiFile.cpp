#include "CMidiFile.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kDefaultTempo = 500000; // microseconds per quarter note: 120 beats per minute
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kSysex = 0xF0;
constexpr std::uint8_t kSysexContinued = 0xF7;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFileHeaderSize = 6;

// A message or a change of the tempo map at its tick, in the order the
// tracks give them.
struct Item {
    enum class Kind : std::uint8_t { kMessage, kTempo, kTimeSignature };
    std::uint64_t tick;
    std::uint32_t tempo; // microseconds per quarter note, for kTempo
    Kind kind;
    std::uint8_t size;
    std::uint8_t bytes[3];
};

std::uint32_t bigEndian(const std::uint8_t* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// Data bytes a channel message takes after its status.
int dataBytesOf(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Walks one track chunk, bounded by its own length.
class TrackReader {
public:
    TrackReader(const std::uint8_t* data, std::size_t begin, std::size_t end, int track)
        : m_data(data),
          m_position(begin),
          m_end(end),
          m_track(track)
    {
    }

    bool read(std::vector<Item>& items, std::string& error)
    {
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        for (;;) {
            if (m_position >= m_end)
                return fail("ends without an end-of-track event (truncated?)", error);
            std::uint32_t delta = 0;
            if (!quantity(delta))
                return fail("has a damaged delta time", error);
            tick += delta;
            if (m_position >= m_end)
                return fail("ends inside an event (truncated?)", error);
            std::uint8_t status = m_data[m_position];
            if (status >= 0x80)
                ++m_position;
            else if (running != 0)
                status = running;
            else
                return fail("has a data byte where an event should start", error);

            if (status == kMetaEvent) {
                bool ended = false;
                if (!meta(tick, items, ended, error))
                    return false;
                if (ended)
                    return true;
            } else if (status == kSysex || status == kSysexContinued) {
                std::uint32_t length = 0;
                if (!quantity(length) || length > m_end - m_position)
                    return fail("has a system exclusive event longer than the track", error);
                m_position += length;
            } else if (status >= 0xF0) {
                return fail("has a system message (0x" + hex(status) + "), which has no place in a MIDI file", error);
            } else {
                Item item{tick, 0, Item::Kind::kMessage, 1, {status, 0, 0}};
                for (int i = 0; i < dataBytesOf(status); ++i) {
                    if (m_position >= m_end || m_data[m_position] >= 0x80)
                        return fail("has a channel message cut short", error);
                    item.bytes[item.size++] = m_data[m_position++];
                }
                items.push_back(item);
                running = status;
            }
        }
    }

private:
    // A variable-length quantity: at most four bytes, seven bits each.
    bool quantity(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (m_position >= m_end)
                return false;
            const std::uint8_t byte = m_data[m_position++];
            value = (value << 7) | (byte & 0x7Fu);
            if (byte < 0x80)
                return true;
        }
        return false;
    }

    bool meta(std::uint64_t tick, std::vector<Item>& items, bool& ended, std::string& error)
    {
        if (m_position >= m_end)
            return fail("ends inside a meta event (truncated?)", error);
        const std::uint8_t type = m_data[m_position++];
        std::uint32_t length = 0;
        if (!quantity(length) || length > m_end - m_position)
            return fail("has a meta event longer than the track", error);
        const std::uint8_t* body = m_data + m_position;
        m_position += length;
        if (type == kMetaEndOfTrack) {
            ended = true;
        } else if (type == kMetaTempo && length >= 3) {
            // A tempo of 0 would stop time; it is ignored.
            const std::uint32_t tempo = bigEndian(body, 3);
            if (tempo > 0)
                items.push_back({tick, tempo, Item::Kind::kTempo, 0, {0, 0, 0}});
        } else if (type == kMetaTimeSignature && length >= 4) {
            items.push_back({tick, 0, Item::Kind::kTimeSignature, 0, {0, 0, 0}});
        }
        return true;
    }

    bool fail(const std::string& what, std::string& error) const
    {
        error = "track " + std::to_string(m_track) + " " + what + " (byte " + std::to_string(m_position) + ")";
        return false;
    }

    static std::string hex(std::uint8_t byte)
    {
        const char* digits = "0123456789ABCDEF";
        return std::string{digits[byte >> 4], digits[byte & 15]};
    }

    const std::uint8_t* m_data;
    std::size_t m_position;
    std::size_t m_end;
    int m_track;
};

// One stretch of the tempo map: from tick on, at this tempo.
struct TempoStretch {
    std::uint64_t tick;
    double seconds;
    std::uint32_t tempo;
};

// Seconds from ticks: quarter notes of ticksPerQuarter under the tempo map,
// or frames of a time code (ticksPerQuarter 0, secondsPerTick given).
class Clock {
public:
    Clock(int ticksPerQuarter, double secondsPerTick)
        : m_ticksPerQuarter(ticksPerQuarter),
          m_secondsPerTick(secondsPerTick)
    {
        m_stretches.push_back({0, 0.0, kDefaultTempo});
    }

    // A tempo or time-signature change starts a stretch (a second one at
    // the same tick changes that stretch); the items come in tick order.
    void change(const Item& item)
    {
        TempoStretch& last = m_stretches.back();
        if (last.tick != item.tick)
            m_stretches.push_back({item.tick, secondsAt(item.tick), last.tempo});
        if (item.kind == Item::Kind::kTempo)
            m_stretches.back().tempo = item.tempo;
    }

    // The stretch that holds a tick is the last one that starts before it
    // (the first for tick 0); the items come in tick order.
    double secondsAt(std::uint64_t tick) const
    {
        if (m_ticksPerQuarter == 0)
            return static_cast<double>(tick) * m_secondsPerTick;
        const TempoStretch& last = m_stretches.back();
        const TempoStretch& stretch = tick == 0          ? m_stretches.front()
                                      : last.tick < tick ? last
                                                         : m_stretches[m_stretches.size() - 2];
        return stretch.seconds + static_cast<double>(tick - stretch.tick) *
                                     (stretch.tempo / (static_cast<double>(m_ticksPerQuarter) * 1000000.0));
    }

private:
    int m_ticksPerQuarter;
    double m_secondsPerTick;
    std::vector<TempoStretch> m_stretches;
};

bool refuse(const std::string& reason, std::string& error)
{
    error = reason;
    return false;
}

} // namespace

bool CMidiFile::read(const std::uint8_t* data, std::size_t size, std::vector<Event>& events, std::string& error)
{
    events.clear();
    if (data == nullptr || size < kChunkHeaderSize + kFileHeaderSize || bigEndian(data, 4) != 0x4D546864) // MThd
        return refuse("not a Standard MIDI File (no MThd header)", error);
    const std::uint32_t headerLength = bigEndian(data + 4, 4);
    if (headerLength < kFileHeaderSize || headerLength > size - kChunkHeaderSize)
        return refuse("the file's header has a wrong length", error);
    const std::uint32_t format = bigEndian(data + 8, 2);
    const std::uint32_t trackCount = bigEndian(data + 10, 2);
    const std::uint32_t division = bigEndian(data + 12, 2);
    if (format > 2)
        return refuse("format " + std::to_string(format) + " is not a Standard MIDI File format (0, 1 or 2)", error);
    if (trackCount == 0)
        return refuse("the file has no tracks", error);
    int ticksPerQuarter = 0;
    double secondsPerTick = 0.0;
    if ((division & 0x8000u) == 0) {
        ticksPerQuarter = static_cast<int>(division);
        if (ticksPerQuarter == 0)
            return refuse("the file gives 0 ticks per quarter note", error);
    } else {
        // Time code: frames per second (29 stands for 29.97) and ticks per frame.
        const int frames = 256 - static_cast<int>(division >> 8);
        const int ticks = static_cast<int>(division & 0xFF);
        if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || ticks == 0)
            return refuse("the file's time code division is damaged", error);
        secondsPerTick = 1.0 / ((frames == 29 ? 30000.0 / 1001.0 : frames) * ticks);
    }

    std::vector<Item> items;
    std::size_t position = kChunkHeaderSize + headerLength;
    std::uint32_t tracks = 0;
    while (tracks < trackCount) {
        if (size - position < kChunkHeaderSize)
            return refuse("the file announces " + std::to_string(trackCount) + " tracks and holds " +
                              std::to_string(tracks) + " (truncated?)",
                          error);
        const std::uint32_t id = bigEndian(data + position, 4);
        const std::uint32_t length = bigEndian(data + position + 4, 4);
        position += kChunkHeaderSize;
        // Chunks of other kinds are skipped, as the format asks. A track
        // whose length runs past the file's end is read up to it: complete,
        // it ends with its end-of-track event there; else it is refused.
        if (id == 0x4D54726B) { // MTrk
            ++tracks;
            TrackReader track(data, position, position + std::min<std::size_t>(length, size - position),
                              static_cast<int>(tracks));
            if (!track.read(items, error))
                return false;
        }
        if (length >= size - position)
            position = size;
        else
            position += length;
    }

    // The tracks merged in tick order, those at one tick in track order.
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.tick < b.tick; });
    Clock clock(ticksPerQuarter, secondsPerTick);
    for (const Item& item : items) {
        if (item.kind != Item::Kind::kMessage) {
            clock.change(item);
            continue;
        }
        Event event{clock.secondsAt(item.tick), {item.bytes[0], item.bytes[1], item.bytes[2]}, item.size};
        events.push_back(event);
    }
    return true;
}
