#include "CBankChunk.h"

#include "ByteOrder.h"
#include "CQuibo.h"
#include "ParameterValue.h"

#include <algorithm>
#include <cstring>

namespace {

// Places in the fixed image.
constexpr int kProgramOffset = 4;
constexpr int kValuesOffset = 8;
constexpr int kDisplayOffset = 36;
constexpr int kCalculatorOffset = 92;
constexpr int kClockOffset = 536;
constexpr int kSequencerOffset = 552;
static_assert(kDisplayOffset + CDisplayModel::kStateSize == kCalculatorOffset, "display state size");
static_assert(kCalculatorOffset + CCalculator::kRecordSize == kClockOffset, "calculator record size");
static_assert(kSequencerOffset + CSequencer::kBlockBytes == CBankChunk::kFixedSize, "sequencer block size");

// The seven global values in their chunk order.
constexpr int kValueOrder[7] = {kParamMode,   kParamProgram, kParamOctave, kParamBalance,
                                kParamVolume, kParamTempo,   kParamTune};

// The tempo clock's four switches in their chunk order.
int* clockSwitches(CTempoClock& clock, int index)
{
    int* const switches[4] = {&clock.sequencerRunning, &clock.tempoShownPending, &clock.countSteps,
                              &clock.sequencerEnded};
    return switches[index];
}

} // namespace

CBankChunk::CBankChunk()
{
    std::memset(m_image, 0, sizeof m_image);
    byteorder::putInt32(m_image, ProgramRecord::kMarker);
}

const unsigned char* CBankChunk::save(CQuibo& quibo)
{
    byteorder::putInt32(m_image, ProgramRecord::kMarker);
    byteorder::putInt32(m_image + kProgramOffset, quibo.getProgram());
    for (int i = 0; i < 7; ++i)
        byteorder::putFloat(m_image + kValuesOffset + 4 * i, quibo.getParameter(kValueOrder[i]));
    quibo.displayModel().saveState(m_image + kDisplayOffset);
    quibo.calculator().saveRecord(m_image + kCalculatorOffset);
    for (int i = 0; i < 4; ++i)
        byteorder::putInt32(m_image + kClockOffset + 4 * i, *clockSwitches(quibo.tempoClock(), i));
    quibo.sequencer().SaveBlock(m_image + kSequencerOffset);

    bankextension::Content extension;
    for (int i = 0; i < kNumParams; ++i)
        extension.parameters[i] = quibo.getParameter(i);
    std::copy(quibo.programs().begin(), quibo.programs().end(), extension.programs);
    bankextension::write(m_image + kFixedSize, extension);
    return m_image;
}

// Every field is read within its place in the chunk: the sequencer refuses a
// block whose list it cannot hold (then nothing at all changes), the
// calculator and the display bring their fields into range, parameter values
// are clamped to 0..1 with NaN as 0, clock switches become 0 or 1, and a
// program number outside 0..5 leaves the program as it is.
bool CBankChunk::restore(CQuibo& quibo, const unsigned char* data, int size)
{
    if (data == nullptr || size < kFixedSize || byteorder::getInt32(data) > ProgramRecord::kMarker)
        return false;
    bankextension::Content extension;
    const bool extended = bankextension::read(data + kFixedSize, static_cast<size_t>(size - kFixedSize), extension);
    if (!quibo.sequencer().LoadBlock(data + kSequencerOffset))
        return false;
    quibo.calculator().loadRecord(data + kCalculatorOffset);
    // The program is selected here, not by a queued Program value: a later
    // queued selection would apply the program's sound again over the host's
    // own later edits.
    for (int i = 0; i < 7; ++i) {
        const float value = clampParameter(byteorder::getFloat(data + kValuesOffset + 4 * i));
        quibo.storeParameter(kValueOrder[i], value);
        if (kValueOrder[i] != kParamProgram)
            quibo.setParameter(kValueOrder[i], value);
    }
    if (extended)
        std::copy(extension.programs, extension.programs + kNumPrograms, quibo.programs().begin());
    quibo.selectProgram(byteorder::getInt32(data + kProgramOffset), false);
    // The sound as it was saved, edits after the program's selection included;
    // queued after the selection's values, so these are the ones that stay.
    if (extended) {
        for (int i = kFirstSoundParam; i <= kLastSoundParam; ++i) {
            const float value = clampParameter(extension.parameters[i]);
            quibo.storeParameter(i, value);
            quibo.setParameter(i, value);
        }
    }
    for (int i = 0; i < 4; ++i)
        *clockSwitches(quibo.tempoClock(), i) = byteorder::getInt32(data + kClockOffset + 4 * i) != 0 ? 1 : 0;
    quibo.displayModel().loadState(data + kDisplayOffset);
    return true;
}
