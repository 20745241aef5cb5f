// The about box and the toolbar's customise dialog.
#pragma once
#include <wx/dialog.h>

#include <string>
#include <vector>

class wxCheckBox;
class wxCheckListBox;
class wxStaticText;

namespace valorix::gui {

class CAboutDlg : public wxDialog {
public:
    /// `version` as the program knows it, `sclDate` as SclDateText gives it,
    /// `onlineLine` as OnlineUpdateLine gives it.
    CAboutDlg(wxWindow* parent, const std::string& version, const std::string& sclDate, const std::string& onlineLine);
    wxString VersionText() const;
    wxString SclDateText() const;
    wxString OnlineText() const;

private:
    wxStaticText* m_version;
    wxStaticText* m_sclDate;
    wxStaticText* m_online;
};

/// "Anpassen...": text labels on the toolbar and which of its buttons show.
class CCustomizeDlg : public wxDialog {
public:
    CCustomizeDlg(wxWindow* parent, const std::vector<wxString>& buttons, const std::vector<bool>& shown,
                  bool textLabels);
    std::vector<bool> Shown() const;
    bool TextLabels() const;

private:
    wxCheckListBox* m_buttons;
    wxCheckBox* m_labels;
};

}  // namespace valorix::gui
