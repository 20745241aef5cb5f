#include "gui/mainframe.h"

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/settings.h>
#include <wx/menu.h>
#include <wx/printdlg.h>
#include <wx/prntbase.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <new>

#include "app/app.h"
#include "app/history.h"
#include "core/checkdocument.h"
#include "gui/browserpage.h"
#include "gui/dialogs.h"
#include "gui/guiapp.h"
#include "gui/docview.h"
#include "gui/ids.h"
#include "gui/images.h"
#include "gui/outputlist.h"
#include "gui/printing.h"
#include "gui/progressdlg.h"
#include "gui/rowsctrl.h"
#include "gui/textpagectrl.h"
#include "gui/wxstr.h"
#include "online/help.h"
#include "online/onlinecheck.h"
#include "platform/paths.h"
#include "rules/blzdirectory.h"
#include "rules/sclimport.h"
#include "ui/htmlpage.h"
#include "platform/prompt.h"
#include "platform/strutil.h"

namespace valorix::gui {
namespace {

const char* const kStructurePane = "Strukturansicht";
const char* const kOutputPane = "Ausgabe";
const char* const kToolbarPane = "Standard";

// A menu entry: the prompt is its help text in the status bar.
void Add(wxMenu* menu, int id, const char* label, const char* prompt, wxItemKind kind = wxITEM_NORMAL,
         const wxString& art = wxString()) {
    auto* item = new wxMenuItem(menu, id, U(label), U(prompt), kind);
    if (!art.empty() && kind == wxITEM_NORMAL) item->SetBitmap(ToolImage(art, 16));
    menu->Append(item);
}

struct ToolButton {
    int id;
    const char* tooltip;
    const char* prompt;
    const char* art;
};
const ToolButton kToolButtons[] = {
    {ID_FILE_NEW, "Schließen", "Schließt das aktuelle Dokument.", "wxART_CLOSE"},
    {ID_FILE_OPEN, "Öffnen", "Öffnet ein vorhandenes Dokument.", "wxART_FILE_OPEN"},
    {ID_FILE_SAVE, "Speichern", "Speichert das aktive Dokument.", "wxART_FILE_SAVE"},
    {0, nullptr, nullptr, nullptr},
    {ID_EDIT_CUT, "Ausschneiden", "Überträgt die Auswahl in die Zwischenablage.", "wxART_CUT"},
    {ID_EDIT_COPY, "Kopieren", "Kopiert die Auswahl in die Zwischenablage.", "wxART_COPY"},
    {ID_EDIT_PASTE, "Einfügen", "Fügt den Inhalt der Zwischenablage ein.", "wxART_PASTE"},
    {0, nullptr, nullptr, nullptr},
    {ID_FILE_PRINT, "Ausgabe Drucken", "Druckt die Ausgabe des aktive Dokument.", "wxART_PRINT"},
    {ID_APP_ABOUT, "Info", "Zeigt Programm-, Versions- und Copyrightinformationen an.", "wxART_INFORMATION"},
};

// The caption colours of the nine looks.
struct Look {
    int id;
    wxColour active, activeEnd, inactive, inactiveEnd, activeText;
    int gradient;
    bool simpleTabs;
};
const Look kLooks[] = {
    {ID_VIEW_APPLOOK_WIN_2000, {10, 36, 106}, {166, 202, 240}, {128, 128, 128}, {192, 192, 192}, *wxWHITE,
     wxAUI_GRADIENT_HORIZONTAL, true},
    {ID_VIEW_APPLOOK_OFF_XP, {182, 189, 210}, {182, 189, 210}, {212, 208, 200}, {212, 208, 200}, *wxBLACK,
     wxAUI_GRADIENT_NONE, true},
    {ID_VIEW_APPLOOK_WIN_XP, {0, 84, 227}, {61, 149, 255}, {122, 150, 223}, {157, 185, 235}, *wxWHITE,
     wxAUI_GRADIENT_VERTICAL, false},
    {ID_VIEW_APPLOOK_OFF_2003, {89, 135, 214}, {3, 56, 147}, {221, 236, 254}, {129, 169, 226}, *wxWHITE,
     wxAUI_GRADIENT_VERTICAL, false},
    {ID_VIEW_APPLOOK_VS_2005, {51, 94, 168}, {153, 180, 209}, {191, 205, 219}, {240, 240, 240}, *wxWHITE,
     wxAUI_GRADIENT_HORIZONTAL, false},
    {ID_VIEW_APPLOOK_OFF_2007_BLUE, {101, 147, 207}, {191, 219, 255}, {213, 228, 242}, {227, 239, 255}, *wxBLACK,
     wxAUI_GRADIENT_VERTICAL, false},
    {ID_VIEW_APPLOOK_OFF_2007_BLACK, {20, 20, 20}, {83, 83, 83}, {110, 110, 110}, {150, 150, 150}, *wxWHITE,
     wxAUI_GRADIENT_VERTICAL, false},
    {ID_VIEW_APPLOOK_OFF_2007_SILVER, {157, 163, 174}, {208, 212, 221}, {221, 224, 230}, {236, 238, 242}, *wxBLACK,
     wxAUI_GRADIENT_VERTICAL, false},
    {ID_VIEW_APPLOOK_OFF_2007_AQUA, {102, 175, 196}, {191, 232, 242}, {208, 230, 236}, {230, 242, 246}, *wxBLACK,
     wxAUI_GRADIENT_VERTICAL, false},
};

// The height of the output pane's list for `lines` lines of text.
int OutputPaneHeight(wxWindow* list, int lines) { return lines * (list->GetCharHeight() + 8) + 8; }

bool IsInside(const wxWindow* w, const wxWindow* ancestor) {
    for (; w; w = w->GetParent())
        if (w == ancestor) return true;
    return false;
}

}  // namespace

CMainFrame::CMainFrame(wxDocManager* docs, AppValues& values, IPrompt& prompt)
    : wxDocParentFrame(docs, nullptr, wxID_ANY, "Valorix", wxDefaultPosition, wxSize(1100, 760)),
      m_values(values),
      m_prompt(prompt) {
    SetIcon(ProgramIcon(32));
    m_images.reset(CreateStripImageList());
    m_aui.SetManagedWindow(this);
    m_aui.SetFlags(wxAUI_MGR_DEFAULT | wxAUI_MGR_ALLOW_ACTIVE_PANE);
    m_online = std::make_unique<COnlineWork>(this, m_prompt);
    m_recent.Load(m_values.m_profile);
    CreateMenus();
    CreateToolbar();
    CreateStatusBar(4);
    const int widths[] = {-1, 48, 48, 48};
    GetStatusBar()->SetStatusWidths(4, widths);
    SetStatusText(U("Bereit"));
    CreatePanes();
    m_values.m_nAppLook = static_cast<unsigned>(m_values.m_profile.GetInt("Workspace", "ApplicationLook", 214));
    ApplyLook(static_cast<int>(m_values.m_nAppLook), false);
    RestoreLayout();
    m_aui.Update();

    Bind(wxEVT_MENU, &CMainFrame::OnOpen, this, ID_FILE_OPEN);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { CloseFile(); }, ID_FILE_NEW);
    Bind(wxEVT_MENU, &CMainFrame::OnRecent, this, ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST);
    Bind(wxEVT_MENU, &CMainFrame::OnPrint, this, ID_FILE_PRINT);
    Bind(wxEVT_MENU, &CMainFrame::OnPrintSetup, this, ID_FILE_PRINT_SETUP);
    Bind(wxEVT_MENU, &CMainFrame::OnPrintPreview, this, ID_FILE_PRINT_PREVIEW);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, ID_APP_EXIT);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Copy(); }, ID_EDIT_COPY);
    Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, ID_APP_ABOUT);
    Bind(wxEVT_MENU, &CMainFrame::OnHelp, this, ID_HELP_FINDER);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { MovePane(true); }, ID_NEXT_PANE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { MovePane(false); }, ID_PREV_PANE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ToggleExpandOption(); }, ID_EXPAND_ALL);
    Bind(wxEVT_MENU, [this](wxCommandEvent& e) { ApplyLook(e.GetId()); }, ID_VIEW_APPLOOK_WIN_2000,
         ID_VIEW_APPLOOK_OFF_2007_AQUA);
    Bind(wxEVT_MENU, &CMainFrame::OnCustomize, this, ID_VIEW_CUSTOMIZE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { DownloadScl(); }, ID_SCL_DOWNLOAD);
    Bind(wxEVT_MENU, &CMainFrame::OnImportScl, this, ID_SCL_IMPORT);
    Bind(wxEVT_MENU, &CMainFrame::OnImportBlz, this, ID_BLZ_IMPORT);
    Bind(wxEVT_MENU, &CMainFrame::OnSaveReport, this, kIdSaveReport);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { HideOutputPane(); }, ID_VIEW_OUTPUTWND);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        GetStatusBar()->Show(!GetStatusBar()->IsShown());
        SendSizeEvent();
    }, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowPane(kToolbarPane, !IsPaneShown(kToolbarPane)); },
         ID_PANE_TOGGLE_TOOLBAR);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowPane(kStructurePane, !IsPaneShown(kStructurePane)); },
         ID_PANE_TOGGLE_STRUCTURE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowPane(kOutputPane, !IsPaneShown(kOutputPane)); },
         ID_PANE_TOGGLE_OUTPUT);

    // Enable rules and check marks.
    auto never = [](wxUpdateUIEvent& e) { e.Enable(false); };
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_UNDO})
        Bind(wxEVT_UPDATE_UI, never, id);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(!CurrentPrintText().empty()); }, ID_FILE_PRINT);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(!CurrentPrintText().empty()); },
         ID_FILE_PRINT_PREVIEW);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(!m_printText.empty()); }, kIdSaveReport);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(CanCopy()); }, ID_EDIT_COPY);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Enable(!m_recent.Files().empty()); }, ID_FILE_MRU_FIRST,
         ID_FILE_MRU_LAST);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(GetStatusBar() && GetStatusBar()->IsShown()); },
         ID_VIEW_STATUS_BAR);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(m_values.ExpandOption() != 0); }, ID_EXPAND_ALL);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(static_cast<unsigned>(e.GetId()) == m_values.m_nAppLook); },
         ID_VIEW_APPLOOK_WIN_2000, ID_VIEW_APPLOOK_OFF_2007_AQUA);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(IsPaneShown(kToolbarPane)); }, ID_PANE_TOGGLE_TOOLBAR);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(IsPaneShown(kStructurePane)); },
         ID_PANE_TOGGLE_STRUCTURE);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(IsPaneShown(kOutputPane)); }, ID_PANE_TOGGLE_OUTPUT);

    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_ACTIVATE, &CMainFrame::OnActivate, this);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);

    wxAcceleratorEntry keys[] = {
        {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},        {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},
        {wxACCEL_CTRL, WXK_INSERT, ID_EDIT_COPY},      {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT},
        {wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE},    {wxACCEL_ALT, WXK_BACK, ID_EDIT_UNDO},
        {wxACCEL_CTRL, 'O', ID_FILE_OPEN},             {wxACCEL_CTRL, 'N', ID_FILE_NEW},
        {wxACCEL_CTRL, 'P', ID_FILE_PRINT},            {wxACCEL_CTRL, 'C', ID_EDIT_COPY},
        {wxACCEL_NORMAL, WXK_F1, ID_HELP_FINDER},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));
}

