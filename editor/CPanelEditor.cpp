#include "CPanelEditor.h"

#include "CEditorPort.h"
#include "CHandleSlider.h"
#include "CKeyButton.h"
#include "CLcdView.h"
#include "CLegendView.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "CStepSwitch.h"

namespace {

constexpr int kBackgroundBitmap = 150;

struct SwitchRow {
    int parameter;
    int bitmapId;
    int left;
    int top;
    int positions;
};
// In the order they are made.
constexpr SwitchRow kSwitches[] = {
    {kParamProgram, 151, 712, 26, 6},
    {kParamOctave, 152, 641, 26, 3},
    {kParamMode, 153, 805, 26, 4},
};

struct SliderRow {
    int parameter;
    int backgroundId;
    int handleId;
    int left;
    int top;
};
constexpr SliderRow kSliders[] = {
    {kParamVolume, 154, 155, 412, 26},
    {kParamBalance, 156, 157, 523, 26},
};
// The handle sits one pixel into the slot and travels over the slot's width
// less its own and that pixel.
constexpr CPoint kHandleOffset{1, 0};
constexpr int kSliderStyle = kSliderHorizontal | kSliderLeft;

struct KeyRow {
    int bitmapId;
    int left;
    bool black;
};
// Keys 55 to 83.
constexpr KeyRow kKeyRows[CPanelEditor::kKeyCount] = {
    {158, 246, false}, {175, 267, true},  {159, 283, false}, {176, 304, true},  {160, 320, false}, {161, 356, false},
    {177, 377, true},  {162, 394, false}, {178, 414, true},  {163, 430, false}, {164, 467, false}, {179, 487, true},
    {165, 504, false}, {180, 524, true},  {166, 541, false}, {181, 561, true},  {167, 578, false}, {168, 614, false},
    {182, 635, true},  {169, 651, false}, {183, 673, true},  {170, 688, false}, {171, 725, false}, {184, 746, true},
    {172, 762, false}, {185, 783, true},  {173, 799, false}, {186, 820, true},  {174, 836, false},
};
constexpr int kWhiteKeyTop = 160;
constexpr int kBlackKeyTop = 105;

struct ButtonRow {
    int bitmapId;
    int left;
    int top;
};
// Buttons 84 to 93.
constexpr ButtonRow kButtonRows[CPanelEditor::kButtonCount] = {
    {199, 455, 67}, {200, 491, 67}, {201, 528, 67}, {202, 565, 67}, {203, 602, 67},
    {204, 639, 67}, {205, 676, 67}, {206, 712, 67}, {207, 794, 56}, {208, 837, 56},
};
constexpr int kStripFrames = 2;

// The digit keys (0 to 9) that pick a rhythm.
constexpr int kDigitKeys[10] = {59, 60, 62, 64, 65, 67, 69, 71, 72, 74};

bool playOrRec(int mode)
{
    return mode == kModePlay || mode == kModeRec;
}

} // namespace

CPanelEditor::CPanelEditor(CEditorPort* port)
    : CPluginLink(port),
      CGuiEditor(this),
      m_port(port),
      m_background(new CPanelBitmap(kBackgroundBitmap))
{
    for (float& sent : m_lastSent)
        sent = -1.0f;
    setRect({0, 0, m_background->width(), m_background->height()});
}

void CPanelEditor::setListener(CEditorListener* listener)
{
    linkFront(listener);
    CGuiEditor::setListener(listener != nullptr ? static_cast<CPluginLink*>(this) : nullptr);
}

CPanelEditor::~CPanelEditor()
{
    CPanelEditor::close();
    m_background->release();
}

int CPanelEditor::digitOfKey(int tag)
{
    for (int digit = 0; digit < 10; ++digit)
        if (kDigitKeys[digit] == tag)
            return digit;
    return -1;
}

CPanelControl* CPanelEditor::parameterControl(int index) const
{
    return index >= 0 && index < kParameterControls ? m_parameterControls[index] : nullptr;
}

CKeyButton* CPanelEditor::key(int tag) const
{
    return tag >= kFirstNoteKey && tag <= kLastNoteKey ? m_keys[tag - kFirstNoteKey] : nullptr;
}

CKeyButton* CPanelEditor::button(int tag) const
{
    return tag >= KeyReset && tag <= KeyOneKey2 ? m_buttons[tag - KeyReset] : nullptr;
}

// --- opening and closing ----------------------------------------------------

