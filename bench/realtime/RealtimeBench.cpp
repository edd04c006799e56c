// Runs the plug-in's audio thread at SCHED_FIFO on one core, paced in real
// time (512-frame blocks at 44100 Hz), while two host threads on the same core
// hammer it: automation at about 5000 changes a second, and 500 dispatcher
// requests a second (program changes, bank and program chunks, display texts).
// Reports the worst and the mean block time against one block's duration.
//
//   quibo_realtime_bench [seconds]
#include "CQuibo.h"
#include "CQuiboPlugin.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void pinToFirstCore()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

bool becomeRealtime()
{
    sched_param param{};
    param.sched_priority = 80;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

struct BlockTimes {
    std::vector<double> seconds;
    bool realtime = false;
};

BlockTimes runAudio(CQuiboPlugin& plugin, double runSeconds)
{
    pinToFirstCore();
    BlockTimes times;
    times.realtime = becomeRealtime();
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    const auto period = std::chrono::duration<double>(kBlock / kRate);
    const int blocks = static_cast<int>(runSeconds * kRate / kBlock);
    auto deadline = Clock::now();
    for (int block = 0; block < blocks; ++block) {
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = sizeof note;
        note.midiData[0] = static_cast<char>(block % 2 == 0 ? 0x90 : 0x80);
        note.midiData[1] = static_cast<char>(48 + block % 24);
        note.midiData[2] = 100;
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&note);
        const auto start = Clock::now();
        plugin.processEvents(&list);
        plugin.processReplacing(nullptr, outputs, kBlock);
        times.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        deadline += std::chrono::duration_cast<Clock::duration>(period);
        std::this_thread::sleep_until(deadline);
    }
    return times;
}

void automate(CQuiboPlugin& plugin, const std::atomic<bool>& stop)
{
    pinToFirstCore();
    for (int i = 0; !stop.load(); ++i) {
        plugin.setParameter(2 + i % 13, static_cast<float>(i % 100) / 100.0f);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void dispatch(CQuiboPlugin& plugin, const std::atomic<bool>& stop)
{
    pinToFirstCore();
    AEffect* effect = plugin.getAeffect();
    char text[64];
    std::vector<unsigned char> bank;
    for (int i = 0; !stop.load(); ++i) {
        switch (i % 4) {
        case 0:
            effect->dispatcher(effect, effSetProgram, 0, i % 6, nullptr, 0.0f);
            break;
        case 1: {
            void* data = nullptr;
            const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
            bank.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
            effect->dispatcher(effect, effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data(), 0.0f);
            break;
        }
        case 2: {
            void* data = nullptr;
            const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
            std::vector<unsigned char> program(static_cast<unsigned char*>(data),
                                               static_cast<unsigned char*>(data) + size);
            effect->dispatcher(effect, effSetChunk, 1, size, program.data(), 0.0f);
            break;
        }
        default:
            for (int p = 0; p < 15; ++p)
                effect->dispatcher(effect, effGetParamDisplay, p, 0, text, 0.0f);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    CQuiboPlugin plugin(hostCallback, std::make_unique<CQuibo>());
    std::atomic<bool> stop{false};
    std::thread automation([&] { automate(plugin, stop); });
    std::thread requests([&] { dispatch(plugin, stop); });
    BlockTimes times;
    std::thread audio([&] { times = runAudio(plugin, seconds); });
    audio.join();
    stop = true;
    automation.join();
    requests.join();

    const double blockSeconds = kBlock / kRate;
    double worst = 0.0, sum = 0.0;
    int late = 0;
    for (double t : times.seconds) {
        worst = std::max(worst, t);
        sum += t;
        late += t > blockSeconds ? 1 : 0;
    }
    const double mean = times.seconds.empty() ? 0.0 : sum / static_cast<double>(times.seconds.size());
    std::printf("audio thread: %s, all threads on core 0\n",
                times.realtime ? "SCHED_FIFO priority 80" : "normal priority (SCHED_FIFO refused)");
    std::printf("blocks: %zu of %d frames (%.2f ms each)\n", times.seconds.size(), kBlock, blockSeconds * 1e3);
    std::printf("worst block: %.1f us = %.4f of a block\n", worst * 1e6, worst / blockSeconds);
    std::printf("mean block:  %.1f us = %.4f of a block\n", mean * 1e6, mean / blockSeconds);
    std::printf("blocks over their deadline: %d\n", late);
    return 0;
}
