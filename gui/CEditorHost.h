#pragma once
// How an editor registers with the plug-in that owns it, so that the GUI
// framework needs none of the plug-in's headers. What the editor tells its
// front afterwards goes to the front's listener (CEditorView::setListener).

class CEditorView;

class CEditorHost {
public:
    // Takes the editor as the plug-in's editor (the plug-in deletes it) and
    // reports to hosts that there is an editor only when showEditor is true.
    virtual void adoptEditor(CEditorView* editor, bool showEditor) = 0;

protected:
    ~CEditorHost() = default;
};
