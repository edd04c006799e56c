// Loads the built plug-in module through its exported entry points, as a
// host does, and checks what the host sees.
#include "VstAbi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

VstIntPtr VSTCALLBACK modernHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr VSTCALLBACK ancientHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

using EntryPoint = AEffect* (*)(audioMasterCallback);

class EntryPointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = dlopen(ZINTRA_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, module) << dlerror();
        entry = reinterpret_cast<EntryPoint>(dlsym(module, "VSTPluginMain"));
        legacyEntry = reinterpret_cast<EntryPoint>(dlsym(module, "main"));
        ASSERT_NE(nullptr, entry);
        ASSERT_NE(nullptr, legacyEntry);
        effect = legacyEntry(modernHost);
        ASSERT_NE(nullptr, effect);
    }
    void TearDown() override
    {
        if (effect != nullptr) {
            EXPECT_EQ(1, call(effClose));
        }
        if (module != nullptr)
            dlclose(module);
    }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index = 0)
    {
        char buffer[128] = {};
        call(opcode, index, 0, buffer);
        return buffer;
    }

    void* module = nullptr;
    EntryPoint entry = nullptr;
    EntryPoint legacyEntry = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(EntryPointTest, RecordShowsTheInstrument)
{
    EXPECT_EQ(fourCharCode('V', 's', 't', 'P'), effect->magic);
    EXPECT_EQ(6, effect->numPrograms);
    EXPECT_EQ(15, effect->numParams);
    EXPECT_EQ(0, effect->numInputs);
    EXPECT_EQ(2, effect->numOutputs);
    EXPECT_EQ(0x131, effect->flags) << "editor, replacing, program chunks, synth";
    EXPECT_EQ(fourCharCode('q', 'b', 'o', '1'), effect->uniqueID);
    EXPECT_EQ(1, effect->version);
    EXPECT_EQ(1.0f, effect->ioRatio);
    EXPECT_EQ(0, effect->initialDelay);
    EXPECT_NE(nullptr, effect->processReplacing);
}

TEST_F(EntryPointTest, BothEntryPointsAreTheSameFunction)
{
    EXPECT_EQ(reinterpret_cast<void*>(entry), reinterpret_cast<void*>(legacyEntry));
}

TEST_F(EntryPointTest, HostThatAnswersNoVersionGetsNothing)
{
    EXPECT_EQ(nullptr, entry(ancientHost));
}

TEST_F(EntryPointTest, FixedAnswersOfTheDispatcher)
{
    EXPECT_EQ(2300, call(effGetVstVersion));
    EXPECT_EQ(fourCharCode('N', 'v', 'E', 'f'), call(effIdentify));
    EXPECT_EQ(1, call(effKeysRequired));
    EXPECT_EQ(2, call(effGetPlugCategory));
    EXPECT_EQ(1000, call(effGetVendorVersion));
    EXPECT_EQ(1, call(effGetNumProgramCategories));
    EXPECT_EQ(1, call(effCanBeAutomated, 3));
    EXPECT_EQ(1234, call(effSetTotalSampleToProcess, 0, 1234));
    EXPECT_EQ(0, call(effEditGetRect));
    EXPECT_EQ(0, call(effEditOpen));
    EXPECT_EQ(0, call(effGetInputProperties));
    EXPECT_EQ(1, call(effConnectOutput, 0, 1));
    EXPECT_EQ("Zintra", text(effGetEffectName));
    EXPECT_EQ("Ferrowick", text(effGetVendorString));
    EXPECT_EQ("Zintra", text(effGetProductString));
}

TEST_F(EntryPointTest, CanDoAnswersExactTextsOnly)
{
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames"}) {
        char buffer[64];
        std::strcpy(buffer, yes);
        EXPECT_EQ(1, call(effCanDo, 0, 0, buffer)) << yes;
    }
    for (const char* no : {"receiveVstTimeInfo", "", "ReceiveVstEvents", "receiveVstEvents "}) {
        char buffer[64];
        std::strcpy(buffer, no);
        EXPECT_EQ(-1, call(effCanDo, 0, 0, buffer)) << '"' << no << '"';
    }
}

TEST_F(EntryPointTest, OutputPinsAreLabelledAndThirdIsRefused)
{
    VstPinProperties pin;
    std::memset(&pin, 0x5A, sizeof pin);
    ASSERT_EQ(1, call(effGetOutputProperties, 0, 0, &pin));
    EXPECT_STREQ("Zintra 1", pin.label);
    EXPECT_EQ(kVstPinIsActive, pin.flags);
    EXPECT_EQ(0x5A, static_cast<unsigned char>(pin.shortLabel[0])); // other fields left as given
    ASSERT_EQ(1, call(effGetOutputProperties, 1, 0, &pin));
    EXPECT_STREQ("Zintra 2", pin.label);

    VstPinProperties untouched;
    std::memset(&untouched, 0x33, sizeof untouched);
    VstPinProperties copy = untouched;
    EXPECT_EQ(0, call(effGetOutputProperties, 2, 0, &untouched));
    EXPECT_EQ(0, std::memcmp(&copy, &untouched, sizeof copy));
}

TEST_F(EntryPointTest, ProgramNumbersOutOfRangeAreIgnored)
{
    call(effSetProgram, 0, 3);
    EXPECT_EQ(3, call(effGetProgram));
    EXPECT_EQ(0, call(effSetProgram, 0, 6));
    EXPECT_EQ(3, call(effGetProgram));
    call(effSetProgram, 0, -1);
    EXPECT_EQ(3, call(effGetProgram));
}

TEST_F(EntryPointTest, ProcessEventsAnswersOneEvenForNoList)
{
    EXPECT_EQ(1, call(effProcessEvents, 0, 0, nullptr));
    VstEvents none{};
    EXPECT_EQ(1, call(effProcessEvents, 0, 0, &none));
}

} // namespace
