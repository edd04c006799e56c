#include "HostSession.h"

#include "CPresetFile.h"
#include "ReplaceFile.h"
#include "ThreadClock.h"
#include "WholeFile.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterIdle:
        if (effect != nullptr && effect->user != nullptr)
            static_cast<HostSession*>(effect->user)->hostIdle();
        return 1;
    case audioMasterWantMidi:
    case audioMasterUpdateDisplay:
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return 1;
    default:
        return 0;
    }
}

std::string fourCharText(VstInt32 code)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<std::uint32_t>(code) >> shift) & 0xFF);
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return text;
}

std::string trimmedLower(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c != ' ')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

bool HostSession::open(PluginLibrary::EntryPoint entry, float sampleRate, int blockSize)
{
    m_sampleRate = sampleRate;
    m_blockSize = blockSize;
    m_effect = entry(hostCallback);
    if (m_effect == nullptr || m_effect->magic != kEffectMagic)
        return false;
    m_effect->user = this;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    // An empty block applies the values the plug-in queued at construction,
    // as a host's first block would.
    float unused[1];
    float* outputs[2] = {unused, unused};
    m_effect->processReplacing(m_effect, nullptr, outputs, 0);
    return true;
}

void HostSession::close()
{
    if (m_effect == nullptr)
        return;
    dispatch(effMainsChanged, 0, 0);
    dispatch(effClose);
    m_effect = nullptr;
}

VstIntPtr HostSession::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt);
}

std::string HostSession::text(VstInt32 opcode, VstInt32 index, VstIntPtr value)
{
    char buffer[256] = {};
    dispatch(opcode, index, value, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

void HostSession::printIdentity(std::FILE* out)
{
    std::fprintf(out, "effect name: %s\n", text(effGetEffectName).c_str());
    std::fprintf(out, "vendor: %s\n", text(effGetVendorString).c_str());
    std::fprintf(out, "product: %s\n", text(effGetProductString).c_str());
    std::fprintf(out, "vendor version: %ld\n", static_cast<long>(dispatch(effGetVendorVersion)));
    std::fprintf(out, "unique id: %s\n", fourCharText(m_effect->uniqueID).c_str());
    std::fprintf(out, "version: %d\n", static_cast<int>(m_effect->version));
    std::fprintf(out, "interface version: %ld\n", static_cast<long>(dispatch(effGetVstVersion)));
    std::fprintf(out, "programs: %d\n", static_cast<int>(m_effect->numPrograms));
    std::fprintf(out, "parameters: %d\n", static_cast<int>(m_effect->numParams));
    std::fprintf(out, "inputs: %d\n", static_cast<int>(m_effect->numInputs));
    std::fprintf(out, "outputs: %d\n", static_cast<int>(m_effect->numOutputs));
    std::fprintf(out, "flags: 0x%x\n", static_cast<unsigned>(m_effect->flags));
    std::fprintf(out, "category: %ld\n", static_cast<long>(dispatch(effGetPlugCategory)));
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames", "sendVstEvents",
                                   "receiveVstTimeInfo", "offline"}) {
        char name[64];
        std::snprintf(name, sizeof name, "%s", capability);
        std::fprintf(out, "canDo %s: %ld\n", capability, static_cast<long>(dispatch(effCanDo, 0, 0, name)));
    }
    for (int pin = 0; pin < m_effect->numOutputs; ++pin) {
        VstPinProperties properties{};
        if (dispatch(effGetOutputProperties, pin, 0, &properties) != 0)
            std::fprintf(out, "output %d: %s\n", pin, properties.label);
    }
    for (int i = 0; i < m_effect->numParams; ++i) {
        std::fprintf(out, "parameter %d: name \"%s\" label \"%s\" display \"%s\"\n", i,
                     text(effGetParamName, i).c_str(), text(effGetParamLabel, i).c_str(),
                     text(effGetParamDisplay, i).c_str());
    }
    for (int p = 0; p < m_effect->numPrograms; ++p) {
        char name[256] = {};
        dispatch(effGetProgramNameIndexed, p, 0, name);
        std::fprintf(out, "program %d: %s\n", p, name);
    }
}

int HostSession::findParameter(const std::string& nameOrIndex)
{
    if (!nameOrIndex.empty() && std::all_of(nameOrIndex.begin(), nameOrIndex.end(),
                                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        // Digits beyond the plug-in's count are no parameter, however many.
        long index = 0;
        for (char c : nameOrIndex) {
            index = index * 10 + (c - '0');
            if (index >= m_effect->numParams)
                return -1;
        }
        return static_cast<int>(index);
    }
    for (int i = 0; i < m_effect->numParams; ++i) {
        if (trimmedLower(text(effGetParamName, i)) == trimmedLower(nameOrIndex))
            return i;
    }
    return -1;
}

void HostSession::setParameter(int index, float value)
{
    m_effect->setParameter(m_effect, index, value);
}

double HostSession::longestRender(double sampleRate)
{
    constexpr double kLargestWavFrames = (4294967295.0 - 64.0) / 8.0;
    return std::min(kLongestRenderSeconds, std::floor(kLargestWavFrames / sampleRate));
}

void HostSession::beginRender(double seconds, std::vector<TimedEvent> events, BlockSink sink)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.seconds < b.seconds; });
    m_events = std::move(events);
    m_nextEvent = 0;
    m_position = 0;
    seconds = std::min(seconds, longestRender(m_sampleRate));
    m_total = seconds > 0.0 ? static_cast<long>(seconds * m_sampleRate + 0.5) : 0;
    m_renderFailed = false;
    m_sink = std::move(sink);
    m_interleaved.clear();
    m_interleaved.reserve(static_cast<size_t>(m_blockSize) * 2);
    m_left.assign(static_cast<size_t>(m_blockSize), 0.0f);
    m_right.assign(static_cast<size_t>(m_blockSize), 0.0f);
}

