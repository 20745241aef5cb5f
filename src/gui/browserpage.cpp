#include "gui/browserpage.h"

#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/webview.h>

#include "gui/wxstr.h"

namespace valorix::gui {

CBrowserPage::CBrowserPage(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    if (wxWebView::IsBackendAvailable(wxWebViewBackendDefault))
        m_web = wxWebView::New(this, wxID_ANY, "about:blank");
    if (m_web) sizer->Add(m_web, 1, wxEXPAND);
    else sizer->Add(new wxStaticText(this, wxID_ANY, U("Die Browseransicht ist auf diesem System nicht verfügbar.")), 0, wxALL, 8);
    SetSizer(sizer);
}

void CBrowserPage::Navigate(const std::string& url) {
    m_shown = url;
    if (!m_web) return;
    if (url == "about:blank") {
        m_web->LoadURL("about:blank");
        return;
    }
    // Engine paths are CP1252; the file system's names are UTF-8.
    const std::string path = Cp1252ToUtf8(url);
    m_web->LoadURL(wxFileName::FileNameToURL(wxFileName(PathW(path))));
}

}  // namespace valorix::gui
