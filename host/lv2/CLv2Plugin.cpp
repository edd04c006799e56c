#include "CLv2Plugin.h"

#include "PanelCodes.h"
#include "ParameterValue.h"

#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Atoms in a sequence or an object start at 8-byte boundaries.
std::uint32_t padded(std::uint32_t size)
{
    return (size + 7u) & ~7u;
}

const LV2_URID_Map* findMap(const LV2_Feature* const* features)
{
    // An entry without a URI is no feature; it is passed over.
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            return static_cast<const LV2_URID_Map*>(features[i]->data);
    }
    return nullptr;
}

// The body that follows an atom's header (or any header type).
template <typename Header>
const std::uint8_t* bodyAfter(const Header& header)
{
    return reinterpret_cast<const std::uint8_t*>(&header + 1);
}

} // namespace

CLv2Plugin* CLv2Plugin::create(std::unique_ptr<CInstrument> instrument, double rate, const LV2_Feature* const* features)
{
    const LV2_URID_Map* map = findMap(features);
    if (instrument == nullptr || map == nullptr || map->map == nullptr)
        return nullptr;
    if (!(rate > 0.0 && rate < 1.0e9) || !instrument->setSampleRate(static_cast<float>(rate)))
        return nullptr;
    return new (std::nothrow) CLv2Plugin(std::move(instrument), *map);
}

CLv2Plugin::CLv2Plugin(std::unique_ptr<CInstrument> instrument, const LV2_URID_Map& map)
    : m_instrument(std::move(instrument))
{
    auto urid = [&map](const char* uri) { return map.map(map.handle, uri); };
    m_urids.midiEvent = urid(LV2_MIDI__MidiEvent);
    m_urids.atomObject = urid(LV2_ATOM__Object);
    m_urids.atomBlank = urid(LV2_ATOM__Blank);
    m_urids.atomFloat = urid(LV2_ATOM__Float);
    m_urids.atomDouble = urid(LV2_ATOM__Double);
    m_urids.atomInt = urid(LV2_ATOM__Int);
    m_urids.atomChunk = urid(LV2_ATOM__Chunk);
    m_urids.atomBeatTime = urid(LV2_ATOM__beatTime);
    m_urids.timePosition = urid(LV2_TIME__Position);
    m_urids.timeSpeed = urid(LV2_TIME__speed);
    m_urids.stateBank = urid(lv2contract::kStateBankUri);
    for (int i = 0; i < kNumParams; ++i)
        m_lastPortValue[i] = m_instrument->getParameter(i);
}

CLv2Plugin::~CLv2Plugin() = default;

bool CLv2Plugin::transportRuns() const
{
    return m_transportRuns.load(std::memory_order_relaxed);
}

void CLv2Plugin::connectPort(std::uint32_t port, void* data)
{
    using namespace lv2contract;
    if (port == kPortMidiIn)
        m_midiIn = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == kPortVoice)
        m_voice = static_cast<float*>(data);
    else if (port == kPortRhythm)
        m_rhythm = static_cast<float*>(data);
    else if (port >= kFirstParameterPort && port < kPortCount)
        m_controls[port - kFirstParameterPort] = static_cast<const float*>(data);
}

// Events and parameters first: both apply from the block's first sample on
// (an event at its frame). Without output buffers nothing is rendered.
void CLv2Plugin::run(std::uint32_t frames)
{
    readEvents(frames);
    const AfterRestore afterRestore = m_afterRestore.exchange(AfterRestore::kNothing, std::memory_order_relaxed);
    if (afterRestore == AfterRestore::kAdoptPorts) {
        adoptPortValues();
    } else {
        if (afterRestore == AfterRestore::kApplyProgram)
            forgetProgramPort();
        readParameters();
    }
    if (m_voice == nullptr || m_rhythm == nullptr)
        return;
    const std::uint32_t limit = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
    m_instrument->render(m_voice, m_rhythm, static_cast<std::int32_t>(frames < limit ? frames : limit));
}

// --- events ----------------------------------------------------------------

// Walks the sequence's events, each a header and its atom, padded to 8
// bytes; a size that overruns the sequence ends the walk. Each event plays
// at its frame within the block: one before the block at its start, one
// after it at its last frame. Events inside the block go to the instrument
// first, those stamped after it next, so that however many late events
// come (and in whatever order) they never take the instrument's queue from
// current ones. Only frame times place events: a sequence in beats has its
// events played at the block's start.
void CLv2Plugin::readEvents(std::uint32_t frames)
{
    if (m_midiIn == nullptr || m_midiIn->atom.size < sizeof(LV2_Atom_Sequence_Body))
        return;
    // Only a sequence that says it is in beats is taken as not in frames:
    // Ardour 7.3's bounces came out early, at times, when every unit but 0
    // and atom:frameTime was read so, though its times are frames.
    const bool inFrames = m_midiIn->body.unit != m_urids.atomBeatTime;
    const std::int64_t last =
        std::min<std::int64_t>(frames, std::numeric_limits<std::int32_t>::max()) - (frames > 0 ? 1 : 0);
    const std::uint8_t* events = bodyAfter(m_midiIn->body);
    const std::uint32_t size = m_midiIn->atom.size - static_cast<std::uint32_t>(sizeof(LV2_Atom_Sequence_Body));
    for (const bool late : {false, true}) {
        std::uint32_t offset = 0;
        while (size - offset >= sizeof(LV2_Atom_Event)) {
            const auto* event = reinterpret_cast<const LV2_Atom_Event*>(events + offset);
            if (event->body.size > size - offset - sizeof(LV2_Atom_Event))
                break;
            const std::int64_t frame = inFrames ? event->time.frames : 0;
            if ((frame > last) == late)
                readEvent(*event, static_cast<std::int32_t>(std::clamp<std::int64_t>(frame, 0, last)));
            offset += padded(static_cast<std::uint32_t>(sizeof(LV2_Atom_Event)) + event->body.size);
            if (offset >= size)
                break;
        }
    }
}

