#include "CGuiEditor.h"

#include "CEditorHost.h"
#include "CEditorListener.h"
#include "CPanelFrame.h"
#include "platform/GuiPlatform.h"

namespace {
constexpr int kTrackingSleep = 4; // ms between two steps of a tracking loop
constexpr std::uint32_t kIdlePeriod = 100; // next idle time after an idle pass...
constexpr std::uint32_t kIdleEarly = 50; // ...of which this much may be left

EditorKey keyFrom(const VstKeyCode& code)
{
    EditorKey key;
    key.character = code.character;
    key.virtualKey = code.virt;
    key.modifiers = code.modifier;
    return key;
}

CKeyCode frameKeyFrom(const EditorKey& editorKey)
{
    CKeyCode key;
    key.character = editorKey.character;
    key.virt = editorKey.virtualKey;
    key.modifier = editorKey.modifiers;
    return key;
}

// a < b on a clock that wraps at 2^32.
bool earlier(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) < 0;
}
} // namespace

VstInt32 CGuiEditor::s_knobMode = 0;

CGuiEditor::CGuiEditor(CEditorHost* host)
    : m_host(host),
      m_nextIdleTime(guiplatform::tickCount())
{
    if (m_host != nullptr)
        m_host->adoptEditor(this, guiplatform::hasWindowBackend());
}

CGuiEditor::~CGuiEditor()
{
    CGuiEditor::close();
}

bool CGuiEditor::getRect(ERect** rect)
{
    if (rect == nullptr)
        return false;
    if (m_frame == nullptr)
        chooseScale(nullptr);
    *rect = &m_rect;
    return true;
}

CEditorView::Size CGuiEditor::size()
{
    ERect* rect = nullptr;
    getRect(&rect);
    return {rect->right - rect->left, rect->bottom - rect->top};
}

bool CGuiEditor::open(void* parentWindow)
{
    postUpdate();
    m_parentWindow = parentWindow;
    // The host sized its window from an earlier answer; the window's own
    // screen may say otherwise.
    rescale(parentWindow);
    return false;
}

void CGuiEditor::setHostScaleFactor(float factor)
{
    touch();
    m_scaleChoice.setHostFactor(factor);
    if (m_frame == nullptr) {
        chooseScale(nullptr);
        return;
    }
    if (rescale(m_parentWindow))
        m_frame->setScale(m_scale);
}

void CGuiEditor::chooseScale(void* parentWindow)
{
    m_scale = m_scaleChoice.scaleFor(parentWindow);
    updateRect();
}

bool CGuiEditor::rescale(void* parentWindow)
{
    const int told = m_scale;
    chooseScale(parentWindow);
    if (m_scale == told)
        return false;
    if (m_listener != nullptr)
        m_listener->resizeRequest(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
    return true;
}

void CGuiEditor::updateRect()
{
    const CRect scaled = guiscale::toWindow(m_panelRect, m_scale);
    m_rect.left = static_cast<VstInt16>(scaled.left);
    m_rect.top = static_cast<VstInt16>(scaled.top);
    m_rect.right = static_cast<VstInt16>(scaled.right);
    m_rect.bottom = static_cast<VstInt16>(scaled.bottom);
}

void CGuiEditor::close()
{
    releaseFrame();
    m_parentWindow = nullptr;
}

void CGuiEditor::releaseFrame()
{
    if (m_frame == nullptr)
        return;
    // A control that follows the mouse across idles ends its edit (and lets
    // go of a held key) while the editor still hears it.
    m_frame->endTracking();
    CPanelFrame* frame = m_frame;
    m_frame = nullptr;
    frame->forgetEditor();
    frame->release();
}

std::uintptr_t CGuiEditor::nativeWindow() const
{
    if (m_frame == nullptr || !m_frame->isOpen() || m_frame->window() == nullptr)
        return 0;
    return m_frame->window()->nativeHandle();
}

void CGuiEditor::idle()
{
    if (m_insideHostIdle)
        return;
    if (m_frame != nullptr)
        m_frame->processWindowEvents();
    const bool updated = m_updatePending;
    if (m_updatePending) {
        m_updatePending = false;
        update();
    }
    const bool changed = m_frame != nullptr && m_frame->redrawDirty();
    m_idleChangedNothing = !updated && !changed && !m_touched;
    m_touched = false;
}

int CGuiEditor::newsSource() const
{
    return m_frame != nullptr ? m_frame->newsSource() : -1;
}

bool CGuiEditor::idleMayHaveWork()
{
    return m_touched || !m_idleChangedNothing || m_updatePending || m_frame == nullptr || m_frame->hasNews();
}

void CGuiEditor::update()
{
}

void CGuiEditor::postUpdate()
{
    m_updatePending = true;
}

bool CGuiEditor::onKeyDown(VstKeyCode& keyCode)
{
    return keyDown(keyFrom(keyCode));
}

bool CGuiEditor::onKeyUp(VstKeyCode& keyCode)
{
    return keyUp(keyFrom(keyCode));
}

bool CGuiEditor::keyDown(const EditorKey& key)
{
    touch();
    return m_frame != nullptr && usedKey(m_frame->keyDown(frameKeyFrom(key)));
}

bool CGuiEditor::keyUp(const EditorKey& key)
{
    touch();
    return m_frame != nullptr && usedKey(m_frame->keyUp(frameKeyFrom(key)));
}

bool CGuiEditor::setKnobMode(VstInt32 mode)
{
    s_knobMode = mode;
    return true;
}

bool CGuiEditor::onWheel(float distance)
{
    touch();
    return m_frame != nullptr && m_frame->wheel(nullptr, {0, 0}, distance);
}

void CGuiEditor::setParameter(VstInt32, float)
{
    postUpdate();
}

void CGuiEditor::paintNow()
{
    touch();
    if (m_frame != nullptr)
        m_frame->paintNow(nullptr);
}

void CGuiEditor::trackingIdle()
{
    std::uint32_t now = guiplatform::tickCount();
    if (earlier(now, m_nextIdleTime)) {
        guiplatform::sleepMilliseconds(kTrackingSleep);
        now += kTrackingSleep;
        if (earlier(now, m_nextIdleTime - kIdleEarly))
            return;
    }
    idle();
    m_nextIdleTime = now + kIdlePeriod;
    if (m_listener != nullptr) {
        m_insideHostIdle = true;
        m_listener->idleHost();
        m_insideHostIdle = false;
    }
}

void CGuiEditor::beginEdit(int index)
{
    if (m_listener != nullptr)
        m_listener->beginGesture(index);
}

void CGuiEditor::performEdit(int index, float value)
{
    if (m_listener != nullptr)
        m_listener->performGesture(index, value);
}

void CGuiEditor::endEdit(int index)
{
    if (m_listener != nullptr)
        m_listener->endGesture(index);
}

bool CGuiEditor::adoptFrame(CPanelFrame* frame)
{
    releaseFrame();
    if (frame == nullptr)
        return false;
    if (!frame->hasWindow()) {
        frame->forgetEditor();
        frame->release();
        return false;
    }
    m_frame = frame;
    touch();
    return true;
}

void CGuiEditor::setRect(const CRect& rect)
{
    m_panelRect = rect;
    updateRect();
}