void HostSession::renderUntil(long frame)
{
    // A host idle asked for while a block renders waits for the next call.
    if (m_rendering)
        return;
    m_rendering = true;
    while (m_position < std::min(frame, m_total))
        renderBlock(static_cast<int>(std::min<long>(m_blockSize, m_total - m_position)));
    m_rendering = false;
}

void HostSession::hostIdle()
{
    if (m_idleHandler)
        m_idleHandler();
}

void HostSession::renderBlock(int frames)
{
    processBlock(m_position, frames, m_events, m_nextEvent, m_left, m_right);
    m_interleaved.clear();
    for (int i = 0; i < frames; ++i) {
        m_interleaved.push_back(m_left[static_cast<size_t>(i)]);
        m_interleaved.push_back(m_right[static_cast<size_t>(i)]);
    }
    m_position += frames;
    if (m_sink && !m_sink(m_interleaved.data(), frames)) {
        m_renderFailed = true;
        m_total = m_position;
    }
}

// The sample frame of a time in seconds, in 64 bits (long has 32 on Windows).
long long HostSession::frameOf(double seconds) const
{
    const double frame = seconds * m_sampleRate;
    return frame <= 0.0 ? 0 : frame >= 4e18 ? 4000000000000000000LL : static_cast<long long>(frame);
}

void HostSession::processBlock(long long start, int frames, const std::vector<TimedEvent>& events, size_t& next,
                               std::vector<float>& left, std::vector<float>& right)
{
    m_midi.clear();
    while (next < events.size() && frameOf(events[next].seconds) < start + frames) {
        const TimedEvent& event = events[next++];
        if (event.isParameter) {
            setParameter(event.index, event.value);
            continue;
        }
        VstMidiEvent record{};
        record.type = kVstMidiType;
        record.byteSize = sizeof(VstMidiEvent);
        record.deltaFrames = static_cast<VstInt32>(std::max<long long>(0, frameOf(event.seconds) - start));
        std::memcpy(record.midiData, event.midi, 3);
        m_midi.push_back(record);
    }
    if (!m_midi.empty()) {
        m_eventList.assign(sizeof(VstEvents) + m_midi.size() * sizeof(VstEvent*), 0);
        VstEvents* list = reinterpret_cast<VstEvents*>(m_eventList.data());
        list->numEvents = static_cast<VstInt32>(m_midi.size());
        for (size_t i = 0; i < m_midi.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(&m_midi[i]);
        dispatch(effProcessEvents, 0, 0, list);
    }
    float* outputs[2] = {left.data(), right.data()};
    m_effect->processReplacing(m_effect, nullptr, outputs, frames);
}

HostSession::Timing HostSession::benchmark(std::vector<TimedEvent> events, double warmupSeconds, double runSeconds,
                                           int runs)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.seconds < b.seconds; });
    std::vector<float> left(static_cast<size_t>(m_blockSize)), right(static_cast<size_t>(m_blockSize));
    size_t next = 0;
    long long start = 0;
    for (; start < frameOf(warmupSeconds); start += m_blockSize)
        processBlock(start, m_blockSize, events, next, left, right);
    // As many blocks per run as take about runSeconds, from a first try.
    Timing timing;
    timing.runs = std::max(runs, 1);
    long blocks = 64;
    for (;;) {
        const double began = threadProcessorSeconds();
        for (long b = 0; b < blocks; ++b, start += m_blockSize)
            processBlock(start, m_blockSize, events, next, left, right);
        const double used = threadProcessorSeconds() - began;
        if (used >= 0.2 * runSeconds || blocks >= (1L << 24)) {
            blocks = std::max(1L, static_cast<long>(static_cast<double>(blocks) * runSeconds / std::max(used, 1e-9)));
            break;
        }
        blocks *= 4;
    }
    timing.blocksPerRun = blocks;
    std::vector<double> processor, wall;
    for (int run = 0; run < timing.runs; ++run) {
        const auto wallBegan = std::chrono::steady_clock::now();
        const double began = threadProcessorSeconds();
        for (long b = 0; b < blocks; ++b, start += m_blockSize)
            processBlock(start, m_blockSize, events, next, left, right);
        const double used = threadProcessorSeconds() - began;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBegan).count();
        const double samples = static_cast<double>(blocks) * m_blockSize;
        processor.push_back(used / samples * 1e9);
        wall.push_back(elapsed / samples * 1e9);
    }
    // What the timed blocks sounded like, from a few more.
    double square[2] = {0.0, 0.0};
    const int checked = 16;
    for (int b = 0; b < checked; ++b, start += m_blockSize) {
        processBlock(start, m_blockSize, events, next, left, right);
        for (int i = 0; i < m_blockSize; ++i) {
            square[0] += static_cast<double>(left[static_cast<size_t>(i)]) * left[static_cast<size_t>(i)];
            square[1] += static_cast<double>(right[static_cast<size_t>(i)]) * right[static_cast<size_t>(i)];
        }
    }
    for (int channel = 0; channel < 2; ++channel)
        timing.rms[channel] = std::sqrt(square[channel] / (static_cast<double>(checked) * m_blockSize));
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const size_t middle = values.size() / 2;
        return values.size() % 2 != 0 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
    };
    timing.processorNs = median(processor);
    timing.fastestNs = *std::min_element(processor.begin(), processor.end());
    timing.wallNs = median(wall);
    return timing;
}

