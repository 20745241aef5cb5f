// The main window: menus, toolbar "Standard", status bar, the view's pages
// (grid, text, browser) in the centre and the docking panes "Strukturansicht"
// and "Ausgabe". Every decision comes from the toolkit-free view logic; the
// frame draws its models and forwards the user's requests.
#pragma once
#include <wx/aui/aui.h>
#include <wx/aui/auibook.h>
#include <wx/docview.h>
#include <wx/cmndata.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <string>

#include "gui/onlinework.h"
#include "ui/framelogic.h"
#include "ui/structureview.h"
#include "ui/viewmodel.h"

class wxStaticText;
class wxTextCtrl;

namespace valorix {
class CCheckHistory;
}

namespace valorix::gui {

class CRowsCtrl;
class COutputListCtrl;
class CTextPageCtrl;
class CBrowserPage;
class CProgressDlg;
class CValorixView;

class CMainFrame : public wxDocParentFrame {
public:
    CMainFrame(wxDocManager* docs, AppValues& values, IPrompt& prompt);
    ~CMainFrame() override;

    // The view's side.
    void AttachView(CValorixView* view);
    void DetachView(CValorixView* view);
    /// Lets go of everything shown of the document, which is about to go or
    /// to be loaded anew: grid, tree, text, output and the view logic.
    void DropDocument();
    /// Rebuilds grid, tree, pages and output pane from the document.
    void Fill(CheckDocument& doc);
    /// The check of the file `path` begins: a large file shows the progress
    /// dialog from now on, which the fill then goes on with.
    void BeginCheck(const std::string& path);
    /// The check and its fill are over.
    void EndCheck();

    // What the user does, as the commands do it.
    /// Loads, checks and shows a file (the recent-file path): false when it
    /// could not be read or checked; the empty document is shown then.
    bool OpenFile(std::string path);
    /// "Schließen": the empty document.
    void CloseFile();
    void Copy();
    bool CanCopy() const;
    void MovePane(bool forward);
    void ToggleExpandOption();
    void ApplyLook(int id, bool store = true);
    void SelectFromTree(RowId row);
    void GoToPosition(long position);
    void HideOutputPane();
    /// The online check of the first fill: a newer program's page, or the
    /// download of a newer SCL directory.
    void StartupCheck();
    /// ID_SCL_DOWNLOAD: the SCL directory from the update server.
    void DownloadScl();
    /// Imports the Bundesbank's SCL file at `source` as the directory the
    /// checks use, and says the result in a message box.
    void ImportScl(const std::string& source);
    /// Imports the Bundesbank's bank code file at `source` for the check of
    /// IBAN and BIC ("BLZBIC.TXT" in the data folder, as `--import-blz`
    /// does), and says the result in a message box.
    void ImportBlz(const std::string& source);
    /// "Bericht speichern...": the menu command's id.
    static constexpr int kIdSaveReport = 40010 - 0x8000;
    /// Writes the open file's report to share (HTML) to `target`; false,
    /// after saying why, when there is no checked file or it cannot be written.
    bool SaveReport(const std::string& target);
    /// The file "Bericht speichern..." writes to, from `suggested`; "" cancels.
    /// Unset: the save dialog asks.
    void ChooseReportPathWith(std::function<std::string(const std::string& suggested)> choose) {
        m_chooseReportPath = std::move(choose);
    }
    /// True while the online check or a download runs on its worker thread.
    bool OnlineBusy() const;
    /// Shows or hides a pane ("Strukturansicht" or "Ausgabe") or the toolbar.
    void ShowPane(const wxString& name, bool show);
    bool IsPaneShown(const wxString& name);
    /// Activates a page by its id (kPageGrid, kPageText, kPageHtml, kPageSummary).
    void ActivatePage(int pageId);
    int ActivePage() const;