CMainFrame::~CMainFrame() {
    m_online.reset();  // a worker that still runs finds no window any more
    m_aui.UnInit();
    wxGetApp().FrameGone(this);
}

void CMainFrame::CreateMenus() {
    auto* bar = new wxMenuBar;
    m_fileMenu = new wxMenu;
    Add(m_fileMenu, ID_FILE_OPEN, "Ö&ffnen...\tCtrl+O", "Öffnet ein vorhandenes Dokument.", wxITEM_NORMAL,
        wxART_FILE_OPEN);
    Add(m_fileMenu, ID_FILE_NEW, "Schließen\tCtrl+N", "Schließt das aktuelle Dokument.", wxITEM_NORMAL, wxART_CLOSE);
    Add(m_fileMenu, ID_FILE_SAVE, "&Speichern\tCtrl+S", "Speichert das aktive Dokument.", wxITEM_NORMAL,
        wxART_FILE_SAVE);
    Add(m_fileMenu, ID_FILE_SAVE_AS, "Speichern &unter...",
        "Speichert das aktive Dokument unter einem neuem Namen.");
    m_fileMenu->AppendSeparator();
    Add(m_fileMenu, ID_FILE_PRINT, "Ausgabe &Drucken...\tCtrl+P", "Druckt die Ausgabe des aktive Dokument.",
        wxITEM_NORMAL, wxART_PRINT);
    Add(m_fileMenu, ID_FILE_PRINT_PREVIEW, "&Seitenansicht", "Zeigt die Ausgabe so an, wie sie gedruckt wird.",
        wxITEM_NORMAL, wxART_FIND);
    Add(m_fileMenu, ID_FILE_PRINT_SETUP, "Druckereinrichtung...", "Ändert den Drucker und die Druckoptionen.");
    Add(m_fileMenu, kIdSaveReport, "&Bericht speichern...",
        "Speichert den Prüfbericht mit der Datei als HTML Datei, die jeder Browser zeigt und druckt.");
    m_fileMenu->AppendSeparator();
    Add(m_fileMenu, ID_SCL_IMPORT, "SCL-Verzeichnis &importieren...",
        "Übernimmt das SCL-Verzeichnis der Bundesbank (CSV-Datei) für die Prüfung der BICs.");
    Add(m_fileMenu, ID_BLZ_IMPORT, "Bank&leitzahlendatei importieren...",
        "Übernimmt die Bankleitzahlendatei der Bundesbank für den Abgleich von IBAN und BIC.");
    m_fileMenu->AppendSeparator();
    RebuildRecentMenu();
    m_fileMenu->AppendSeparator();
    Add(m_fileMenu, ID_APP_EXIT, "&Beenden", "Beendet die Anwendung.", wxITEM_NORMAL, wxART_QUIT);
    bar->Append(m_fileMenu, U("&Datei"));

    auto* edit = new wxMenu;
    Add(edit, ID_EDIT_UNDO, "&Rückgängig\tCtrl+Z", "Macht den letzten Vorgang rückgängig.", wxITEM_NORMAL,
        wxART_UNDO);
    edit->AppendSeparator();
    Add(edit, ID_EDIT_CUT, "&Ausschneiden\tCtrl+X", "Überträgt die Auswahl in die Zwischenablage.", wxITEM_NORMAL,
        wxART_CUT);
    Add(edit, ID_EDIT_COPY, "&Kopieren\tCtrl+C", "Kopiert die Auswahl in die Zwischenablage.", wxITEM_NORMAL,
        wxART_COPY);
    Add(edit, ID_EDIT_PASTE, "&Einfügen\tCtrl+V", "Fügt den Inhalt der Zwischenablage ein.", wxITEM_NORMAL,
        wxART_PASTE);
    bar->Append(edit, U("&Bearbeiten"));

    auto* view = new wxMenu;
    auto* panes = new wxMenu;
    Add(panes, ID_PANE_TOGGLE_TOOLBAR, kToolbarPane, "Blendet die Symbolleiste ein oder aus.", wxITEM_CHECK);
    Add(panes, ID_PANE_TOGGLE_STRUCTURE, kStructurePane, "Blendet die Strukturansicht ein oder aus.", wxITEM_CHECK);
    Add(panes, ID_PANE_TOGGLE_OUTPUT, kOutputPane, "Blendet die Ausgabe ein oder aus.", wxITEM_CHECK);
    panes->AppendSeparator();
    Add(panes, ID_VIEW_CUSTOMIZE, "Anpassen...", "Passt die Symbolleiste an.");
    view->AppendSubMenu(panes, U("&Symbolleisten und Andockfenster"));
    Add(view, ID_VIEW_STATUS_BAR, "Status&leiste", "Blendet die Statusleiste ein oder aus.", wxITEM_CHECK);
    auto* looks = new wxMenu;
    // One group: exactly one look is chosen.
    Add(looks, ID_VIEW_APPLOOK_WIN_2000, "Windows &2000", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_XP, "Office &XP", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_WIN_XP, "&Windows XP", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_2003, "Office 200&3", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_VS_2005, "Visual Studio .NET 200&5", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_2007_BLUE, "Office 2007, Stil '&Blau'", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_2007_BLACK, "Office 2007, Stil 'S&chwarz'", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_2007_SILVER, "Office 2007, Stil '&Silber'", "", wxITEM_RADIO);
    Add(looks, ID_VIEW_APPLOOK_OFF_2007_AQUA, "Office 2007, Stil '&Aqua'", "", wxITEM_RADIO);
    view->AppendSubMenu(looks, U("&Anwendungsdarstellung"));
    Add(view, ID_EXPAND_ALL, "Alle &Knoten erweitern", "Erweitert beim Anzeigen einer XML Datei alle Knoten",
        wxITEM_CHECK);
    bar->Append(view, U("&Ansicht"));

    auto* help = new wxMenu;
    Add(help, ID_HELP_FINDER, "&Kurzanleitung\tF1", "Zeigt die Kurzanleitung/Hilfe an", wxITEM_NORMAL, wxART_HELP);
    Add(help, ID_APP_ABOUT, "&Info über Valorix...", "Zeigt Programm-, Versions- und Copyrightinformationen an.",
        wxITEM_NORMAL, wxART_INFORMATION);
    bar->Append(help, U("&Hilfe"));
    SetMenuBar(bar);
}

