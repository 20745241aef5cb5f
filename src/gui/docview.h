// The document and the view of the desktop program's document/view frame:
// the document wraps the check document, the view hands each load to the
// main frame, which draws it.
#pragma once
#include <wx/docview.h>

#include <memory>

#include "core/checkdocument.h"

namespace valorix::gui {

class CMainFrame;

class CValorixDocument : public wxDocument {
public:
    CValorixDocument();
    ~CValorixDocument() override;

    CheckDocument& Check() { return *m_doc; }

    bool OnNewDocument() override;
    /// Loads and checks the file; a file that cannot be read or checked is
    /// reported in a message box naming it, and the load fails.
    bool OnOpenDocument(const wxString& path) override;
    bool OnSaveDocument(const wxString&) override { return false; }
    bool IsModified() const override { return false; }
    bool OnSaveModified() override { return true; }
    bool DeleteContents() override;

private:
    std::unique_ptr<CheckDocument> m_doc;
    wxDECLARE_DYNAMIC_CLASS(CValorixDocument);
};

class CValorixView : public wxView {
public:
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    void OnUpdate(wxView* sender, wxObject* hint) override;
    bool OnClose(bool deleteWindow) override;
    void OnChangeFilename() override;

private:
    CMainFrame* Frame() const;
    wxDECLARE_DYNAMIC_CLASS(CValorixView);
};

/// The document manager: one document at a time, "Unbenannt" as the name of
/// the empty one, no file history of its own (the frame keeps the recent files).
class CValorixDocManager : public wxDocManager {
public:
    CValorixDocManager();
    wxString MakeNewDocumentName() override { return wxString::FromUTF8("Unbenannt"); }
    wxFileHistory* OnCreateFileHistory() override { return nullptr; }
};

}  // namespace valorix::gui
