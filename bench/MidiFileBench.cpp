// Reading a Standard MIDI File of a million notes (four tracks, running
// status, a tempo change every thousand events): the time grows with the
// file, never with its square.
#include "CMidiFile.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> songOf(int events, int tracks)
{
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd'};
    putBigEndian(file, 6, 4);
    putBigEndian(file, 1, 2);
    putBigEndian(file, static_cast<std::uint32_t>(tracks), 2);
    putBigEndian(file, 480, 2);
    for (int t = 0; t < tracks; ++t) {
        std::vector<std::uint8_t> body;
        for (int i = 0; i < events / tracks; ++i) {
            body.push_back(static_cast<std::uint8_t>(1 + i % 7));
            // A tempo change, then the status again (meta events end running status).
            if (i % 1000 == 999) {
                body.insert(body.end(), {0xFF, 0x51, 0x03, 0x07, 0xA1, static_cast<std::uint8_t>(i / 1000), 0x00});
            }
            if (i % 1000 == 999 || i == 0)
                body.push_back(static_cast<std::uint8_t>(0x90 | t));
            body.insert(body.end(),
                        {static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>(i % 2 == 0 ? 100 : 0)});
        }
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        putBigEndian(file, static_cast<std::uint32_t>(body.size()), 4);
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

void BM_MidiFileRead(benchmark::State& state)
{
    const std::vector<std::uint8_t> file = songOf(static_cast<int>(state.range(0)), 4);
    std::vector<CMidiFile::Event> events;
    std::string error;
    for (auto _ : state) {
        if (!CMidiFile::read(file.data(), file.size(), events, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(events.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MidiFileRead)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