void CMainFrame::RebuildRecentMenu() {
    // The entries stand between the second and the third separator.
    size_t pos = 0;
    int separators = 0;
    for (; pos < m_fileMenu->GetMenuItemCount(); ++pos) {
        if (m_fileMenu->FindItemByPosition(pos)->IsSeparator() && ++separators == 2) break;
    }
    ++pos;
    for (int id = ID_FILE_MRU_FIRST; id <= ID_FILE_MRU_LAST; ++id)
        if (m_fileMenu->FindItem(id)) m_fileMenu->Destroy(id);
    if (m_recent.Files().empty()) {
        m_fileMenu->Insert(pos, ID_FILE_MRU_FIRST, "Letzte Datei", U("Öffnet das Dokument."));
        return;
    }
    for (size_t i = 0; i < m_recent.Files().size(); ++i)
        m_fileMenu->Insert(pos + i, ID_FILE_MRU_FIRST + static_cast<int>(i), PathW(m_recent.MenuLabel(i)),
                           U("Öffnet das Dokument."));
}

void CMainFrame::CreateToolbar() {
    m_toolbar = new wxAuiToolBar(this, ID_VIEW_TOOLBAR, wxDefaultPosition, wxDefaultSize,
                                 wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_OVERFLOW | wxAUI_TB_HORZ_TEXT);
    m_toolbar->SetToolBitmapSize(wxSize(16, 16));
    AddToolButtons();
    // The customise button at the end of the toolbar.
    m_toolbar->SetOverflowVisible(true);
    m_toolbar->Bind(wxEVT_AUITOOLBAR_OVERFLOW_CLICK, [this](wxAuiToolBarEvent&) {
        wxMenu menu;
        menu.Append(ID_VIEW_CUSTOMIZE, U("Anpassen..."));
        PopupMenu(&menu);
    });
    ApplyToolbarOptions();
    m_aui.AddPane(m_toolbar, wxAuiPaneInfo().Name(kToolbarPane).Caption(kToolbarPane).ToolbarPane().Top().Row(0));
}