    // Read back by tests and by the print command.
    CStructureModel& Rows() { return m_rows; }
    const COutputList& Output() const { return m_output; }
    CRowsCtrl* Grid() const { return m_grid; }
    CRowsCtrl* Tree() const { return m_tree; }
    COutputListCtrl* OutputList() const { return m_outputList; }
    CTextPageCtrl* TextPage() const { return m_text; }
    CBrowserPage* Browser() const { return m_browser; }
    /// The page "Zusammenfassung": the summary slip of the open payment file.
    wxTextCtrl* SummaryPage() const { return m_summaryPage; }
    /// What "Ausgabe Drucken" prints: the slip while its page is active, else the output lines.
    std::string CurrentPrintText() const;
    wxAuiNotebook* Pages() const { return m_pages; }
    wxAuiManager& Aui() { return m_aui; }
    const CRecentFiles& Recent() const { return m_recent; }
    const std::string& PrintText() const { return m_printText; }
    CStructureView* View() const { return m_structureView.get(); }
    /// The selected row's name and description below the grid.
    wxString DescriptionTitle() const;
    wxString DescriptionText() const;
    wxPrintData& PrintData() { return m_printData; }
    /// Tells what the fill of a large file shows while it runs (tests).
    void OnProgressCreated(std::function<void(IProgress*)> fn) { m_onProgress = std::move(fn); }

private:
    void CreateMenus();
    void CreateToolbar();
    void CreatePanes();
    void RebuildRecentMenu();
    /// The row's name and description below the grid.
    void ShowDescription(RowId row);
    /// Engine text for the screen, naming the open file by its real name.
    wxString ScreenW(std::string_view text) const;
    void StoreLayout();
    void RestoreLayout();
    void UpdateKeyIndicators();
    void ApplyToolbarOptions();
    void AddToolButtons();
    /// What copy does now, by the window with the focus; `edit` gets the
    /// focused edit control when there is one.
    CopyAction CopyActionNow(wxTextCtrl** edit) const;
    wxWindow* FocusTarget(FocusPlace place) const;
    FocusPlace PlaceOf(wxWindow* focus) const;

    void OnOpen(wxCommandEvent&);
    void OnImportScl(wxCommandEvent&);
    void OnImportBlz(wxCommandEvent&);
    void OnSaveReport(wxCommandEvent&);
    void ShowOnlineStatus(const std::string& text);
    void OnRecent(wxCommandEvent&);
    void OnPrint(wxCommandEvent&);
    void OnPrintSetup(wxCommandEvent&);
    void OnPrintPreview(wxCommandEvent&);
    void OnAbout(wxCommandEvent&);
    void OnHelp(wxCommandEvent&);
    void OnCustomize(wxCommandEvent&);
    void OnClose(wxCloseEvent&);
    void OnActivate(wxActivateEvent&);
    void OnIdle(wxIdleEvent&);

    AppValues& m_values;
    IPrompt& m_prompt;
    wxAuiManager m_aui;
    wxAuiNotebook* m_pages = nullptr;
    CRowsCtrl* m_grid = nullptr;
    wxStaticText* m_descriptionTitle = nullptr;
    wxStaticText* m_description = nullptr;
    CTextPageCtrl* m_text = nullptr;
    CBrowserPage* m_browser = nullptr;
    wxTextCtrl* m_summaryPage = nullptr;
    CRowsCtrl* m_tree = nullptr;
    COutputListCtrl* m_outputList = nullptr;
    wxAuiToolBar* m_toolbar = nullptr;
    wxMenu* m_fileMenu = nullptr;
    std::unique_ptr<wxImageList> m_images;

    CStructureModel m_rows;
    COutputList m_output;
    std::unique_ptr<CStructureView> m_structureView;
    /// The history of checked files, opened at the first check that uses it.
    std::unique_ptr<CCheckHistory> m_history;
    CValorixView* m_view = nullptr;
    std::string m_printText;
    std::string m_summaryPrintText;  ///< the slip's lines joined by CR LF; empty: nothing to print
    CRecentFiles m_recent;
    CScreenText m_screen;  ///< names the open file by its real name
    wxPrintData m_printData;
    wxWeakRef<wxWindow> m_focusMemory;
    bool m_firstFill = true;
    std::unique_ptr<COnlineWork> m_online;
    std::function<void(IProgress*)> m_onProgress;
    std::function<std::string(const std::string&)> m_chooseReportPath;
    std::unique_ptr<CProgressDlg> m_checkProgress;  ///< shown from the start of a large file's check
};

}  // namespace valorix::gui
