#include "gui/wxprompt.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include "gui/wxstr.h"

namespace valorix::gui {

namespace {
wxWindow* Owner() {
    wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    return top && top->IsShown() ? top : nullptr;
}
}  // namespace

void CWxPrompt::Message(const std::string& text) {
    wxMessageDialog dlg(Owner(), W(text, &m_screen), "Valorix", wxOK | wxICON_INFORMATION);
    dlg.SetOKLabel("OK");
    dlg.ShowModal();
}

bool CWxPrompt::AskYesNo(const std::string& text) {
    wxMessageDialog dlg(Owner(), W(text, &m_screen), "Valorix", wxYES_NO | wxICON_QUESTION);
    dlg.SetYesNoLabels(U("&Ja"), U("&Nein"));
    return dlg.ShowModal() == wxID_YES;
}

bool CWxPrompt::AskCredentials(const std::string& text, std::string& user, std::string& password) {
    wxWindow* owner = Owner();
    if (!owner) return false;
    wxTextEntryDialog name(owner, W(text) + "\n\n" + U("Benutzername:"), "Valorix");
    if (name.ShowModal() != wxID_OK) return false;
    wxPasswordEntryDialog secret(owner, U("Kennwort für ") + name.GetValue() + ":", "Valorix");
    if (secret.ShowModal() != wxID_OK) return false;
    user = std::string(name.GetValue().utf8_str());
    password = std::string(secret.GetValue().utf8_str());
    return true;
}

bool CWxPrompt::OpenUrl(const std::string& url) { return wxLaunchDefaultBrowser(W(url)); }

}  // namespace valorix::gui