void CMainFrame::AddToolButtons() {
    for (const ToolButton& b : kToolButtons) {
        if (b.id == 0) {
            m_toolbar->AddSeparator();
            continue;
        }
        m_toolbar->AddTool(b.id, U(b.tooltip), ToolImage(b.art, 16), U(b.tooltip));
        m_toolbar->SetToolLongHelp(b.id, U(b.prompt));
    }
}

void CMainFrame::ApplyToolbarOptions() {
    const bool labels = m_values.m_profile.GetInt("Workspace", "ToolbarTextLabels", 0) != 0;
    const std::string hidden = m_values.m_profile.GetString("Workspace", "ToolbarHidden", "");
    m_toolbar->SetWindowStyleFlag(labels ? (m_toolbar->GetWindowStyleFlag() | wxAUI_TB_TEXT)
                                         : (m_toolbar->GetWindowStyleFlag() & ~wxAUI_TB_TEXT));
    for (const ToolButton& b : kToolButtons) {
        if (b.id == 0) continue;
        const bool hide = Contains(hidden, "," + std::to_string(b.id) + ",");
        // Hidden buttons are taken off and put back in their place when shown again.
        const bool present = m_toolbar->FindTool(b.id) != nullptr;
        if (hide && present) m_toolbar->DeleteTool(b.id);
    }
    m_toolbar->Realize();
}

void CMainFrame::CreatePanes() {
    m_pages = new wxAuiNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxAUI_NB_BOTTOM | wxAUI_NB_TAB_MOVE | wxAUI_NB_TAB_SPLIT | wxAUI_NB_SCROLL_BUTTONS);
    // Page "Grid": the rows and, below them, the selected row's description.
    auto* gridPage = new wxPanel(m_pages, wxID_ANY);
    m_grid = new CRowsCtrl(gridPage, 1000, CVisibleRows::Kind::Grid, &m_screen);
    m_grid->SetImages(m_images.get());
    m_grid->SetModel(&m_rows);
    auto* descriptionPanel = new wxPanel(gridPage, wxID_ANY);
    descriptionPanel->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    m_descriptionTitle = new wxStaticText(descriptionPanel, wxID_ANY, wxString());
    m_descriptionTitle->SetFont(m_descriptionTitle->GetFont().Bold());
    m_description = new wxStaticText(descriptionPanel, wxID_ANY, wxString());
    auto* descriptionSizer = new wxBoxSizer(wxVERTICAL);
    descriptionSizer->Add(m_descriptionTitle, 0, wxLEFT | wxRIGHT | wxTOP, 6);
    descriptionSizer->Add(m_description, 1, wxEXPAND | wxALL, 6);
    descriptionPanel->SetSizer(descriptionSizer);
    descriptionPanel->SetMinSize(wxSize(-1, 56));
    auto* gridSizer = new wxBoxSizer(wxVERTICAL);
    gridSizer->Add(m_grid, 1, wxEXPAND);
    gridSizer->Add(descriptionPanel, 0, wxEXPAND);
    gridPage->SetSizer(gridSizer);
    m_grid->OnSelectionChanged([this](RowId row) { ShowDescription(row); });

    m_text = new CTextPageCtrl(m_pages, 3);
    m_browser = new CBrowserPage(m_pages);
    m_pages->AddPage(gridPage, "Grid", true, StripImage(0));
    m_pages->AddPage(m_text, "Text", false, StripImage(2));
    m_pages->AddPage(m_browser, "HTML", false, StripImage(1));
    // Page "Zusammenfassung": the summary slip of a payment file, read-only.
    m_summaryPage = new wxTextCtrl(m_pages, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                   wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxTE_RICH2);
    m_summaryPage->SetFont(wxFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE)));
    m_pages->AddPage(m_summaryPage, "Zusammenfassung", false, StripImage(2));
    m_aui.AddPane(m_pages, wxAuiPaneInfo().Name("View").CenterPane().PaneBorder(false));
    m_pages->Bind(wxEVT_AUINOTEBOOK_PAGE_CHANGED, [this](wxAuiNotebookEvent& e) {
        if (ActivePage() == kPageHtml) m_browser->EnsureEngine();
        e.Skip();
    });

    m_tree = new CRowsCtrl(this, 2, CVisibleRows::Kind::Tree, &m_screen);
    m_tree->SetImages(m_images.get());
    m_tree->SetModel(&m_rows);
    m_tree->OnSelectionChanged([this](RowId row) { SelectFromTree(row); });
    wxIcon structureIcon;
    structureIcon.CopyFromBitmap(StripImage(1));
    m_aui.AddPane(m_tree, wxAuiPaneInfo()
                              .Name(kStructurePane)
                              .Caption(kStructurePane)
                              .Left()
                              .BestSize(200, 400)
                              .MinSize(80, 60)
                              .Icon(StripImage(1))
                              .CloseButton(true)
                              .MaximizeButton(false)
                              .Floatable()
                              .Dockable());

    m_outputList = new COutputListCtrl(this, 1, &m_screen);
    m_outputList->OnNavigate([this](long position) { GoToPosition(position); });
    m_aui.AddPane(m_outputList, wxAuiPaneInfo()
                                    .Name(kOutputPane)
                                    .Caption(kOutputPane)
                                    .Bottom()
                                    .BestSize(600, OutputPaneHeight(m_outputList, 8))
                                    .MinSize(60, 40)
                                    .Icon(StripImage(2))
                                    .CloseButton(true)
                                    .Floatable()
                                    .Dockable());
}

void CMainFrame::RestoreLayout() {
    const std::string perspective = m_values.m_profile.GetString("Workspace", "Perspective", "");
    if (!perspective.empty()) m_aui.LoadPerspective(wxString::FromUTF8(perspective), false);
    const std::string rect = m_values.m_profile.GetString("Workspace", "WindowRect", "");
    int x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(rect.c_str(), "%d %d %d %d", &x, &y, &w, &h) == 4 && w > 200 && h > 150) SetSize(x, y, w, h);
    if (m_values.m_profile.GetInt("Workspace", "Maximized", 0) != 0) Maximize();
}

