#pragma once
// What an editor asks of the plug-in that owns it. The plug-in implements it
// (its names differ from the plug-in frame's own, so the plug-in class can),
// and the GUI framework needs none of the plug-in's headers.

class CEditorView;

class CEditorHost {
public:
    // Takes the editor as the plug-in's editor (the plug-in deletes it) and
    // reports to hosts that there is an editor only when showEditor is true.
    virtual void adoptEditor(CEditorView* editor, bool showEditor) = 0;
    // Lets the host run while the editor keeps its thread (audioMasterIdle).
    virtual void idleHost() = 0;
    // The parameter index starts or stops being edited on the panel
    // (audioMasterBeginEdit, audioMasterEndEdit).
    virtual void beginParameterEdit(int index) = 0;
    virtual void endParameterEdit(int index) = 0;
    // Asks the host to give the open editor a window of that size (its scale
    // changed); false where the host cannot.
    virtual bool resizeEditorWindow(int, int) { return false; }

protected:
    ~CEditorHost() = default;
};
