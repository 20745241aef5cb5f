#include "gui/progressdlg.h"

#include <wx/app.h>

#include <algorithm>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/wxstr.h"

namespace valorix::gui {

CProgressDlg::CProgressDlg(wxWindow* owner, const wxString& caption, const wxString& status)
    : m_owner(owner), m_dialog(new wxDialog(owner, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize, wxCAPTION)) {
    wxDialog* d = m_dialog;
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_gauge = new wxGauge(d, 1000, 100, wxDefaultPosition, wxSize(380, -1));
    m_percent = new wxStaticText(d, 1001, " 0 %");
    auto* statusText = m_status =
        new wxStaticText(d, 1002, status, wxDefaultPosition, wxSize(380, -1), wxST_ELLIPSIZE_MIDDLE);
    auto* cancel = new wxButton(d, wxID_CANCEL, U("Abbrechen"));
    sizer->Add(m_gauge, 0, wxEXPAND | wxALL, 10);
    sizer->Add(m_percent, 0, wxLEFT | wxRIGHT, 10);
    sizer->Add(statusText, 0, wxEXPAND | wxALL, 10);
    sizer->Add(cancel, 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 10);
    d->SetSizerAndFit(sizer);
    // Cancel (or Escape) only records the request; the dialog stays open.
    // The dialog's handlers share the flag, not this object: the window may
    // see an event after this object is gone.
    std::shared_ptr<CCancelFlag> flag = m_cancel;
    cancel->Bind(wxEVT_BUTTON, [flag](wxCommandEvent&) { flag->Press(); });
    d->Bind(wxEVT_CHAR_HOOK, [flag](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE) flag->Press();
        else e.Skip();
    });
    d->Bind(wxEVT_CLOSE_WINDOW, [flag](wxCloseEvent& e) {
        if (e.CanVeto()) e.Veto();
        flag->Press();
    });
    if (m_owner && m_owner->IsEnabled()) {
        m_owner->Disable();
        m_ownerDisabled = true;
    }
    d->CentreOnParent();
    d->Show();
    PumpMessages(true);
}

CProgressDlg::~CProgressDlg() {
    if (m_ownerDisabled && m_owner) m_owner->Enable();
    m_dialog->Destroy();
}

void CProgressDlg::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_gauge->SetRange(std::max(1, upper - lower));
    m_gauge->SetValue(0);
}

void CProgressDlg::SetPhase(const wxString& caption, const wxString& status) {
    m_dialog->SetTitle(caption);
    m_status->SetLabel(status);
    SetRange(0, 100);
    m_pos = 0;
    PumpMessages(true);
}

wxString CProgressDlg::StatusText() const { return m_status->GetLabel(); }

wxString CProgressDlg::PercentText() const { return m_percent->GetLabel(); }  // as last drawn

int CProgressDlg::SetPos(int pos) {
    const int previous = m_pos;
    m_pos = pos;
    PumpMessages(false);
    return previous;
}

void CProgressDlg::ShowPosition() {
    const int value = std::clamp(m_pos - m_lower, 0, m_gauge->GetRange());
    if (value != m_gauge->GetValue()) m_gauge->SetValue(value);
    const wxString text = wxString::FromUTF8(ProgressPercentText(m_lower, m_upper, m_pos));
    if (text != m_percent->GetLabel()) m_percent->SetLabel(text);
}

bool CProgressDlg::CheckCancelButton() {
    PumpMessages(false);
    return m_cancel->Check();
}

void CProgressDlg::PumpMessages(bool force) {
    // Drawing the bar and handing events on cost more than a step of the
    // fill: both happen at most every 40 ms.
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastPump < std::chrono::milliseconds(40)) return;
    m_lastPump = now;
    ShowPosition();
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
}

}  // namespace valorix::gui