void CLv2Plugin::readEvent(const LV2_Atom_Event& event, std::int32_t frame)
{
    if (event.body.type == m_urids.midiEvent)
        readMidi(frame, event.body);
    else if (event.body.type == m_urids.atomObject || event.body.type == m_urids.atomBlank)
        readPosition(event.body);
}

// The instrument takes the channel messages among them.
void CLv2Plugin::readMidi(std::int32_t frame, const LV2_Atom& atom)
{
    m_instrument->midiBytesIn(frame, bodyAfter(atom), atom.size);
}

// A time:Position object: its time:speed (0 stopped, else rolling) is all
// the instrument asks of the host's transport.
void CLv2Plugin::readPosition(const LV2_Atom& atom)
{
    if (atom.size < sizeof(LV2_Atom_Object_Body))
        return;
    const auto& object = *reinterpret_cast<const LV2_Atom_Object_Body*>(bodyAfter(atom));
    if (object.otype != m_urids.timePosition)
        return;
    const std::uint8_t* properties = bodyAfter(object);
    const std::uint32_t size = atom.size - static_cast<std::uint32_t>(sizeof(LV2_Atom_Object_Body));
    std::uint32_t offset = 0;
    while (size - offset >= sizeof(LV2_Atom_Property_Body)) {
        const auto* property = reinterpret_cast<const LV2_Atom_Property_Body*>(properties + offset);
        if (property->value.size > size - offset - sizeof(LV2_Atom_Property_Body))
            return;
        if (property->key == m_urids.timeSpeed) {
            const std::uint8_t* value = bodyAfter(*property);
            double speed = 0.0;
            if (property->value.type == m_urids.atomFloat && property->value.size >= sizeof(float))
                speed = *reinterpret_cast<const float*>(value);
            else if (property->value.type == m_urids.atomDouble && property->value.size >= sizeof(double))
                speed = *reinterpret_cast<const double*>(value);
            else
                return;
            m_transportRuns.store(speed != 0.0, std::memory_order_relaxed);
            return;
        }
        offset += padded(static_cast<std::uint32_t>(sizeof(LV2_Atom_Property_Body)) + property->value.size);
        if (offset >= size)
            return;
    }
}

// --- parameters --------------------------------------------------------------

// Edge-triggered: a port is sent only when its value moved since the last
// run, and only when it differs from the instrument's own value, so a value
// the instrument changed itself is not undone by the host's older one, and a
// UI's echo of it is not applied again. NaN is ignored; values outside 0 to 1
// are clamped as the instrument clamps them.
void CLv2Plugin::readParameters()
{
    for (int i = 0; i < kNumParams; ++i) {
        if (m_controls[i] == nullptr)
            continue;
        const float port = *m_controls[i];
        if (std::isnan(port) || port == m_lastPortValue[i])
            continue;
        m_lastPortValue[i] = port;
        const float value = clampParameter(port);
        if (value != m_instrument->getParameter(i))
            m_instrument->setParameter(i, value);
    }
}

// After a state restore the instrument holds the saved values; the ports'
// values then are the host's view of them and are taken as read, not sent.
void CLv2Plugin::adoptPortValues()
{
    for (int i = 0; i < kNumParams; ++i) {
        if (m_controls[i] != nullptr && !std::isnan(*m_controls[i]))
            m_lastPortValue[i] = *m_controls[i];
    }
}

// A restore without a bank is a preset: port values only, of which ours set
// Program. Its value is sent even when the port held it already, since the
// instrument may have left that program (by MIDI) without the host knowing.
void CLv2Plugin::forgetProgramPort()
{
    m_lastPortValue[kParamProgram] = std::numeric_limits<float>::quiet_NaN();
}

// --- state -------------------------------------------------------------------

LV2_State_Status CLv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    if (store == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    const void* bytes = nullptr;
    const std::int32_t size = m_instrument->getChunk(&bytes, false);
    if (bytes == nullptr || size <= 0)
        return LV2_STATE_ERR_UNKNOWN;
    return store(handle, m_urids.stateBank, bytes, static_cast<size_t>(size), m_urids.atomChunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

// A bank of another type or one the instrument refuses (damaged, from a
// later version) changes nothing and answers an error. No bank at all is a
// preset's state: its port values follow from the host.
LV2_State_Status CLv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    if (retrieve == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* bytes = retrieve(handle, m_urids.stateBank, &size, &type, &flags);
    if (bytes == nullptr) {
        m_afterRestore.store(AfterRestore::kApplyProgram, std::memory_order_relaxed);
        return LV2_STATE_SUCCESS;
    }
    if (type != m_urids.atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    if (size > static_cast<size_t>(std::numeric_limits<std::int32_t>::max()))
        return LV2_STATE_ERR_UNKNOWN;
    if (m_instrument->setChunk(bytes, static_cast<std::int32_t>(size), false) == 0)
        return LV2_STATE_ERR_UNKNOWN;
    m_afterRestore.store(AfterRestore::kAdoptPorts, std::memory_order_relaxed);
    return LV2_STATE_SUCCESS;
}
