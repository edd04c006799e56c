#pragma once
// What an editor asks of the plug-in that owns it. The plug-in (or a small
// adapter in it) implements this, so that the GUI framework needs none of
// the plug-in's headers.

class AEffEditor;

class CEditorHost {
public:
    // Takes the editor as the plug-in's editor (the plug-in deletes it) and
    // reports to hosts that there is an editor only when showEditor is true.
    virtual void adoptEditor(AEffEditor* editor, bool showEditor) = 0;
    // Lets the host run while the editor keeps its thread (audioMasterIdle).
    virtual void masterIdle() = 0;
    // The parameter index starts or stops being edited on the panel.
    virtual void beginEdit(int index) = 0;
    virtual void endEdit(int index) = 0;

protected:
    ~CEditorHost() = default;
};
