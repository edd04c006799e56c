#pragma once
// A plug-in instance whose voice slot is replaced by a recorder, so tests can
// see what the panel sends to the voice, and helpers to press panel keys.

#include "CEventListener.h"
#include "TestHost.h"

#include <vector>

namespace testhost {

struct SentMessage {
    int status, data1, data2;
};

class VoiceRecorder : public CEventListener {
public:
    int OnEvent(const MidiMessage& event) override
    {
        sent.push_back({event.status, event.data1, event.data2});
        return 1;
    }
    std::vector<SentMessage> sent;
};

struct Panel : Instance {
    VoiceRecorder voice;

    Panel()
    {
        quibo.eventManager().setListener(0, &voice);
        process(0);
    }
    void setMode(float value)
    {
        plugin->setParameter(kParamMode, value);
        process(0);
        voice.sent.clear();
    }
    // A function key through the parameter setter, as the editor sends it.
    void functionKey(int code, float value = 1.0f)
    {
        plugin->setParameter(code, value);
        process(0);
    }
    void tapNote(int note)
    {
        quibo.keyDispatcher().noteKey(note, 1.0f);
        quibo.keyDispatcher().noteKey(note, 0.0f);
    }
    void typeDigits(const char* digits)
    {
        static const int kDigitKeys[10] = {59, 60, 62, 64, 65, 67, 69, 71, 72, 74};
        for (const char* d = digits; *d != '\0'; ++d)
            quibo.keyDispatcher().noteKey(kDigitKeys[*d - '0'], 1.0f);
    }
};

} // namespace testhost