void CMainFrame::StoreLayout() {
    CProfile& p = m_values.m_profile;
    p.WriteString("Workspace", "Perspective", std::string(m_aui.SavePerspective().utf8_str()));
    p.WriteInt("Workspace", "Maximized", IsMaximized() ? 1 : 0);
    if (!IsMaximized() && !IsIconized()) {
        const wxRect r = GetRect();
        p.WriteString("Workspace", "WindowRect", Format("%d %d %d %d", r.x, r.y, r.width, r.height));
    }
    m_recent.Save(p);
}

void CMainFrame::AttachView(CValorixView* view) { m_view = view; }

void CMainFrame::DetachView(CValorixView* view) {
    if (m_view != view) return;
    m_view = nullptr;
    DropDocument();
}

void CMainFrame::DropDocument() {
    // The view logic and the text page refer to the document's text.
    m_structureView.reset();
    m_text->SetText(std::string());
    m_grid->SetModel(nullptr);
    m_tree->SetModel(nullptr);
    m_outputList->SetLines(nullptr);
    m_rows.Clear();
    m_output.Clear();
    m_printText.clear();
    m_summaryPrintText.clear();
    m_summaryPage->Clear();
}

wxString CMainFrame::ScreenW(std::string_view text) const { return W(text, &m_screen); }

void CMainFrame::Fill(CheckDocument& doc) {
    m_values.CompleteSclIniPath();
    const int active = ActivePage();
    // The file's real name: the engine's code page may lack some of its characters.
    m_screen.SetPath(m_view && m_view->GetDocument() && !doc.m_strPathName.empty()
                         ? PathS(m_view->GetDocument()->GetFilename())
                         : std::string());
    ViewTargets targets;
    targets.filePath = m_screen.Path();
    targets.marks = [this] { return &m_text->Model().Marks(); };
    targets.lineText = [this](std::string_view line) { return m_screen.Convert(line); };
    targets.structure = &m_rows;
    targets.text = m_text;
    targets.output = &m_output;
    targets.browser = m_browser;
    targets.makeProgress = [this](const std::string& caption, const std::string& status) -> std::unique_ptr<IProgress> {
        if (!IsShown()) return nullptr;
        if (m_checkProgress) {  // the check's dialog goes on with this phase
            m_checkProgress->SetPhase(W(caption), ScreenW(status));
            return std::move(m_checkProgress);
        }
        auto dialog = std::make_unique<CProgressDlg>(this, W(caption), ScreenW(status));
        if (m_onProgress) m_onProgress(dialog.get());
        return dialog;
    };
    // The slip is made once per check: for its page, the HTML page and the history.
    if (!m_screen.Path().empty())
        targets.hooks.summarize = [&doc, path = m_screen.Path()] {
            std::ifstream file(path, std::ios::binary);
            return doc.Summary(file);
        };
    // A second submission is told in the summary. Opening the same file again
    // within ten minutes of its first check is the same check repeated.
    if (!m_screen.Path().empty() && HistorySwitchedOn(m_values.GetOptionInt("HISTORY", 1)))
        targets.hooks.summaryHints = [this, path = m_screen.Path()](const FileSummary* slip) -> std::vector<std::string> {
            if (!slip) return {};
            if (!m_history) m_history = std::make_unique<CCheckHistory>(HistorySettings{m_values.m_strDataFolder, 60, 10});
            return m_history->Record(*slip, path);
        };
    DropDocument();
    m_structureView = std::make_unique<CStructureView>(doc, m_values, m_prompt, targets);
    FillResult result;
    try {
        wxBusyCursor busy;
        result = m_structureView->FillView();
    } catch (const std::bad_alloc&) {
        // Too large to show: nothing half-built stays, the document is closed.
        DropDocument();
        m_prompt.Message(A("Für die Anzeige dieser Datei reicht der Arbeitsspeicher nicht aus! Die Datei wird "
                           "geschlossen; valorix-check prüft sie ohne Anzeige."));
        CallAfter([this] { CloseFile(); });
        return;
    }
    m_printText = m_structureView->m_strPrintText;
    const std::vector<std::string> slip =
        SummaryPageLines(m_structureView->PaymentSummary(), result != FillResult::NoFile);
    m_summaryPrintText = SummaryPageText(slip, "\r\n");
    m_summaryPage->ChangeValue(ScreenW(SummaryPageText(slip, "\n")));
    m_grid->SetModel(&m_rows);
    m_tree->SetModel(&m_rows);
    m_outputList->SetLines(&m_output);
    ShowDescription(m_rows.GetCurSel());
    switch (result) {
    case FillResult::NoFile:
        if (active != kPageGrid) ActivatePage(kPageGrid);
        m_pages->SetFocus();
        break;
    case FillResult::NotWellFormed:
        if (active == kPageHtml) ActivatePage(kPageText);
        break;
    case FillResult::Cancelled:
        // The document is closed, as "Schließen" does, once this fill is over.
        CallAfter([this] { CloseFile(); });
        break;
    case FillResult::Filled:
        break;
    }
    if (result == FillResult::Filled || result == FillResult::NotWellFormed) {
        // After a file is opened the keyboard focus is in the view.
        if (wxWindow* page = FocusTarget(FocusPlace::View)) page->SetFocus();
    }
    if (m_firstFill) {
        m_firstFill = false;
        // The start-up hook: the online check, once the window shows.
        CallAfter([this] { StartupCheck(); });
    }
}

void CMainFrame::BeginCheck(const std::string& path) {
    m_checkProgress.reset();
    // Files this large take a noticeable time to check before their fill.
    constexpr uintmax_t kLargeFile = 64 * 1024;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(PathW(path).utf8_string(), error);
    if (error || size < kLargeFile || !IsShown()) return;
    m_checkProgress = std::make_unique<CProgressDlg>(this, U("Datei wird geprüft"),
                                                     U("Die Datei wird gelesen und geprüft: ") +
                                                         wxFileName(PathW(path)).GetFullName());
    if (m_onProgress) m_onProgress(m_checkProgress.get());
}

void CMainFrame::EndCheck() { m_checkProgress.reset(); }