bool CPanelEditor::open(void* parentWindow)
{
    if (m_open)
        close();
    CGuiEditor::open(parentWindow);
    const CRect panel{0, 0, m_background->width(), m_background->height()};
    CPanelFrame* frame = new CPanelFrame(panel, parentWindow, this, scale());
    if (!frame->hasWindow())
        return adoptFrame(frame);
    frame->setBackground(m_background);
    createControls(*frame);
    m_legends.build(this);
    m_hoverHint = 0;
    m_lcd = std::make_unique<CLcdView>(*frame, this);
    adoptFrame(frame);
    m_port->attachDisplay(m_lcd.get());
    m_hintHoldOff = 0;
    m_keysShown = 0;
    m_open = true;
    // The legends of the mode the instrument is in.
    m_legendMode = m_port->panelMode();
    m_legends.attachMode(*frame, m_legendMode);
    return true;
}

bool CPanelEditor::addControl(CPanelFrame& frame, CPanelControl* control)
{
    if (frame.attachView(control))
        return true;
    control->release();
    return false;
}

void CPanelEditor::createControls(CPanelFrame& frame)
{
    for (const SwitchRow& row : kSwitches) {
        CPanelBitmap* bitmap = new CPanelBitmap(row.bitmapId);
        const int height = bitmap->height() / row.positions;
        auto* control = new CStepSwitch(CRect::fromSize(row.left, row.top, bitmap->width(), height), this,
                                        row.parameter, row.positions, height, row.positions, bitmap, {0, 0});
        bitmap->release();
        control->setValue(m_port->parameterValue(row.parameter));
        if (addControl(frame, control))
            m_parameterControls[row.parameter] = control;
    }
    for (const SliderRow& row : kSliders) {
        CPanelBitmap* background = new CPanelBitmap(row.backgroundId);
        CPanelBitmap* handle = new CPanelBitmap(row.handleId);
        const int width = background->width();
        // The handle's left edge from the slot's left edge to the last place
        // where it still lies inside.
        auto* control = new CHandleSlider(CRect::fromSize(row.left, row.top, width, background->height()), this,
                                          row.parameter, row.left, row.left + width - handle->width() - 1, handle,
                                          background, {0, 0}, kSliderStyle);
        background->release();
        handle->release();
        control->setValue(m_port->parameterValue(row.parameter));
        control->setHandleOffset(kHandleOffset);
        if (addControl(frame, control))
            m_parameterControls[row.parameter] = control;
    }
    for (int i = 0; i < kKeyCount; ++i) {
        const KeyRow& row = kKeyRows[i];
        CPanelBitmap* bitmap = new CPanelBitmap(row.bitmapId);
        const int height = bitmap->height() / kStripFrames;
        const int top = row.black ? kBlackKeyTop : kWhiteKeyTop;
        auto* control = new CKeyButton(CRect::fromSize(row.left, top, bitmap->width(), height), this, kFirstNoteKey + i,
                                       height, bitmap, {0, 0});
        bitmap->release();
        if (addControl(frame, control))
            m_keys[i] = control;
    }
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonRow& row = kButtonRows[i];
        CPanelBitmap* bitmap = new CPanelBitmap(row.bitmapId);
        const int height = bitmap->height() / kStripFrames;
        auto* control = new CKeyButton(CRect::fromSize(row.left, row.top, bitmap->width(), height), this, KeyReset + i,
                                       height, bitmap, {0, 0});
        bitmap->release();
        if (addControl(frame, control))
            m_buttons[i] = control;
    }
}

void CPanelEditor::close()
{
    if (m_open) {
        releaseComputerKeys();
        m_open = false;
        m_port->detachDisplay();
        m_lcd.reset();
        m_legends.clear(frame());
        for (CPanelControl*& control : m_parameterControls)
            control = nullptr;
        for (CKeyButton*& control : m_keys)
            control = nullptr;
        for (CKeyButton*& control : m_buttons)
            control = nullptr;
        m_hoverHint = 0;
        m_rhythmOverlayShown = false;
        m_rhythmDigitWait = false;
    }
    CGuiEditor::close();
}

// --- what the controls report -----------------------------------------------