namespace {

// Any plug-in's chunk, which may hold samples: far more than this one's.
constexpr std::size_t kLargestChunkFile = std::size_t{256} << 20;

const char* kindWord(bool isPreset)
{
    return isPreset ? "a program (.fxp)" : "a bank (.fxb)";
}

} // namespace

std::vector<char> HostSession::presetFile(const char* chunk, std::size_t size, bool isPreset)
{
    CPresetFile::Contents contents;
    contents.kind = isPreset ? CPresetFile::Kind::kProgram : CPresetFile::Kind::kBank;
    contents.pluginId = static_cast<std::uint32_t>(m_effect->uniqueID);
    contents.pluginVersion = m_effect->version;
    contents.count = isPreset ? m_effect->numParams : m_effect->numPrograms;
    contents.currentProgram = static_cast<std::int32_t>(dispatch(effGetProgram));
    if (isPreset)
        contents.programName = text(effGetProgramName);
    contents.chunk.assign(chunk, chunk + size);
    const std::vector<unsigned char> file = CPresetFile::write(contents);
    return std::vector<char>(file.begin(), file.end());
}

bool HostSession::saveChunk(const std::string& path, bool isPreset)
{
    m_chunkError.clear();
    CPresetFile::Kind kind;
    const bool wrapped = CPresetFile::kindOfName(path, kind);
    if (wrapped && (kind == CPresetFile::Kind::kProgram) != isPreset) {
        m_chunkError = path + ": " + kindWord(isPreset) + " is not saved in a file named so";
        return false;
    }
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) {
        m_chunkError = "the plug-in gave no chunk";
        return false;
    }
    std::vector<char> bytes(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    if (wrapped)
        bytes = presetFile(bytes.data(), bytes.size(), isPreset);
    // Beside the old file and renamed over it: a save that fails part-way
    // leaves the old file as it was.
    return replacefile::write(path, bytes.data(), bytes.size(), m_chunkError);
}

bool HostSession::unwrapPresetFile(const std::string& path, bool isPreset, std::vector<unsigned char>& bytes)
{
    CPresetFile::Contents contents;
    std::string error;
    if (!CPresetFile::read(bytes.data(), bytes.size(), static_cast<std::uint32_t>(m_effect->uniqueID), contents,
                           error)) {
        m_chunkError = path + ": " + error;
        return false;
    }
    if ((contents.kind == CPresetFile::Kind::kProgram) != isPreset) {
        m_chunkError = path + ": not " + std::string(kindWord(isPreset)) + " file";
        return false;
    }
    bytes.swap(contents.chunk);
    return true;
}

// A plug-in answers a bank it takes with 1; a program chunk it may take
// without an answer, so then its own program chunk must be the one given.
bool HostSession::loadChunk(const std::string& path, bool isPreset)
{
    m_chunkError.clear();
    std::vector<unsigned char> bytes;
    if (!wholefile::read(path, kLargestChunkFile, bytes, m_chunkError))
        return false;
    if (bytes.empty()) {
        m_chunkError = path + " is empty";
        return false;
    }
    CPresetFile::Kind kind;
    if (CPresetFile::kindOfName(path, kind) && !unwrapPresetFile(path, isPreset, bytes))
        return false;
    const VstIntPtr answer =
        dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    if (answer != 0)
        return true;
    if (isPreset) {
        void* data = nullptr;
        const VstIntPtr size = dispatch(effGetChunk, 1, 0, &data);
        const auto* taken = static_cast<const unsigned char*>(data);
        if (data != nullptr && size == static_cast<VstIntPtr>(bytes.size()) &&
            std::equal(bytes.begin(), bytes.end(), taken))
            return true;
    }
    m_chunkError = path + " was refused: not " + std::string(kindWord(isPreset)) + " of this plug-in (damaged?)";
    return false;
}