void CMainFrame::StartupCheck() {
    const OnlineSettings settings = OnlineSettings::FromProfile(m_values.m_profile);
    const bool window = IsShown();
    auto outcome = std::make_shared<OnlineOutcome>(OnlineOutcome::NotConfigured);
    // On a worker thread: the window answers while the server is asked. What
    // the check has to say goes to the status bar, once; its offers are asked.
    m_online->Start(
        m_values, [this](const std::string& text) { ShowOnlineStatus(text); },
        [settings, window, outcome](AppValues& values, IPrompt& prompt) {
            *outcome = RunOnlineCheck(values, prompt, settings, window);
        },
        [this, outcome](AppValues& values) {
            m_values.m_strUpdateUrl = values.m_strUpdateUrl;
            m_values.m_strUpdateVersion = values.m_strUpdateVersion;
            switch (*outcome) {
            case OnlineOutcome::WantsProgramUpdate:
                // The newer program's page is opened and this one ends.
                if (OpenUpdatePage(m_values, m_prompt)) CallAfter([this] { Close(); });
                break;
            case OnlineOutcome::WantsSclDirectory:
                DownloadScl();  // as the command ID_SCL_DOWNLOAD does
                break;
            default: break;
            }
        });
}

bool CMainFrame::OnlineBusy() const { return m_online && m_online->Busy(); }

void CMainFrame::ShowOnlineStatus(const std::string& text) {
    std::string line = text;
    for (const char* breakText : {"\r\n", "\n"})
        for (size_t at; (at = line.find(breakText)) != std::string::npos;) line.replace(at, strlen(breakText), " ");
    SetStatusText(W(line));
}

void CMainFrame::DownloadScl() {
    const OnlineSettings settings = OnlineSettings::FromProfile(m_values.m_profile);
    const bool window = IsShown();
    // The download's result is what the user asked for: a message box.
    const bool started = m_online->Start(
        m_values, [this](const std::string& text) { m_prompt.Message(text); },
        [settings, window](AppValues& values, IPrompt& prompt) {
            DownloadSclDirectory(values, prompt, settings, window);
        },
        [this](AppValues& values) {
            m_values.m_strSclStand = values.m_strSclStand;
            m_values.m_strSclIniPath = values.m_strSclIniPath;
            SetStatusText(U("Bereit"));
        });
    if (started) SetStatusText(U("Das SCL Verzeichnis wird heruntergeladen..."));
}