void CPanelEditor::controlChanged(CPanelControl* control)
{
    touch();
    const int tag = control->tag();
    const float value = control->value();
    if (tag >= 0 && tag < kParameterControls) {
        if (tag == kParamMode)
            m_rhythmDigitWait = false;
        if (value != m_lastSent[tag]) {
            m_lastSent[tag] = value;
            sendParameter(tag, value);
        }
    } else if (tag == KeyRhythm) {
        if (value != 0.0f && !m_rhythmDigitWait && playOrRec(m_port->panelMode()))
            m_rhythmDigitWait = true;
    } else if (tag == KeyOneKey1 || tag == KeyOneKey2) {
        m_rhythmDigitWait = false;
        sendKey(tag, value);
    } else if (tag >= KeyReset && tag <= KeyPlay) {
        m_rhythmDigitWait = false;
        if (value != 0.0f)
            sendKey(tag, value);
    } else if (tag >= kFirstNoteKey && tag <= kLastNoteKey) {
        routeNoteKey(tag, value);
    }
    m_hintHoldOff = kHintHoldOff;
}

void CPanelEditor::routeNoteKey(int tag, float value)
{
    const int digit = digitOfKey(tag);
    if (m_rhythmDigitWait && digit >= 0) {
        if (value != 0.0f)
            sendKey(KeyRhythm, static_cast<float>(digit) / 10.0f);
        else
            m_rhythmDigitWait = false;
        return;
    }
    m_rhythmDigitWait = false;
    m_port->noteKey(tag, value);
}

// --- the computer keyboard --------------------------------------------------

bool CPanelEditor::keyDown(const EditorKey& editorKey)
{
    touch();
    if (!m_open)
        return false;
    const CKeyCode key{editorKey.character, editorKey.virtualKey, editorKey.modifiers};
    if (CComputerKeyboard::leftToHost(key))
        return false;
    const int tag = m_computerKeyboard.press(key, m_port->panelMode());
    if (tag == CComputerKeyboard::kHeld)
        return true;
    if (tag == CComputerKeyboard::kNone)
        return CGuiEditor::keyDown(editorKey);
    pressPanelKey(tag, 1.0f);
    return true;
}

bool CPanelEditor::keyUp(const EditorKey& editorKey)
{
    touch();
    if (!m_open)
        return false;
    const int tag = m_computerKeyboard.release({editorKey.character, editorKey.virtualKey, editorKey.modifiers});
    if (tag == CComputerKeyboard::kNone)
        return CGuiEditor::keyUp(editorKey);
    pressPanelKey(tag, 0.0f);
    return true;
}

// The key is shown as the computer key holds it and sends what a click
// sends; a key the mouse holds stays the mouse's.
void CPanelEditor::pressPanelKey(int tag, float value)
{
    CKeyButton* control = tag >= kFirstNoteKey && tag <= kLastNoteKey ? key(tag) : button(tag);
    if (control == nullptr || control->tracking())
        return;
    control->setValue(value);
    controlChanged(control);
}

void CPanelEditor::releaseComputerKeys()
{
    for (int tag = m_computerKeyboard.releaseAny(); tag != CComputerKeyboard::kNone;
         tag = m_computerKeyboard.releaseAny())
        pressPanelKey(tag, 0.0f);
}

// Parameters are automated, so the host records them; function keys only
// enter the plug-in's queue, since the host knows no parameter of theirs.
void CPanelEditor::sendParameter(int index, float value)
{
    m_port->editParameter(index, value);
    performEdit(index, value);
}

void CPanelEditor::sendKey(int tag, float value)
{
    m_port->functionKey(tag, value);
}

// --- what the instrument reports --------------------------------------------

void CPanelEditor::setParameter(VstInt32 index, float value)
{
    if (!m_open)
        return;
    if (index >= 0 && index < kParameterControls) {
        CPanelControl* control = m_parameterControls[index];
        // A control the user is moving keeps the user's value. Otherwise it
        // shows the instrument's, and a move back to the value the editor
        // sent before is sent again.
        if (control != nullptr && !control->tracking()) {
            control->setValue(m_port->parameterValue(index));
            m_lastSent[index] = control->value();
        }
    } else if (CKeyButton* note = key(index)) {
        note->setValue(value > 0.0f ? 1.0f : 0.0f);
    }
    postUpdate();
}

void CPanelEditor::takeNotices()
{
    const CEditorNotices::Taken taken = m_port->takeNotices();
    // A key shown down for a press it no longer holds goes up at the next take.
    if (taken.keysUpAgain != 0)
        touch();
    for (int index = 0; index < kParameterControls; ++index)
        if ((taken.parameters >> index) & 1u)
            setParameter(index, m_port->parameterValue(index));
    const std::uint32_t changed = taken.keysShownDown ^ m_keysShown;
    for (int k = 0; k < kKeyCount; ++k) {
        const std::uint32_t bit = 1u << k;
        if ((changed & bit) == 0)
            continue;
        m_keysShown ^= bit;
        // A key the mouse holds shows the mouse's state.
        if (m_keys[k] != nullptr && !m_keys[k]->tracking())
            setParameter(kFirstNoteKey + k, (m_keysShown & bit) != 0 ? 1.0f : 0.0f);
    }
}

