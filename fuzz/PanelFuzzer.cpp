// Plays an arbitrary stream of parameter values, function keys, note keys and
// MIDI events between blocks into one instance.
#include "CQuibo.h"
#include "CQuiboPlugin.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Reads the input byte by byte; zeros once it is used up.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size)
        : m_data(data),
          m_size(size)
    {
    }
    bool more() const { return m_at < m_size; }
    std::uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }
    float value()
    {
        const std::uint8_t b = next();
        if (b == 255)
            return std::numeric_limits<float>::quiet_NaN();
        if (b == 254)
            return std::numeric_limits<float>::infinity();
        return (static_cast<float>(b) - 20.0f) / 200.0f;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

void sendMidi(CQuiboPlugin& plugin, Reader& in)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = in.next() - 16;
    event.midiData[0] = static_cast<char>(in.next());
    event.midiData[1] = static_cast<char>(in.next());
    event.midiData[2] = static_cast<char>(in.next());
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    plugin.processEvents(&list);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto made = std::make_unique<CQuibo>();
    CQuibo& quibo = *made;
    CQuiboPlugin plugin(host, std::move(made));
    Reader in(data, size);
    float left[1024], right[1024];
    float* outputs[2] = {left, right};
    while (in.more()) {
        switch (in.next() % 6) {
        case 0:
            plugin.setParameter(in.next() % 16, in.value());
            break;
        case 1:
            plugin.setParameter(84 + in.next() % 10, in.value());
            break;
        case 2:
            quibo.panelNoteKey(50 + in.next() % 40, in.value());
            break;
        case 3:
            sendMidi(plugin, in);
            break;
        case 4:
            plugin.setSampleRate(in.next() % 2 ? 48000.0f : 44100.0f);
            break;
        default:
            plugin.processReplacing(nullptr, outputs, in.next() * 4);
            break;
        }
    }
    plugin.processReplacing(nullptr, outputs, 1024);
    for (int i = 0; i < 1024; ++i) {
        if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
            __builtin_trap();
    }
    return 0;
}
