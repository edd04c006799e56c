// A plug-in that has only the test editor (GuiTestEditor.h): the X11 and
// Windows GUI tests load it like a host would and open its editor on a
// window of their own. Its host calls go through the plug-in frame.
#include "AudioEffectX.h"
#include "CEditorHost.h"
#include "CEditorListener.h"
#include "GuiTestEditor.h"

namespace {

class CGuiTestPlugin : public AudioEffectX, public CEditorHost, public CEditorListener {
public:
    explicit CGuiTestPlugin(audioMasterCallback audioMaster)
        : AudioEffectX(audioMaster, 1, 0)
    {
        setUniqueID(fourCharCode('q', 'b', 'g', 't'));
        new guitest::CGuiTestEditor(this);
    }

    void adoptEditor(CEditorView* adopted, bool showEditor) override
    {
        setEditor(dynamic_cast<AEffEditor*>(adopted));
        adopted->setListener(this);
        if (!showEditor)
            setFlag(effFlagsHasEditor, false);
    }
    void idleHost() override { masterIdle(); }
    void beginGesture(std::int32_t index) override { beginEdit(index); }
    void performGesture(std::int32_t, float) override { }
    void endGesture(std::int32_t index) override { endEdit(index); }
    bool resizeRequest(std::int32_t width, std::int32_t height) override { return sizeWindow(width, height); }
};

} // namespace

#if defined(_WIN32)
#define GUI_TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define GUI_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

GUI_TEST_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    return (new CGuiTestPlugin(audioMaster))->getAeffect();
}