// --- idle -------------------------------------------------------------------

void CPanelEditor::idle()
{
    if (!m_open || frame() == nullptr)
        return;
    // After an idle that changed nothing, with the instrument's change
    // counter where it was, no hint waiting and no news for the framework
    // (one non-blocking look at the window's connection), this idle would
    // change nothing either. Hosts idle every open editor up to 60 times a
    // second: an idle of an untouched panel costs that and nothing more.
    if (!idleWouldWork())
        return;
    m_changesSeen = m_port->changeCount();
    takeNotices();
    m_port->refreshDisplay();
    const int mode = m_port->panelMode();
    if (mode != m_legendMode)
        changeLegendMode(mode);
    updateHoverHint(mode);
    updateModeLegends(mode);
    // Last: a click read here may close the panel.
    CGuiEditor::idle();
}

bool CPanelEditor::idleWouldWork()
{
    return m_port->changeCount() != m_changesSeen || m_hintHoldOff != 0 || idleMayHaveWork();
}

bool CPanelEditor::wantsIdle()
{
    return m_open && frame() != nullptr && (m_keysShown != 0 || idleWouldWork());
}

void CPanelEditor::changeLegendMode(int mode)
{
    CPanelFrame& panel = *frame();
    for (int id = CLegendSet::kFirstId; id <= CLegendSet::kLastId; ++id)
        if (m_legends.shownInMode(id, m_legendMode) && !m_legends.shownInMode(id, mode))
            m_legends.detach(panel, id);
    m_legends.attachMode(panel, mode);
    m_legendMode = mode;
}

int CPanelEditor::hintOf(const CPanelView* view) const
{
    if (view == nullptr)
        return 0;
    static constexpr int kParameterHints[kParameterControls] = {
        CLegendSet::kHintProgram, CLegendSet::kHintMode,   CLegendSet::kHintVolume,
        CLegendSet::kHintBalance, CLegendSet::kHintOctave, 0,
    };
    for (int index = 0; index < kParameterControls; ++index)
        if (view == m_parameterControls[index])
            return kParameterHints[index];
    for (int tag = KeyReset; tag <= KeyPlay; ++tag)
        if (view == button(tag))
            return CLegendSet::kHintFirstButton + (tag - KeyReset);
    if (view == button(KeyOneKey1))
        return CLegendSet::kHintOneKey1;
    if (view == button(KeyOneKey2))
        return CLegendSet::kHintOneKey2;
    return 0;
}

void CPanelEditor::updateHoverHint(int mode)
{
    if (m_hintHoldOff > 0)
        --m_hintHoldOff;
    const int hint = m_hintHoldOff > 0 ? 0 : hintOf(frame()->viewUnderMouse());
    if (hint != m_hoverHint && m_hoverHint != 0)
        m_legends.switchOff(m_hoverHint);
    else if (hint != 0)
        m_legends.switchOn(hint, mode);
    m_hoverHint = hint;
}

void CPanelEditor::updateModeLegends(int mode)
{
    // The rhythm digit is waited for in Play and Rec only.
    if (!playOrRec(mode))
        m_rhythmDigitWait = false;
    CPanelFrame& panel = *frame();
    if (m_rhythmDigitWait && !m_rhythmOverlayShown) {
        m_legends.attach(panel, CLegendSet::kRhythmOverlay);
        if (CLegendView* overlay = m_legends.view(CLegendSet::kRhythmOverlay))
            overlay->setValue(1.0f);
        m_rhythmOverlayShown = true;
    } else if (!m_rhythmDigitWait && m_rhythmOverlayShown) {
        // Taken off at once; the keys under it are drawn again as they are.
        m_legends.detach(panel, CLegendSet::kRhythmOverlay);
        if (CLegendView* overlay = m_legends.view(CLegendSet::kRhythmOverlay))
            overlay->setValue(0.0f);
        m_rhythmOverlayShown = false;
    }
    if (mode == kModeCal)
        for (int id : {CLegendSet::kCalButtons, CLegendSet::kCalKeys, CLegendSet::kCalMemoryPlus})
            m_legends.switchOn(id, kModeCal);
}
