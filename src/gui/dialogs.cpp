#include "gui/dialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/checklst.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "gui/images.h"
#include "gui/wxstr.h"

namespace valorix::gui {

CAboutDlg::CAboutDlg(wxWindow* parent, const std::string& version, const std::string& sclDate,
                     const std::string& onlineLine)
    : wxDialog(parent, wxID_ANY, U("Info über Valorix")) {
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(new wxStaticBitmap(this, wxID_ANY, wxBitmap(ProgramIcon(32))), 0, wxALL, 12);
    auto* texts = new wxBoxSizer(wxVERTICAL);
    // The version line's "[VER]" is replaced by the program version.
    wxString line = "Valorix, Version [VER]";
    line.Replace("[VER]", W(version));
    m_version = new wxStaticText(this, 1007, line);
    texts->Add(m_version, 0, wxTOP | wxBOTTOM, 12);
    texts->AddSpacer(30);
    auto* scl = new wxBoxSizer(wxHORIZONTAL);
    scl->Add(new wxStaticText(this, wxID_ANY, "Stand SCL Verzeichnis:"), 0, wxRIGHT, 8);
    m_sclDate = new wxStaticText(this, 1004, W(sclDate));
    scl->Add(m_sclDate);
    texts->Add(scl, 0, wxBOTTOM, 12);
    m_online = new wxStaticText(this, wxID_ANY, W(onlineLine));
    texts->Add(m_online, 0, wxBOTTOM, 12);
    top->Add(texts, 1, wxRIGHT, 24);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(top);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    sizer->Add(ok, 0, wxLEFT | wxBOTTOM, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

wxString CAboutDlg::VersionText() const { return m_version->GetLabel(); }
wxString CAboutDlg::SclDateText() const { return m_sclDate->GetLabel(); }
wxString CAboutDlg::OnlineText() const { return m_online->GetLabel(); }

CCustomizeDlg::CCustomizeDlg(wxWindow* parent, const std::vector<wxString>& buttons, const std::vector<bool>& shown,
                             bool textLabels)
    : wxDialog(parent, wxID_ANY, U("Anpassen")) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY, U("Schaltflächen der Symbolleiste \"Standard\":")), 0,
               wxLEFT | wxRIGHT | wxTOP, 12);
    wxArrayString names;
    for (const wxString& b : buttons) names.Add(b);
    m_buttons = new wxCheckListBox(this, wxID_ANY, wxDefaultPosition, wxSize(260, -1), names);
    for (size_t i = 0; i < buttons.size() && i < shown.size(); ++i) m_buttons->Check(static_cast<unsigned>(i), shown[i]);
    sizer->Add(m_buttons, 1, wxEXPAND | wxALL, 12);
    m_labels = new wxCheckBox(this, wxID_ANY, U("Textbeschriftungen anzeigen"));
    m_labels->SetValue(textLabels);
    sizer->Add(m_labels, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    auto* buttonsRow = new wxBoxSizer(wxHORIZONTAL);
    buttonsRow->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 8);
    buttonsRow->Add(new wxButton(this, wxID_CANCEL, U("Abbrechen")));
    sizer->Add(buttonsRow, 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

std::vector<bool> CCustomizeDlg::Shown() const {
    std::vector<bool> out;
    for (unsigned i = 0; i < m_buttons->GetCount(); ++i) out.push_back(m_buttons->IsChecked(i));
    return out;
}

bool CCustomizeDlg::TextLabels() const { return m_labels->GetValue(); }

}  // namespace valorix::gui