void CMainFrame::OnImportScl(wxCommandEvent&) {
    wxFileDialog dialog(this, U("SCL-Verzeichnis der Bundesbank importieren"), wxString(), wxString(),
                        U("SCL-Verzeichnis (*.csv;*.txt)|*.csv;*.CSV;*.txt;*.TXT|Alle Dateien (*.*)|*"),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    ImportScl(PathS(dialog.GetPath()));
}

void CMainFrame::OnImportBlz(wxCommandEvent&) {
    wxFileDialog dialog(this, U("Bankleitzahlendatei der Bundesbank importieren"), wxString(), wxString(),
                        U("Bankleitzahlendatei (*.txt)|*.txt;*.TXT|Alle Dateien (*.*)|*"),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    ImportBlz(PathS(dialog.GetPath()));
}

void CMainFrame::OnSaveReport(wxCommandEvent&) {
    const std::string file = m_screen.Path();
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    const std::string name = std::filesystem::path(file).stem().string() + "-bericht.html";
    std::string target;
    if (m_chooseReportPath) {
        target = m_chooseReportPath((folder / name).string());
    } else {
        wxFileDialog dialog(this, U("Bericht speichern"), PathW(folder.string()), PathW(name),
                            U("HTML Datei (*.html)|*.html;*.htm|Alle Dateien (*.*)|*"),
                            wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialog.ShowModal() == wxID_OK) target = PathS(dialog.GetPath());
    }
    if (!target.empty()) SaveReport(target);
}

bool CMainFrame::SaveReport(const std::string& target) {
    auto* document = m_view ? dynamic_cast<CValorixDocument*>(m_view->GetDocument()) : nullptr;
    const std::string file = m_screen.Path();
    if (!document || file.empty() || m_printText.empty()) return false;
    // The checked file is never replaced by its report.
    if (SameFile(target, file)) {
        m_prompt.Message(Utf8ToCp1252("Der Bericht kann nicht über die geprüfte Datei '" + file +
                                      "' geschrieben werden!"));
        return false;
    }
    // The report's size and hash are those of the file's bytes.
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        m_prompt.Message(Utf8ToCp1252("Die Datei '" + file + "' kann für den Bericht nicht gelesen werden!"));
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const CheckDocument& doc = document->Check();
    const HtmlReportFacts facts = ReportFacts(bytes.str(), file, doc.m_checkTime, m_values.m_strVersion,
                                              Cp1252ToUtf8(SclDateText(m_values.m_strSclStand)),
                                              bytes.str().size() >= kLargeFileBytes || m_values.SaxMode());
    HtmlPageInput input;
    input.text = &m_text->GetText();
    input.utf8 = doc.m_textIsUtf8;
    input.title = file;
    input.report = &m_output;
    input.marks = &m_text->Model().Marks();
    input.lineText = [this](std::string_view line) { return m_screen.Convert(line); };
    input.facts = &facts;
    input.summary = m_structureView ? m_structureView->PaymentSummary() : nullptr;
    if (WriteHtmlPage(target, input)) {
        SetStatusText(U("Bericht gespeichert: ") + PathW(target));
        return true;
    }
    m_prompt.Message(Utf8ToCp1252("Der Bericht konnte nicht nach '" + target + "' geschrieben werden!"));
    return false;
}

void CMainFrame::ImportScl(const std::string& source) {
    const SclImportResult r = m_values.ImportScl(source);
    std::string text = r.ok ? Format(A("Das SCL Verzeichnis der Bundesbank (Stand %s) mit %d Instituten wurde "
                                       "übernommen.").c_str(),
                                     SclDateText(r.stand).c_str(), r.banks)
                            : A("Das SCL Verzeichnis konnte nicht importiert werden!\n") + r.message;
    for (const std::string& warning : r.warnings) text += "\n" + warning;
    m_prompt.Message(text);
}

void CMainFrame::ImportBlz(const std::string& source) {
    const BlzImportResult r = m_values.ImportBlz(source);
    m_prompt.Message(r.ok ? Format(A("Die Bankleitzahlendatei der Bundesbank (gültig ab %s) mit %ld Bankleitzahlen "
                                     "wurde übernommen.").c_str(),
                                   BlzDateText(r.stand).c_str(), r.banks)
                          : A("Die Bankleitzahlendatei konnte nicht importiert werden!\n") + r.message);
}

bool CMainFrame::OpenFile(std::string path) {
    wxDocManager* docs = GetDocumentManager();
    // The file that is open already is read and checked again: it may have
    // changed since (the document manager would only show it once more).
    wxDocument* current = docs->GetCurrentDocument();
    bool opened = false;
    if (current && wxFileName(current->GetFilename()).SameAs(wxFileName(PathW(path))))
        opened = current->OnOpenDocument(PathW(path));
    else
        opened = docs->CreateDocument(PathW(path), wxDOC_SILENT) != nullptr;
    if (!opened) {
        // A failed load leaves nothing of an earlier file: the empty document.
        docs->CloseDocuments(true);
        docs->CreateNewDocument();
        m_recent.Remove(path);
    } else {
        m_recent.Add(path);
    }
    m_recent.Save(m_values.m_profile);
    RebuildRecentMenu();
    return opened;
}

void CMainFrame::CloseFile() { GetDocumentManager()->CreateNewDocument(); }

void CMainFrame::OnOpen(wxCommandEvent&) {
    // First the document is emptied, then the file is chosen.
    CloseFile();
    wxFileDialog dialog(this, U("Öffnen"), wxString(), wxString(), U("Alle Dateien (*.*)|*"),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    OpenFile(PathS(dialog.GetPath()));
}

void CMainFrame::OnRecent(wxCommandEvent& e) {
    const size_t index = static_cast<size_t>(e.GetId() - ID_FILE_MRU_FIRST);
    if (index < m_recent.Files().size()) OpenFile(m_recent.Files()[index]);  // a copy: the list changes
}

int CMainFrame::ActivePage() const {
    const int selection = m_pages->GetSelection();
    return selection == wxNOT_FOUND ? 0 : selection + 1;
}

void CMainFrame::ActivatePage(int pageId) {
    if (pageId >= kPageGrid && pageId <= kPageSummary) m_pages->SetSelection(static_cast<size_t>(pageId - 1));
}

void CMainFrame::SelectFromTree(RowId row) {
    if (!m_structureView || row == kNoRow || m_rows.Name(row).empty()) return;
    m_structureView->SelectElement(std::string(m_rows.Name(row)), row);
    m_grid->SelectRow(m_rows.GetCurSel(), false);
    ShowDescription(m_rows.GetCurSel());
}

wxString CMainFrame::DescriptionTitle() const { return m_descriptionTitle->GetLabel(); }
wxString CMainFrame::DescriptionText() const { return m_description->GetLabel(); }

void CMainFrame::ShowDescription(RowId row) {
    const bool none = row == kNoRow || row >= m_rows.Size();
    m_descriptionTitle->SetLabel(none ? wxString() : ScreenW(m_rows.Name(row)));
    m_description->SetLabel(none ? wxString() : W(m_rows.Description(row)));
}

void CMainFrame::GoToPosition(long position) {
    if (!m_structureView) return;
    m_structureView->GoToPosition(position);
    m_grid->SelectRow(m_rows.GetCurSel(), false);
    ShowDescription(m_rows.GetCurSel());
    m_text->CentreOn(position);
}

bool CMainFrame::IsPaneShown(const wxString& name) {
    const wxAuiPaneInfo& pane = m_aui.GetPane(name);
    return pane.IsOk() && pane.IsShown();
}

void CMainFrame::ShowPane(const wxString& name, bool show) {
    wxAuiPaneInfo& pane = m_aui.GetPane(name);
    if (!pane.IsOk()) return;
    pane.Show(show);
    m_aui.Update();
}

void CMainFrame::HideOutputPane() {
    SetFocus();
    ShowPane(kOutputPane, false);
}

wxWindow* CMainFrame::FocusTarget(FocusPlace place) const {
    switch (place) {
    case FocusPlace::View: {
        wxWindow* page = m_pages->GetCurrentPage();
        if (page && IsInside(m_grid, page)) return m_grid;
        return page;
    }
    case FocusPlace::Output: return m_outputList;
    case FocusPlace::Structure: return m_tree;
    case FocusPlace::Other: break;
    }
    return nullptr;
}

FocusPlace CMainFrame::PlaceOf(wxWindow* focus) const {
    if (IsInside(focus, m_outputList)) return FocusPlace::Output;
    if (IsInside(focus, m_tree)) return FocusPlace::Structure;
    if (IsInside(focus, m_pages)) return FocusPlace::View;
    return FocusPlace::Other;
}

void CMainFrame::MovePane(bool forward) {
    const bool output = IsPaneShown(kOutputPane), structure = IsPaneShown(kStructurePane);
    if (!output && !structure) return;
    const FocusPlace to = NextPane(PlaceOf(wxWindow::FindFocus()), forward, output, structure);
    if (wxWindow* target = FocusTarget(to)) target->SetFocus();
}

CopyAction CMainFrame::CopyActionNow(wxTextCtrl** edit) const {
    wxWindow* focus = wxWindow::FindFocus();
    const bool textSelection = m_text->GetSelectionStart() != m_text->GetSelectionEnd();
    CopyFocus where = CopyFocus::Other;
    bool editSelection = false;
    if (IsInside(focus, m_text)) where = CopyFocus::TextPage;
    else if (IsInside(focus, m_outputList)) where = CopyFocus::OutputList;
    else if (IsInside(focus, m_tree)) where = CopyFocus::StructureTree;
    else if (auto* control = dynamic_cast<wxTextCtrl*>(focus); control && IsInside(control, m_pages)) {
        where = CopyFocus::EditControl;
        long from = 0, to = 0;
        control->GetSelection(&from, &to);
        editSelection = from != to;
        if (edit) *edit = control;
    }
    return CopyRule(where, textSelection, m_outputList->LineCount() != 0, editSelection, ActivePage() == kPageText);
}

bool CMainFrame::CanCopy() const { return CopyActionNow(nullptr) != CopyAction::None; }

void CMainFrame::Copy() {
    wxTextCtrl* edit = nullptr;
    switch (CopyActionNow(&edit)) {
    case CopyAction::TextSelection: m_text->Copy(); break;
    case CopyAction::OutputLines: m_outputList->CopyAll(); break;
    case CopyAction::EditSelection: edit->Copy(); break;
    case CopyAction::None: break;
    }
}

void CMainFrame::ToggleExpandOption() {
    CProfile& p = m_values.m_profile;
    p.WriteInt("OPTION", "EXPAND", ToggledExpand(p.GetInt("OPTION", "EXPAND", 1)));
}

void CMainFrame::ApplyLook(int id, bool store) {
    wxBusyCursor busy;
    const Look* look = &kLooks[5];  // an unknown look: Office 2007 in its current style
    for (const Look& l : kLooks)
        if (l.id == id) look = &l;
    m_values.m_nAppLook = static_cast<unsigned>(id);
    wxAuiDockArt* art = m_aui.GetArtProvider();
    art->SetMetric(wxAUI_DOCKART_GRADIENT_TYPE, look->gradient);
    art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_COLOUR, look->active);
    art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_GRADIENT_COLOUR, look->activeEnd);
    art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_COLOUR, look->inactive);
    art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_GRADIENT_COLOUR, look->inactiveEnd);
    art->SetColour(wxAUI_DOCKART_ACTIVE_CAPTION_TEXT_COLOUR, look->activeText);
    art->SetColour(wxAUI_DOCKART_INACTIVE_CAPTION_TEXT_COLOUR, *wxBLACK);
    if (look->simpleTabs) m_pages->SetArtProvider(new wxAuiSimpleTabArt);
    else m_pages->SetArtProvider(new wxAuiGenericTabArt);
    m_aui.Update();
    Refresh(true);
    if (store) m_values.m_profile.WriteInt("Workspace", "ApplicationLook", id);
}

