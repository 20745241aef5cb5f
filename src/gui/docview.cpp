#include "gui/docview.h"

#include <wx/filename.h>
#include <wx/utils.h>

#include <new>

#include "core/messages.h"
#include "gui/guiapp.h"
#include "gui/mainframe.h"
#include "gui/wxstr.h"
#include "platform/inputfile.h"
#include "platform/strutil.h"
#include "xml/nvexception.h"

namespace valorix::gui {

wxIMPLEMENT_DYNAMIC_CLASS(CValorixDocument, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CValorixView, wxView);

CValorixDocument::CValorixDocument()
    : m_doc(std::make_unique<CheckDocument>(wxGetApp().Values(), wxGetApp().Prompt())) {}

CValorixDocument::~CValorixDocument() = default;

bool CValorixDocument::DeleteContents() {
    // What the frame shows refers to the document that goes now.
    if (CMainFrame* frame = wxGetApp().Frame()) frame->DropDocument();
    m_doc = std::make_unique<CheckDocument>(wxGetApp().Values(), wxGetApp().Prompt());
    return true;
}

bool CValorixDocument::OnNewDocument() {
    if (!wxDocument::OnNewDocument()) return false;
    m_doc->OnNewDocument();
    UpdateAllViews();
    return true;
}

bool CValorixDocument::OnOpenDocument(const wxString& path) {
    IPrompt& prompt = wxGetApp().Prompt();
    const std::string file = PathS(path);
    const std::string shown = PathText(file);
    wxGetApp().Boxes().NameFile(file);  // the messages name the file as it is called
    // Whatever happens, nothing of an earlier file is kept.
    DeleteContents();
    CInputFile in;
    const CInputFile::Status opened = in.Open(file);
    if (opened != CInputFile::Status::Open) {
        prompt.Message(opened == CInputFile::Status::NotRegular
                           ? NotRegularFileText(shown)
                           : A("Die Datei '") + shown + A("' kann nicht gelesen werden!"));
        return false;
    }
    CArchive ar{in.Stream(), shown};
    // From the start of the check until its fill is drawn: the wait cursor,
    // and for a large file the progress dialog naming the phase.
    wxBusyCursor busy;
    CMainFrame* frame = wxGetApp().Frame();
    if (frame) frame->BeginCheck(file);
    struct EndCheck {
        CMainFrame* frame;
        ~EndCheck() {
            if (frame) frame->EndCheck();
        }
    } endCheck{frame};
    try {
        m_doc->Serialize(ar);
    } catch (const CNvException& e) {
        DeleteContents();
        prompt.Message(A("Die Datei '") + shown + A("' kann nicht geprüft werden: ") + e.Text());
        return false;
    } catch (const std::bad_alloc&) {
        DeleteContents();
        prompt.Message(Format(msg::kNoMemoryForFile.c_str(), shown.c_str()));
        return false;
    }
    SetFilename(path, true);
    SetTitle(wxFileName(path).GetFullName());
    Modify(false);
    UpdateAllViews();
    return true;
}

bool CValorixView::OnCreate(wxDocument* doc, long flags) {
    if (!wxView::OnCreate(doc, flags)) return false;
    CMainFrame* frame = wxGetApp().Frame();
    if (!frame) return false;
    SetFrame(frame);
    frame->AttachView(this);
    Activate(true);
    return true;
}

CMainFrame* CValorixView::Frame() const { return wxGetApp().Frame(); }

void CValorixView::OnUpdate(wxView*, wxObject*) {
    if (CMainFrame* frame = Frame()) frame->Fill(static_cast<CValorixDocument*>(GetDocument())->Check());
}

bool CValorixView::OnClose(bool deleteWindow) {
    if (CMainFrame* frame = Frame()) frame->DetachView(this);
    Activate(false);
    return wxView::OnClose(deleteWindow);
}

void CValorixView::OnChangeFilename() {
    CMainFrame* frame = Frame();
    wxDocument* doc = GetDocument();
    if (frame && doc) frame->SetTitle(doc->GetUserReadableName() + " - Valorix");
}

CValorixDocManager::CValorixDocManager() : wxDocManager(0, false) { SetMaxDocsOpen(1); }

}  // namespace valorix::gui
