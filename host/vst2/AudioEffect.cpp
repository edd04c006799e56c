#include "AudioEffect.h"

#include "AEffEditor.h"
#include "NumberText.h"

#include <cstring>

namespace {

AudioEffect* objectOf(AEffect* effect)
{
    return effect != nullptr ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

VstIntPtr VSTCALLBACK dispatchTrampoline(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt)
{
    AudioEffect* object = objectOf(effect);
    if (object == nullptr)
        return 0;
    const VstIntPtr result = object->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        delete object;
        return 1;
    }
    return result;
}

void VSTCALLBACK processTrampoline(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    if (AudioEffect* object = objectOf(effect))
        object->process(inputs, outputs, frames);
}

void VSTCALLBACK processReplacingTrampoline(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    if (AudioEffect* object = objectOf(effect))
        object->processReplacing(inputs, outputs, frames);
}

void VSTCALLBACK setParameterTrampoline(AEffect* effect, VstInt32 index, float value)
{
    if (AudioEffect* object = objectOf(effect))
        object->setParameter(index, value);
}

float VSTCALLBACK getParameterTrampoline(AEffect* effect, VstInt32 index)
{
    AudioEffect* object = objectOf(effect);
    return object != nullptr ? object->getParameter(index) : 0.0f;
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback hostCallback, VstInt32 programCount, VstInt32 parameterCount)
    : sampleRate(44100.0f),
      editor(nullptr),
      audioMaster(hostCallback),
      numPrograms(programCount),
      numParams(parameterCount),
      curProgram(0),
      blockSize(1024)
{
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchTrampoline;
    cEffect.process = processTrampoline;
    cEffect.setParameter = setParameterTrampoline;
    cEffect.getParameter = getParameterTrampoline;
    cEffect.numPrograms = programCount;
    cEffect.numParams = parameterCount;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingTrampoline;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        // A negative number reaches setProgram as -1 (ignored there) rather
        // than as whatever its low 32 bits happen to be.
        if (value < numPrograms)
            setProgram(value >= 0 ? static_cast<VstInt32>(value) : -1);
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        setProgramName(static_cast<char*>(ptr));
        return 0;
    // The text requests write into the host's buffer: without one there is
    // nothing to do.
    case effGetProgramName:
        if (ptr != nullptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr != nullptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr != nullptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr != nullptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effGetVu:
        return static_cast<VstIntPtr>(getVu() * 32767.0f);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor != nullptr && ptr != nullptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        // There is no window to open the panel in without a parent.
        return editor != nullptr && ptr != nullptr ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor != nullptr)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor != nullptr)
            editor->idle();
        return 0;
    case effIdentify:
        return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void AudioEffect::setParameter(VstInt32, float)
{
}
float AudioEffect::getParameter(VstInt32)
{
    return 0.0f;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::process(float**, float**, VstInt32)
{
}
void AudioEffect::processReplacing(float**, float**, VstInt32)
{
}
void AudioEffect::open()
{
}
void AudioEffect::close()
{
}
VstInt32 AudioEffect::getProgram()
{
    return curProgram;
}
void AudioEffect::setProgram(VstInt32 program)
{
    curProgram = program;
}
void AudioEffect::setProgramName(char*)
{
}
void AudioEffect::getProgramName(char* name)
{
    if (name != nullptr)
        name[0] = '\0';
}
void AudioEffect::getParameterLabel(VstInt32, char* label)
{
    if (label != nullptr)
        label[0] = '\0';
}
void AudioEffect::getParameterDisplay(VstInt32, char* text)
{
    if (text != nullptr)
        text[0] = '\0';
}
void AudioEffect::getParameterName(VstInt32, char* text)
{
    if (text != nullptr)
        text[0] = '\0';
}
float AudioEffect::getVu()
{
    return 0.0f;
}
VstInt32 AudioEffect::getChunk(void**, bool)
{
    return 0;
}
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool)
{
    return 0;
}
void AudioEffect::setSampleRate(float rate)
{
    sampleRate = rate;
}
void AudioEffect::setBlockSize(VstInt32 size)
{
    blockSize = size;
}
void AudioEffect::suspend()
{
}
void AudioEffect::resume()
{
}
void AudioEffect::setUniqueID(VstInt32 id)
{
    cEffect.uniqueID = id;
}
void AudioEffect::setNumInputs(VstInt32 inputs)
{
    cEffect.numInputs = inputs;
}
void AudioEffect::setNumOutputs(VstInt32 outputs)
{
    cEffect.numOutputs = outputs;
}
void AudioEffect::hasVu(bool state)
{
    setFlag(effFlagsHasVu, state);
}
void AudioEffect::hasClip(bool state)
{
    setFlag(effFlagsHasClip, state);
}
void AudioEffect::canMono(bool state)
{
    setFlag(effFlagsCanMono, state);
}
void AudioEffect::canProcessReplacing(bool state)
{
    setFlag(effFlagsCanReplacing, state);
}
void AudioEffect::programsAreChunks(bool state)
{
    setFlag(effFlagsProgramChunks, state);
}
void AudioEffect::setRealtimeQualities(VstInt32 qualities)
{
    cEffect.realQualities = qualities;
}
void AudioEffect::setOfflineQualities(VstInt32 qualities)
{
    cEffect.offQualities = qualities;
}
void AudioEffect::setInitialDelay(VstInt32 delay)
{
    cEffect.initialDelay = delay;
}
float AudioEffect::getSampleRate()
{
    return sampleRate;
}
VstInt32 AudioEffect::getBlockSize()
{
    return blockSize;
}
VstInt32 AudioEffect::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion);
    return version != 0 ? static_cast<VstInt32>(version) : 1;
}
VstInt32 AudioEffect::getCurrentUniqueId()
{
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}
void AudioEffect::masterIdle()
{
    callHost(audioMasterIdle);
}
bool AudioEffect::isInputConnected(VstInt32 input)
{
    return callHost(audioMasterPinConnected, input, 0) == 0;
}
bool AudioEffect::isOutputConnected(VstInt32 output)
{
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

// --- number-to-text conversions --------------------------------------------

void AudioEffect::dB2string(float value, char* text)
{
    numbertext::dB2string(value, text);
}

void AudioEffect::Hz2string(float samples, char* text)
{
    float2string(samples == 0.0f ? 0.0f : sampleRate / samples, text);
}

void AudioEffect::ms2string(float samples, char* text)
{
    float2string(samples * 1000.0f / sampleRate, text);
}

void AudioEffect::float2string(float value, char* text)
{
    numbertext::float2string(value, text);
}

void AudioEffect::long2string(VstInt32 value, char* text)
{
    numbertext::long2string(value, text);
}
