#include "gui/browserpage.h"

#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/webview.h>

#include "gui/wxstr.h"

namespace valorix::gui {

CBrowserPage::CBrowserPage(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    SetSizer(new wxBoxSizer(wxVERTICAL));
    m_shown = "about:blank";
}

const char* const CBrowserPage::kNoEngineText =
#ifdef __WXMSW__
    "Die Browseransicht ist auf diesem System nicht verfügbar.\n"
    "\"Datei > Bericht speichern...\" schreibt dieselbe Seite für Ihren Browser.";
#else
    "Die Browseransicht ist auf diesem System nicht verfügbar.";
#endif

void CBrowserPage::EnsureEngine() {
    if (m_web || m_tried) return;
    m_tried = true;
#ifndef __WXMSW__
    // Windows offers the toolkit only the retired Internet Explorer engine
    // (Edge's needs an SDK the cross build does not have, and Wine renders
    // neither): there the page says where the report is to be seen instead.
    if (wxWebView::IsBackendAvailable(wxWebViewBackendDefault))
        m_web = wxWebView::New(this, wxID_ANY, "about:blank");
#endif
    if (m_web) GetSizer()->Add(m_web, 1, wxEXPAND);
    else GetSizer()->Add(new wxStaticText(this, wxID_ANY, U(kNoEngineText)), 0, wxALL, 8);
    Layout();
    Load();
}

void CBrowserPage::Navigate(const std::string& url) {
    m_shown = url;
    Load();
}

void CBrowserPage::Load() {
    if (!m_web) return;
    const std::string& url = m_shown;
    if (url == "about:blank") {
        m_web->LoadURL("about:blank");
        return;
    }
    const wxString target = wxFileName::FileNameToURL(wxFileName(PathW(url)));
    // The report page keeps its name from file to file: it is read anew.
    if (m_web->GetCurrentURL() == target) m_web->Reload(wxWEBVIEW_RELOAD_NO_CACHE);
    else m_web->LoadURL(target);
}

}  // namespace valorix::gui
