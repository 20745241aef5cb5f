// The progress dialog of a long fill: bar, percentage, status line and
// "Abbrechen". Moving the bar lets waiting events through, so that the
// dialog repaints and cancel can be pressed while the fill runs on the
// user-interface thread; the owner is disabled meanwhile.
#pragma once
#include <wx/dialog.h>

#include <chrono>
#include <memory>

#include "ui/viewmodel.h"

class wxGauge;
class wxStaticText;

namespace valorix::gui {

class CProgressDlg : public IProgress {
public:
    /// Opens the modeless dialog over `owner`, which stays disabled until the
    /// dialog goes.
    CProgressDlg(wxWindow* owner, const wxString& caption, const wxString& status);
    ~CProgressDlg() override;

    void SetRange(int lower, int upper) override;
    void GetRange(int& lower, int& upper) const override {
        lower = m_lower;
        upper = m_upper;
    }
    int SetPos(int pos) override;
    int GetPos() const override { return m_pos; }
    bool CheckCancelButton() override;

    wxDialog* Dialog() const { return m_dialog; }
    /// Presses the cancel button, as the user does.
    void PressCancel() { m_cancel->Press(); }
    wxString PercentText() const;
    /// The next phase: caption and status line anew, the bar at its start.
    void SetPhase(const wxString& caption, const wxString& status);
    wxString StatusText() const;

private:
    void PumpMessages(bool force);
    /// Draws the position into the bar and the percentage.
    void ShowPosition();

    wxWindow* m_owner;
    bool m_ownerDisabled = false;
    wxDialog* m_dialog;
    wxGauge* m_gauge;
    wxStaticText* m_percent;
    wxStaticText* m_status;
    int m_lower = 0, m_upper = 100, m_pos = 0;
    std::shared_ptr<CCancelFlag> m_cancel = std::make_shared<CCancelFlag>();
    std::chrono::steady_clock::time_point m_lastPump;
};

}  // namespace valorix::gui