std::string CMainFrame::CurrentPrintText() const {
    return ActivePage() == kPageSummary ? m_summaryPrintText : m_printText;
}

void CMainFrame::OnPrint(wxCommandEvent&) {
    const std::string text = CurrentPrintText();
    if (text.empty()) return;
    wxPrintDialogData data(m_printData);
    wxPrinter printer(&data);
    COutputPrintout printout(text, m_outputList->GetFont(), &m_screen);
    if (printer.Print(this, &printout, true)) m_printData = printer.GetPrintDialogData().GetPrintData();
}

void CMainFrame::OnPrintPreview(wxCommandEvent&) {
    const std::string text = CurrentPrintText();
    if (text.empty()) return;
    // The toolkit's own preview: one printout to show, one to print from it.
    wxPrintDialogData data(m_printData);
    auto* preview = new wxPrintPreview(new COutputPrintout(text, m_outputList->GetFont(), &m_screen),
                                       new COutputPrintout(text, m_outputList->GetFont(), &m_screen), &data);
    if (!preview->IsOk()) {
        delete preview;
        m_prompt.Message(A("Die Seitenansicht kann nicht angezeigt werden: kein Drucker eingerichtet."));
        return;
    }
    auto* frame = new wxPreviewFrame(preview, this, U("Valorix - Seitenansicht"), wxDefaultPosition, wxSize(800, 700));
    frame->Centre();
    frame->Initialize();
    frame->Show();
}

void CMainFrame::OnPrintSetup(wxCommandEvent&) {
    wxPageSetupDialogData data(m_printData);
    wxPageSetupDialog dialog(this, &data);
    if (dialog.ShowModal() == wxID_OK) m_printData = dialog.GetPageSetupDialogData().GetPrintData();
}

void CMainFrame::OnAbout(wxCommandEvent&) {
    CAboutDlg dialog(this, m_values.m_strVersion, SclDateText(m_values.m_strSclStand),
                     OnlineUpdateLine(OnlineSettings::FromProfile(m_values.m_profile).host));
    dialog.ShowModal();
}

void CMainFrame::OnHelp(wxCommandEvent&) { RunHelp(m_values, m_prompt); }

void CMainFrame::OnCustomize(wxCommandEvent&) {
    std::vector<wxString> names;
    std::vector<bool> shown;
    const std::string hidden = m_values.m_profile.GetString("Workspace", "ToolbarHidden", "");
    for (const ToolButton& b : kToolButtons) {
        if (b.id == 0) continue;
        names.push_back(U(b.tooltip));
        shown.push_back(!Contains(hidden, "," + std::to_string(b.id) + ","));
    }
    CCustomizeDlg dialog(this, names, shown, m_values.m_profile.GetInt("Workspace", "ToolbarTextLabels", 0) != 0);
    if (dialog.ShowModal() != wxID_OK) return;
    std::string stored = ",";
    size_t i = 0;
    const std::vector<bool> chosen = dialog.Shown();
    for (const ToolButton& b : kToolButtons) {
        if (b.id == 0) continue;
        if (i < chosen.size() && !chosen[i]) stored += std::to_string(b.id) + ",";
        ++i;
    }
    m_values.m_profile.WriteString("Workspace", "ToolbarHidden", stored == "," ? std::string() : stored);
    m_values.m_profile.WriteInt("Workspace", "ToolbarTextLabels", dialog.TextLabels() ? 1 : 0);
    // The toolbar is built anew with the chosen buttons.
    m_toolbar->ClearTools();
    AddToolButtons();
    ApplyToolbarOptions();
    m_aui.GetPane(kToolbarPane).BestSize(m_toolbar->GetBestSize());
    m_aui.Update();
}

void CMainFrame::OnClose(wxCloseEvent& e) {
    StoreLayout();
    e.Skip();  // the document frame closes the document and the window
}

void CMainFrame::OnActivate(wxActivateEvent& e) {
    // The focus of the view and the panes is given back when the frame returns.
    if (!e.GetActive()) {
        wxWindow* focus = wxWindow::FindFocus();
        if (focus && PlaceOf(focus) != FocusPlace::Other) m_focusMemory = focus;
    } else if (m_focusMemory) {
        m_focusMemory->SetFocus();
    }
    e.Skip();
}

void CMainFrame::UpdateKeyIndicators() {
    if (!GetStatusBar()) return;
    const std::pair<wxKeyCode, const char*> keys[] = {{WXK_CAPITAL, "CAP"}, {WXK_NUMLOCK, "NUM"}, {WXK_SCROLL, "SCRL"}};
    for (int i = 0; i < 3; ++i) {
        const wxString text = wxGetKeyState(keys[i].first) ? wxString(keys[i].second) : wxString();
        if (GetStatusBar()->GetStatusText(i + 1) != text) SetStatusText(text, i + 1);
    }
}

void CMainFrame::OnIdle(wxIdleEvent& e) {
    UpdateKeyIndicators();
    e.Skip();
}

}  // namespace valorix::gui
