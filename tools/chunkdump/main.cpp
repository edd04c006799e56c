// quibo_chunkdump PLUGIN BANKFILE [PROGRAMFILE]
//
// Creates the plug-in through its legacy entry point main, opens it like a
// host, renders a block (which applies the plug-in's start-up settings),
// chooses a program, applies a fixed set of parameter changes and one note,
// renders a second block and writes the bank chunk (and optionally the
// current program's chunk) byte for byte. The same calls on every platform must give the same
// bytes, which is what the Windows build's test compares.
#include "PluginLibrary.h"

#include <cstdio>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr VstInt32 kBlockFrames = 256;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(kSampleRate);
    case audioMasterGetBlockSize:
        return kBlockFrames;
    default:
        return 0;
    }
}

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// Parameter index and value, in the order applied after choosing program 2.
// Covers every parameter but the program and the mode (either would reload
// the program's sound over the edits), including values outside 0..1 that
// the plug-in must clamp.
struct ParameterChange {
    VstInt32 index;
    float value;
};
const ParameterChange kChanges[] = {
    {2, 0.65f}, {3, 0.3f},  {4, 0.9f},   {5, 0.55f}, {6, 0.37f},  {7, 0.125f},
    {8, 0.61f}, {9, 0.8f},  {10, 0.45f}, {11, 0.3f}, {12, 0.7f},  {13, 0.05f},
    {14, 0.6f}, {2, 1.5f},  {3, -0.25f}, {9, 0.333f},
};

void playNote(AEffect* effect)
{
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.deltaFrames = 10;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&note);
    dispatch(effect, effProcessEvents, 0, 0, &events);
}

void renderBlock(AEffect* effect)
{
    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, kBlockFrames);
}

// Writes the chunk the plug-in answers for a bank (0) or the current program (1).
bool writeChunk(AEffect* effect, VstInt32 isPreset, const char* path)
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effect, effGetChunk, isPreset, 0, &data);
    if (size <= 0 || data == nullptr) {
        std::fprintf(stderr, "quibo_chunkdump: the plug-in answered no %s chunk\n", isPreset ? "program" : "bank");
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "quibo_chunkdump: cannot write %s\n", path);
        return false;
    }
    const size_t length = static_cast<size_t>(size);
    const bool written = std::fwrite(data, 1, length, file) == length;
    const bool closed = std::fclose(file) == 0;
    std::printf("%s chunk: %u bytes\n", isPreset ? "program" : "bank", static_cast<unsigned>(length));
    return written && closed;
}

bool runSequence(AEffect* effect, const char* bankPath, const char* programPath)
{
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, kSampleRate);
    dispatch(effect, effSetBlockSize, 0, kBlockFrames);
    dispatch(effect, effMainsChanged, 0, 1);
    renderBlock(effect);
    dispatch(effect, effSetProgram, 0, 2);
    for (const ParameterChange& change : kChanges)
        effect->setParameter(effect, change.index, change.value);
    playNote(effect);
    renderBlock(effect);
    bool ok = writeChunk(effect, 0, bankPath);
    if (programPath != nullptr)
        ok = writeChunk(effect, 1, programPath) && ok;
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: quibo_chunkdump PLUGIN BANKFILE [PROGRAMFILE]\n");
        return 2;
    }
    PluginLibrary module;
    if (!module.load(argv[1], true)) {
        std::fprintf(stderr, "quibo_chunkdump: %s\n", module.error().c_str());
        return 1;
    }
    AEffect* effect = module.entryPoint()(hostCallback);
    if (effect == nullptr || effect->magic != kEffectMagic) {
        std::fprintf(stderr, "quibo_chunkdump: the entry point answered no plug-in\n");
        return 1;
    }
    return runSequence(effect, argv[2], argc == 4 ? argv[3] : nullptr) ? 0 : 1;
}
