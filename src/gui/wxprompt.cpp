#include "gui/wxprompt.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

#include "gui/wxstr.h"

namespace valorix::gui {

namespace {
wxWindow* Owner() {
    wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    return top && top->IsShown() ? top : nullptr;
}
}  // namespace

void CWxPrompt::Message(const std::string& text) {
    wxMessageDialog dlg(Owner(), W(text), "Valorix", wxOK | wxICON_INFORMATION);
    dlg.SetOKLabel("OK");
    dlg.ShowModal();
}

bool CWxPrompt::AskYesNo(const std::string& text) {
    wxMessageDialog dlg(Owner(), W(text), "Valorix", wxYES_NO | wxICON_QUESTION);
    dlg.SetYesNoLabels(U("&Ja"), U("&Nein"));
    return dlg.ShowModal() == wxID_YES;
}

}  // namespace valorix::gui
