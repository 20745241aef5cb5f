// The desktop program as a person uses it: the real frame, files opened
// through the document path, widgets read back, commands sent as the menus
// and keys send them, screenshots written into the build folder.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <wx/clipbrd.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/uiaction.h>
#include <wx/prntbase.h>
#include <wx/webview.h>

#include <functional>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/cli.h"
#include "gui/browserpage.h"
#include "gui/dialogs.h"
#include "gui/guiapp.h"
#include "gui/ids.h"
#include "gui/mainframe.h"
#include "ui/htmlpage.h"
#include "gui/outputlist.h"
#include "gui/printing.h"
#include "gui/progressdlg.h"
#include "gui/rowsctrl.h"
#include "gui/textpagectrl.h"
#include "gui/wxstr.h"
#include "online/help.h"
#include "online/http.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/sha256.h"
#include "platform/strutil.h"
#include "platform/inifile.h"
#include "platform/inputfile.h"
#include "platform/profile.h"
#include "rules/sclimport.h"
#include "online/loopbackserver.h"
#include "desktop.h"
#include "support.h"

namespace valorix::test {

using namespace valorix::gui;

namespace {

void Command(wxWindow* target, int id) {
    wxCommandEvent e(wxEVT_MENU, id);
    e.SetEventObject(target);
    target->GetEventHandler()->ProcessEvent(e);
    Pump();
}

// Whether a command is enabled / checked as the menu would show it.
wxUpdateUIEvent UpdateUi(wxWindow* target, int id) {
    wxUpdateUIEvent e(id);
    e.SetEventObject(target);
    target->GetEventHandler()->ProcessEvent(e);
    return e;
}

std::string ScreenshotDir() { return std::string(VALORIX_BUILD_DIR) + "/screenshots"; }

// The main window as it is on the (virtual) screen, as a PNG in the build
// folder. Read from the X server through GDK (the toolkit's screen DC may
// hand back an earlier picture); GDK is loaded with the toolkit, so its
// functions are looked up rather than linked.
void Screenshot(wxWindow* frame, const std::string& name) {
    frame->Refresh();
    for (int i = 0; i < 20; ++i) {  // GTK draws on its own clock
        Pump();
        frame->Update();
        wxMilliSleep(50);
    }
    using RootFn = void* (*)();
    using GrabFn = void* (*)(void*, int, int, int, int);
    using SaveFn = int (*)(void*, const char*, const char*, void**, ...);
    using UnrefFn = void (*)(void*);
    auto root = reinterpret_cast<RootFn>(dlsym(RTLD_DEFAULT, "gdk_get_default_root_window"));
    auto grab = reinterpret_cast<GrabFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_from_window"));
    auto save = reinterpret_cast<SaveFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_save"));
    auto unref = reinterpret_cast<UnrefFn>(dlsym(RTLD_DEFAULT, "g_object_unref"));
    ASSERT_TRUE(root && grab && save && unref);
    fs::create_directories(ScreenshotDir());
    const wxRect r = frame->GetScreenRect();
    void* pixbuf = grab(root(), r.x, r.y, r.width, r.height);
    ASSERT_NE(pixbuf, nullptr);
    void* error = nullptr;
    EXPECT_TRUE(save(pixbuf, (ScreenshotDir() + "/" + name).c_str(), "png", &error, nullptr));
    unref(pixbuf);
}

// Lays the printout out as a printer would, on a letter page (850 x 1100
// pixels at 100 dpi) drawn into `dc`.
void LayOutOnLetterPage(COutputPrintout& printout, wxMemoryDC& dc) {
    printout.SetDC(&dc);
    printout.SetPageSizePixels(850, 1100);
    printout.SetPPIScreen(96, 96);
    printout.SetPPIPrinter(100, 100);
    printout.OnPreparePrinting();
}

}  // namespace

class Gui : public DesktopTest {
protected:
    void Restart() {
        wxGetApp().CloseAll();
        Pump();
        Start();
    }
    std::vector<std::string> OutputTexts() const {
        std::vector<std::string> out;
        for (const OutputLine& l : m_frame->Output().Lines()) out.push_back(U8(l.text));
        return out;
    }
    /// The grid's top-level rows as "name=value".
    std::vector<std::string> TopRows() {
        std::vector<std::string> out;
        CStructureModel& m = m_frame->Rows();
        for (size_t i = 0; i < m.ChildCount(kGridRoot); ++i) {
            const RowId r = m.Child(kGridRoot, i);
            out.push_back(U8(std::string(m.Name(r))) + "=" + U8(std::string(m.Value(r))));
        }
        return out;
    }

};

// Every sample file opens in both modes and the output pane holds the
// command line's lines for it, text and position.
TEST_F(Gui, OutputPaneEqualsTheCommandLineForEverySample) {
    std::vector<std::string> samples;
    for (const auto& e : fs::directory_iterator(SamplesDir()))
        if (e.path().extension() == ".xml") samples.push_back(e.path().string());
    std::sort(samples.begin(), samples.end());
    ASSERT_GT(samples.size(), 50u);
    for (bool eventMode : {false, true}) {
        Values().ForceSaxMode(eventMode);
        for (const std::string& f : samples) {
            ASSERT_TRUE(m_frame->OpenFile(f)) << f;
            const std::vector<OutputLine> cli = CliLines(f);
            const std::vector<OutputLine>& gui = m_frame->Output().Lines();
            ASSERT_EQ(gui.size(), cli.size()) << f << (eventMode ? " event mode" : " tree mode");
            for (size_t i = 0; i < cli.size(); ++i) {
                EXPECT_EQ(gui[i].text, cli[i].text) << f;
                EXPECT_EQ(gui[i].position, cli[i].position) << f << " line " << i;
            }
            // The list control shows exactly these lines.
            ASSERT_EQ(m_frame->OutputList()->GetItemCount(), static_cast<int>(cli.size()));
            if (!cli.empty()) {
                EXPECT_EQ(C(m_frame->OutputList()->GetItemText(0)), cli[0].text);
            }
        }
    }
    EXPECT_TRUE(m_prompt.shown.empty()) << U8(m_prompt.shown.front());
}

// A file with findings: grid rows with icons, tree items, the marks in the
// text page, the browser's choice; screenshots of the grid and the text page.
TEST_F(Gui, FileWithFindingsShowsRowsTreeMarksAndPages) {
    const std::string file = FixturesDir() + "/rules/direct-debit.xml";
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(m_frame->GetTitle(), "direct-debit.xml - Valorix");
    EXPECT_EQ(TopRows(), (std::vector<std::string>{"xml=version=\"1.0\" encoding=\"UTF-8\"", "Document="}));
    CStructureModel& m = m_frame->Rows();
    // The grid control shows the rows from the top, with the amount's attribute and text rows.
    const CVisibleRows* grid = m_frame->Grid()->Lines();
    ASSERT_NE(grid, nullptr);
    std::vector<std::string> shown;
    for (size_t i = 0; i < grid->Count(); ++i) shown.push_back(std::string(m.Name(grid->At(i))));
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], "xml");
    EXPECT_EQ(shown[1], "Document");
    EXPECT_EQ(shown[2], "xmlns");
    const auto ccy = std::find(shown.begin(), shown.end(), "Ccy");
    ASSERT_NE(ccy, shown.end());
    EXPECT_EQ(m.Icon(grid->At(static_cast<size_t>(ccy - shown.begin()))), 3);
    EXPECT_EQ(*(ccy + 1), "Text");
    EXPECT_EQ(m.Icon(grid->At(static_cast<size_t>(ccy - shown.begin()) + 1)), 5);
    // The tree: the root item with the message below it, everything expanded.
    const CVisibleRows* tree = m_frame->Tree()->Lines();
    ASSERT_GE(tree->Count(), 3u);
    EXPECT_EQ(m.Name(tree->At(0)), "Document");
    EXPECT_EQ(m.TreeImage(tree->At(0)), 0);
    EXPECT_EQ(m.Name(tree->At(1)), "CstmrDrctDbtInitn");
    EXPECT_EQ(tree->Depth(1), 1);
    // The verdict and the findings in the output pane; each finding is marked
    // in the text page, red, or blue for the guideline warning.
    const std::vector<std::string> out = OutputTexts();
    ASSERT_GE(out.size(), 5u);
    EXPECT_EQ(out[0].rfind("'" + file + "' enthält", 0), 0u) << out[0];
    CTextPageCtrl* text = m_frame->TextPage();
    int red = 0, blue = 0;
    for (const CTextPageModel::Mark& mark : text->Model().Marks()) {
        const int style = text->StyleOf(mark.start);
        if (mark.rgb == kBlue) blue += style == 2;
        else red += style == 1;
    }
    EXPECT_GT(red, 3);
    EXPECT_EQ(blue, 1);
    EXPECT_EQ(text->StyleOf(0), 0);
    EXPECT_EQ(m_frame->Browser()->Shown(), Values().m_strReportFile);  // the page made of file and findings
    m_frame->ActivatePage(kPageGrid);
    Screenshot(m_frame, "main-grid.png");
    m_frame->ActivatePage(kPageText);
    EXPECT_EQ(m_frame->ActivePage(), kPageText);
    EXPECT_TRUE(text->IsShownOnScreen());
    Screenshot(m_frame, "main-text.png");
    // The browser page starts its engine when it is first shown.
    EXPECT_FALSE(m_frame->Browser()->HasEngine());
    m_frame->ActivatePage(kPageHtml);
    for (int i = 0; i < 20; ++i) {
        Pump();
        wxMilliSleep(50);
    }
    Screenshot(m_frame, "main-html.png");
    m_frame->ActivatePage(kPageGrid);
}

// A credit transfer of the edition banks accept today: its edition in the
// verdict, the rules' findings in the output pane and marked in the text.
TEST_F(Gui, EditionAfterThreeZeroShowsItsEditionAndFindings) {
    const std::string file = FixturesDir() + "/rules/credit-transfer-2019.xml";
    ASSERT_TRUE(m_frame->OpenFile(file));
    const std::vector<std::string> out = OutputTexts();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "'" + file + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.9 (GBIC_5) "
                          "aktuell ab November 2025) entspricht!");
    EXPECT_NE(std::find(out.begin(), out.end(), "Zeile 7/33 : Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"),
              out.end());
    EXPECT_GT(m_frame->TextPage()->Model().Marks().size(), 5u);
    m_frame->ActivatePage(kPageText);
    Screenshot(m_frame, "current-edition-text.png");
    m_frame->ActivatePage(kPageGrid);
}

// Files that cannot be checked: each ends in the output pane or in a message
// box naming the file, and nothing of an earlier file stays.
TEST_F(Gui, BadFilesEndInAMessageAndAClearedState) {
    WriteFile(m_dir / "kaputt.xml", "<?xml version=\"1.0\"?>\n<a><b></a>");
    WriteFile(m_dir / "leer.xml", "");
    WriteFile(m_dir / "binaer.xml", std::string("\x00\x01\xFF\xFEPK\x03\x04", 8));
    const std::string document = "<?xml version=\"1.0\"?>\n<a>text</a>";
    WriteFile(m_dir / "nul.xml", document + '\0' + "<b/>");
    WriteFile(m_dir / "gross.xml", document);
    fs::resize_file(m_dir / "gross.xml", 3ULL << 30);
    struct Case {
        const char* name;
        bool opens;
        const char* firstRow;
        const char* message;
    } cases[] = {
        {"kaputt.xml", true, "=Keine gültige XML Datei", nullptr},
        {"leer.xml", true, "=Keine gültige XML Datei", nullptr},
        {"binaer.xml", true, "=Keine gültige XML Datei", nullptr},
        {"nul.xml", true, "=Keine gültige XML Datei", nullptr},
        {"gross.xml", false, "Dateiname=unbenannt", "Die Datei '%s' kann nicht geprüft werden: sie ist 3072 MB groß"},
        {"fehlt.xml", false, "Dateiname=unbenannt", "Die Datei '%s' kann nicht gelesen werden!"},
        {"", false, "Dateiname=unbenannt", "'%s' ist keine gewöhnliche Datei"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
        m_frame->ActivatePage(kPageHtml);
        m_prompt.shown.clear();
        const std::string path = c.name[0] ? m_dir / c.name : m_dir.Path();
        EXPECT_EQ(m_frame->OpenFile(path), c.opens) << c.name;
        const std::vector<std::string> rows = TopRows();
        ASSERT_EQ(rows.size(), 1u) << c.name;
        const std::string first = c.opens ? path + c.firstRow : c.firstRow;
        EXPECT_EQ(rows[0], first) << c.name;
        if (c.message) {
            ASSERT_EQ(m_prompt.shown.size(), 1u) << c.name;
            EXPECT_NE(U8(m_prompt.shown[0]).find(Format(c.message, path.c_str())), std::string::npos)
                << U8(m_prompt.shown[0]);
            EXPECT_TRUE(m_frame->Output().Lines().empty());
            EXPECT_EQ(m_frame->Tree()->Lines()->Count(), 0u);
            EXPECT_EQ(m_frame->GetTitle(), "Unbenannt - Valorix");
        } else {
            EXPECT_TRUE(m_prompt.shown.empty()) << c.name;
            const std::vector<std::string> out = OutputTexts();
            EXPECT_NE(std::find(out.begin(), out.end(), "'" + path + "' ist kein oder ein formal fehlerhaftes XML Dokument!"),
                      out.end()) << c.name;
            EXPECT_EQ(m_frame->ActivePage(), kPageText) << c.name;  // not the browser page
        }
    }
    // The text before a NUL is shown, the NUL marked as a finding.
    ASSERT_TRUE(m_frame->OpenFile(m_dir / "nul.xml"));
    EXPECT_EQ(m_frame->TextPage()->Model().GetText(), document);
    const std::vector<std::string> out = OutputTexts();
    EXPECT_NE(std::find(out.begin(), out.end(), "Zeile 2/12 : Die Datei enthält hier ein NUL-Byte (0x00), das in XML nicht "
                                                "erlaubt ist; der Rest der Datei wird nicht gelesen!"),
              out.end());
}

// "Schließen", copy by the focus, the pane keys, the expand option and the
// output pane's context command.
TEST_F(Gui, CloseCopyPaneKeysAndExpandOption) {
    const std::string file = FixturesDir() + "/rules/direct-debit.xml";
    ASSERT_TRUE(m_frame->OpenFile(file));
    Command(m_frame, ID_FILE_NEW);
    EXPECT_EQ(TopRows(), std::vector<std::string>{"Dateiname=unbenannt"});
    EXPECT_EQ(m_frame->Rows().GetCurSel(), m_frame->Rows().Child(kGridRoot, 0));
    EXPECT_EQ(m_frame->Tree()->Lines()->Count(), 0u);
    EXPECT_TRUE(m_frame->Output().Lines().empty());
    EXPECT_EQ(m_frame->ActivePage(), kPageGrid);
    EXPECT_FALSE(UpdateUi(m_frame, ID_FILE_PRINT).GetEnabled());

    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_TRUE(UpdateUi(m_frame, ID_FILE_PRINT).GetEnabled());
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_UNDO})
        EXPECT_FALSE(UpdateUi(m_frame, id).GetEnabled()) << id;
    // Copy in the output list: every line, joined by CR LF.
    m_frame->OutputList()->SetFocus();
    Pump();
    ASSERT_TRUE(UpdateUi(m_frame, ID_EDIT_COPY).GetEnabled());
    Command(m_frame, ID_EDIT_COPY);
    std::string expected;
    for (const OutputLine& l : m_frame->Output().Lines()) expected += (expected.empty() ? "" : "\r\n") + l.text;
    {
        wxClipboardLocker lock;
        ASSERT_TRUE(!!lock);
        wxTextDataObject data;
        ASSERT_TRUE(wxTheClipboard->GetData(data));
        EXPECT_EQ(C(data.GetText()), expected);
    }
    // In the tree, copy needs the page "Text" and a selection there.
    m_frame->ActivatePage(kPageGrid);
    m_frame->Tree()->SetFocus();
    Pump();
    EXPECT_FALSE(UpdateUi(m_frame, ID_EDIT_COPY).GetEnabled());
    // F6 from the view with the output pane hidden goes to the tree; Shift+F6
    // from the tree goes to the view then.
    Command(m_frame, ID_VIEW_OUTPUTWND);  // "&Ausblenden"
    EXPECT_FALSE(m_frame->IsPaneShown("Ausgabe"));
    m_frame->Grid()->SetFocus();
    Pump();
    Command(m_frame, ID_NEXT_PANE);
    EXPECT_EQ(wxWindow::FindFocus(), m_frame->Tree());
    Command(m_frame, ID_PREV_PANE);
    EXPECT_EQ(wxWindow::FindFocus(), m_frame->Grid());
    Command(m_frame, ID_PANE_TOGGLE_OUTPUT);
    EXPECT_TRUE(m_frame->IsPaneShown("Ausgabe"));
    Command(m_frame, ID_NEXT_PANE);
    EXPECT_EQ(wxWindow::FindFocus(), m_frame->OutputList());
    // The expand option toggles in the profile; a stored 5 becomes 0.
    EXPECT_TRUE(UpdateUi(m_frame, ID_EXPAND_ALL).GetChecked());
    Command(m_frame, ID_EXPAND_ALL);
    EXPECT_EQ(Values().m_profile.GetInt("OPTION", "EXPAND", 1), 0);
    EXPECT_FALSE(UpdateUi(m_frame, ID_EXPAND_ALL).GetChecked());
    Command(m_frame, ID_EXPAND_ALL);
    EXPECT_EQ(Values().m_profile.GetInt("OPTION", "EXPAND", 1), 1);
    Values().m_profile.WriteInt("OPTION", "EXPAND", 5);
    Command(m_frame, ID_EXPAND_ALL);
    EXPECT_EQ(Values().m_profile.GetInt("OPTION", "EXPAND", 1), 0);
}

// Double-click on a finding and a tree selection select the element in grid
// and text.
TEST_F(Gui, NavigationFromTheOutputListAndTheTree) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
    const std::vector<OutputLine>& lines = m_frame->Output().Lines();
    long line = -1;
    for (size_t i = 0; i < lines.size(); ++i)
        if (U8(lines[i].text).find("IBAN ungültig!") != std::string::npos) line = static_cast<long>(i);
    ASSERT_GE(line, 0);
    const long position = lines[static_cast<size_t>(line)].position;
    ASSERT_GT(position, 0);
    m_frame->OutputList()->Activate(line);
    Pump();
    CTextPageCtrl* text = m_frame->TextPage();
    EXPECT_EQ(text->SelStart(), position);
    const RowId selected = m_frame->Grid()->GetSelectedRow();
    ASSERT_NE(selected, kNoRow);
    EXPECT_EQ(m_frame->Rows().TextPos(selected), position);
    // Lines without a position do nothing.
    m_frame->OutputList()->Activate(0);
    EXPECT_EQ(m_frame->Grid()->GetSelectedRow(), selected);

    // Selecting "PstlAdr" in the tree selects its text and its grid row.
    CStructureModel& m = m_frame->Rows();
    RowId address = kNoRow;
    for (RowId r = 1; r < m.Size(); ++r)
        if (m.Name(r) == "PstlAdr" && m.IsTreeItem(r)) address = r;
    ASSERT_NE(address, kNoRow);
    m_frame->Tree()->SelectRow(address, true);
    Pump();
    const std::string& page = text->Model().GetText();
    EXPECT_EQ(page.substr(static_cast<size_t>(text->SelStart()), static_cast<size_t>(text->SelEnd() - text->SelStart())),
              "<PstlAdr><Ctry>DE</Ctry></PstlAdr>");
    EXPECT_EQ(m_frame->Grid()->GetSelectedRow(), address);

    // A value edited in the grid shows as changed; the document keeps its text.
    RowId name = kNoRow;
    for (RowId r = 1; r < m.Size() && name == kNoRow; ++r)
        if (m.Name(r) == "Nm" && m.Value(r) == "Glaeubiger") name = r;
    ASSERT_NE(name, kNoRow);
    m_frame->Grid()->SelectRow(name, true);
    ASSERT_TRUE(m_frame->Grid()->BeginEdit());
    m_frame->Grid()->Editor()->ChangeValue("Neuer Name");
    m_frame->Grid()->EndEdit(true);
    EXPECT_TRUE(m_frame->Grid()->IsEdited(name));
    EXPECT_EQ(m_frame->Grid()->DisplayedValue(name), "Neuer Name");
    EXPECT_EQ(m.Value(name), "Glaeubiger");
    EXPECT_EQ(ReadFile(FixturesDir() + "/rules/direct-debit.xml").find("Neuer Name"), std::string::npos);
}

// The recent files and the look are kept across a restart of the program.
TEST_F(Gui, RecentFilesAndLookSurviveARestart) {
    const std::string a = FixturesDir() + "/rules/direct-debit.xml";
    const std::string b = SamplesDir() + "/camt052.v2.xml";
    ASSERT_TRUE(m_frame->OpenFile(a));
    ASSERT_TRUE(m_frame->OpenFile(b));
    Command(m_frame, ID_VIEW_APPLOOK_OFF_2007_BLACK);
    EXPECT_TRUE(UpdateUi(m_frame, ID_VIEW_APPLOOK_OFF_2007_BLACK).GetChecked());
    EXPECT_FALSE(UpdateUi(m_frame, ID_VIEW_APPLOOK_VS_2005).GetChecked());
    Restart();
    EXPECT_EQ(m_frame->Recent().Files(), (std::vector<std::string>{b, a}));
    wxMenuItem* first = m_frame->GetMenuBar()->FindItem(ID_FILE_MRU_FIRST);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetItemLabel(), PathW(m_frame->Recent().MenuLabel(0)));
    EXPECT_EQ(Values().m_nAppLook, 216u);
    EXPECT_EQ(Values().m_profile.GetInt("Workspace", "ApplicationLook", 0), 216);
    // Choosing an entry opens it at once.
    Command(m_frame, ID_FILE_MRU_FIRST + 1);
    EXPECT_EQ(m_frame->GetTitle(), "direct-debit.xml - Valorix");
    EXPECT_EQ(m_frame->Recent().Files().front(), a);
    // Opening the file that is open reads it again: it may have changed.
    const std::string copy = m_dir / "kopie.xml";
    WriteFile(copy, ReadFile(a));
    ASSERT_TRUE(m_frame->OpenFile(copy));
    EXPECT_EQ(TopRows().size(), 2u);
    WriteFile(copy, "<?xml version=\"1.0\"?>\n<a>");
    ASSERT_TRUE(m_frame->OpenFile(copy));
    EXPECT_EQ(TopRows(), std::vector<std::string>{copy + "=Keine gültige XML Datei"});
}

// A file given on the command line is checked right after the window shows.
TEST_F(Gui, CommandLineFileOpensAtStart) {
    wxGetApp().CloseAll();
    Pump();
    Start({FixturesDir() + "/rules/direct-debit.xml"});
    EXPECT_EQ(m_frame->GetTitle(), "direct-debit.xml - Valorix");
    EXPECT_FALSE(m_frame->Output().Lines().empty());
}

// The printout of the output lines: pages of whole lines at the page's height.
TEST_F(Gui, PrintoutPagesTheOutputLines) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
    std::string text = m_frame->PrintText();
    for (int i = 0; i < 6; ++i) text += "\r" + text;  // 64 times the report
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\r')) + 1;
    COutputPrintout printout(text, m_frame->OutputList()->GetFont());
    wxBitmap page(850, 1100, 24);
    wxMemoryDC dc(page);
    LayOutOnLetterPage(printout, dc);
    const auto& pages = printout.Pages();
    ASSERT_GT(pages.size(), 2u);
    size_t printed = 0;
    for (size_t p = 0; p < pages.size(); ++p) {
        printed += pages[p].size();
        if (p + 1 < pages.size()) {
            EXPECT_EQ(pages[p].size(), pages[0].size());
        }
        EXPECT_TRUE(printout.OnPrintPage(static_cast<int>(p + 1)));
    }
    EXPECT_GE(printed, lines);  // long lines wrap
    EXPECT_FALSE(printout.HasPage(static_cast<int>(pages.size()) + 1));
    dc.SelectObject(wxNullBitmap);
}

// More than 5000 elements: the progress dialog; cancel asks, Yes closes the
// document, No lets the fill complete.
TEST_F(Gui, ProgressDialogAndCancel) {
    const std::string file = m_dir / "gross.xml";
    const std::string cmd = "python3 " + std::string(VALORIX_SOURCE_DIR) + "/bench/gen_payments.py ct 600 10 > " + file;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (bool eventMode : {false, true}) {
        Values().ForceSaxMode(eventMode);
        for (bool answer : {true, false}) {
            int dialogs = 0;
            wxString status;
            bool busy = false;
            m_frame->OnProgressCreated([&](IProgress* p) {
                ++dialogs;
                // Shown from the start of the check, with the wait cursor.
                status = static_cast<CProgressDlg*>(p)->StatusText();
                busy = wxIsBusy();
                if (!eventMode && answer) Screenshot(static_cast<CProgressDlg*>(p)->Dialog(), "progress.png");
                static_cast<CProgressDlg*>(p)->PressCancel();
                EXPECT_FALSE(m_frame->IsEnabled());
            });
            m_prompt.answer = answer;
            m_prompt.shown.clear();
            EXPECT_TRUE(m_frame->OpenFile(file)) << U8(m_prompt.shown.empty() ? "" : m_prompt.shown[0]);
            Pump();
            EXPECT_EQ(dialogs, 1);
            EXPECT_EQ(status, U("Die Datei wird gelesen und geprüft: gross.xml"));
            EXPECT_TRUE(busy);
            ASSERT_FALSE(m_prompt.shown.empty());
            EXPECT_EQ(m_prompt.shown[0], "Wollen Sie die Verarbeitung abbrechen?");
            EXPECT_TRUE(m_frame->IsEnabled());
            if (answer) {
                EXPECT_EQ(TopRows(), std::vector<std::string>{"Dateiname=unbenannt"}) << eventMode;
            } else {  // completed
                EXPECT_EQ(TopRows().size(), 2u) << eventMode;
                EXPECT_FALSE(m_frame->Output().Lines().empty());
                EXPECT_EQ(m_frame->Browser()->Shown(), Values().m_strReportFile);  // the large-file page
            }
        }
    }
    m_frame->OnProgressCreated(nullptr);
}

// The about box and a start whose data folder cannot be made.
TEST_F(Gui, AboutBoxAndADataFolderThatCannotBeMade) {
    Values().m_strSclStand = "161107";
    {
        CAboutDlg about(m_frame, Values().m_strVersion, SclDateText(Values().m_strSclStand), OnlineUpdateLine(""));
        EXPECT_EQ(about.VersionText(), "Valorix, Version " VALORIX_VERSION_TEXT);
        EXPECT_EQ(about.SclDateText(), "07.11.2016");
    }

    wxGetApp().CloseAll();
    Pump();
    WriteFile(m_dir / "keinordner", "x");
    setenv("XDG_DATA_HOME", (m_dir / "keinordner").c_str(), 1);
    CProfile(m_dir / "config").WriteString("ONLINE", "HOST", "127.0.0.1");  // nobody listens on port 443 here
    m_prompt.shown.clear();
    Start();
    // The message box; the online check's failure (without a data folder it
    // has no answer file) goes to the status bar, in one line.
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(U8(m_prompt.shown[0]).rfind("Der Datenordner '", 0), 0u) << U8(m_prompt.shown[0]);
    const auto status = [this] { return m_frame->GetStatusBar()->GetStatusText(0).utf8_string(); };
    EXPECT_TRUE(WaitFor([&] { return status().rfind("Der aktuelle Stand", 0) == 0; }, 20000)) << status();
    EXPECT_EQ(status().rfind("Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden! Verbindungsfehler: ", 0),
              0u) << status();
    EXPECT_EQ(m_prompt.shown.size(), 1u);
    // The program runs all the same: a file is not well-formed or unchecked, not a crash.
    EXPECT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
    EXPECT_FALSE(m_frame->Output().Lines().empty());
}

// The menu "Datei" opened with its key, as a picture: the entries, their key
// texts and images as the user sees them.
TEST_F(Gui, FileMenuScreenshot) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
    m_frame->Raise();
    m_frame->SetFocus();
    Pump();
    wxUIActionSimulator sim;
    sim.Char('d', wxMOD_ALT);
    Screenshot(m_frame, "menu-datei.png");
    sim.Char(WXK_ESCAPE);
    Pump();
}
// The start-up check finds a newer SCL directory on the update server; the
// user says Yes, the directory is downloaded, and the about box shows its date.
TEST_F(Gui, StartupDownloadsANewerSclDirectory) {
    CLoopbackServer server;
    ASSERT_TRUE(server.Started());
    const std::string newer = "[BIC]\r\nSTAND=261209\r\nCOBADEFFXXX=1111\r\n";
    server.Serve("valorix/SCL2.htm", "<p>STAND2 : #20261209</p>");
    server.Serve("valorix/NVSCL.map", newer);
    wxGetApp().CloseAll();
    Pump();
    CProfile profile(m_dir / "config");
    profile.WriteInt("DEBUG", "OTHER", 0);
    profile.WriteString("ONLINE", "HOST", "127.0.0.1");
    profile.WriteInt("ONLINE", "HTTPS_PORT", server.good);
    profile.WriteString("ONLINE", "CAFILE", server.caFile);
    m_prompt.shown.clear();
    m_prompt.answer = true;
    Start();
    ASSERT_TRUE(WaitFor([this] { return m_prompt.shown.size() >= 2 && !m_frame->OnlineBusy(); }, 20000));
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    EXPECT_EQ(U8(m_prompt.shown[0]), "Es liegt ein neues SCL Verzeichnis (Stand 09.12.2026) der Deutschen Bundesbank "
                                     "vor.\r\n\r\nWollen Sie dieses jetzt herunterladen?");
    EXPECT_EQ(U8(m_prompt.shown[1]), "Die aktuellen Daten (Stand 09.12.2026) wurden korrekt heruntergeladen!");
    EXPECT_EQ(ReadFile(m_dir / "data/Norvane/Valorix/NVSCL.INI"), newer);
    CAboutDlg about(m_frame, Values().m_strVersion, SclDateText(Values().m_strSclStand), OnlineUpdateLine(""));
    EXPECT_EQ(about.SclDateText(), "09.12.2026");
}

}  // namespace valorix::test

namespace valorix::test {

namespace {
// The text of the page the web engine shows.
wxString PageText(wxWebView* web) {
    wxString text;
    if (!web->RunScript("document.documentElement ? document.documentElement.textContent : ''", &text)) return {};
    return text;
}

// The first row of that name (and value, when given).
RowId FindRow(const CStructureModel& m, std::string_view name, std::string_view value = {}) {
    for (RowId r = 1; r < m.Size(); ++r)
        if (m.Name(r) == name && (value.empty() || m.Value(r) == value)) return r;
    return kNoRow;
}
}  // namespace

// A UTF-8 file with umlauts: the text page shows its characters (not its
// bytes read as Windows-1252), every mark covers the characters of its
// element, the line numbers stand in a margin, and copy gives the characters.
TEST_F(Gui, TextPageShowsUtf8CharactersWithMarksAndLineNumbers) {
    const std::string file = FixturesDir() + "/rules/umlaute.xml";
    ASSERT_TRUE(m_frame->OpenFile(file));
    m_frame->ActivatePage(kPageText);
    CTextPageCtrl* text = m_frame->TextPage();
    const std::string content = ReadFile(file);
    const wxString shown = text->wxStyledTextCtrl::GetText();
    // The file's characters (the document ends at its last tag).
    EXPECT_EQ(std::string(shown.utf8_str()), text->Model().GetText());
    EXPECT_EQ(content.rfind(std::string(shown.utf8_str()), 0), 0u);
    EXPECT_NE(shown.Find(U("Müller + Söhne GmbH")), wxNOT_FOUND);
    EXPECT_EQ(shown.Find(U("MÃ¼ller")), wxNOT_FOUND);
    // Each mark: the same characters in the control as bytes in the page, in its colour.
    const std::string& page = text->Model().GetText();
    bool ibanAfterUmlauts = false;
    ASSERT_GT(text->Model().Marks().size(), 8u);
    for (const CTextPageModel::Mark& mark : text->Model().Marks()) {
        const std::string bytes = page.substr(static_cast<size_t>(mark.start), static_cast<size_t>(mark.end - mark.start));
        EXPECT_EQ(std::string(text->GetTextRange(static_cast<int>(text->ToStc(mark.start)),
                                                 static_cast<int>(text->ToStc(mark.end))).utf8_str()),
                  bytes);
        EXPECT_EQ(text->StyleOf(mark.start), mark.rgb == kBlue ? 2 : 1) << bytes;
        ibanAfterUmlauts = ibanAfterUmlauts || bytes == "<IBAN>DE88370400440532013000</IBAN>";
    }
    EXPECT_TRUE(ibanAfterUmlauts);  // on the line of "Jörg Weiß", after it
    // The finding with an umlaut in its value names it as the file has it.
    const std::vector<std::string> out = OutputTexts();
    EXPECT_NE(std::find_if(out.begin(), out.end(),
                           [](const std::string& l) { return l.find("value 'März 2024'") != std::string::npos; }),
              out.end());
    // Line numbers in a margin wide enough for "16".
    EXPECT_EQ(text->GetMarginType(0), wxSTC_MARGIN_NUMBER);
    EXPECT_GE(text->GetMarginWidth(0), text->TextWidth(wxSTC_STYLE_LINENUMBER, "16"));
    // Copy of a selection made with the keyboard: the characters.
    FocusOn(m_frame, text);
    const long name = static_cast<long>(page.find("M\xC3\xBCller"));
    wxString copied;
    SelectAndCopy(text, name, 6, copied);
    EXPECT_EQ(text->SelStart(), name);
    EXPECT_EQ(text->SelEnd(), name + 7);  // six characters, seven bytes
    EXPECT_EQ(copied, U("Müller"));
    text->GotoPos(0);
    Screenshot(m_frame, "umlaute-text.png");
    m_frame->ActivatePage(kPageGrid);
    Screenshot(m_frame, "umlaute-grid.png");

    // A file in ISO-8859-1: its single bytes are the characters.
    std::string latin1 = content;
    latin1.replace(latin1.find("UTF-8"), 5, "ISO-8859-1");
    latin1 = Utf8ToCp1252(latin1);
    const std::string latinFile = m_dir / "latin1.xml";
    WriteFile(latinFile, latin1);
    ASSERT_TRUE(m_frame->OpenFile(latinFile));
    const wxString latinShown = text->wxStyledTextCtrl::GetText();
    EXPECT_NE(latinShown.Find(U("<Nm>Müller + Söhne GmbH</Nm>")), wxNOT_FOUND);
    EXPECT_NE(latinShown.Find(U("Hauptstraße 5")), wxNOT_FOUND);
    const std::string& latinPage = text->Model().GetText();
    const long weiss = static_cast<long>(latinPage.find("Wei\xDF"));
    ASSERT_GT(weiss, 0);
    EXPECT_EQ(text->GetTextRange(static_cast<int>(text->ToStc(weiss)), static_cast<int>(text->ToStc(weiss + 4))),
              U("Weiß"));
}

// A value is edited in place as a person does it: F2 and typing, Enter keeps
// it; a double-click on a value opens the editor, Escape drops the change.
TEST_F(Gui, GridValueEditedInPlaceThroughKeysAndDoubleClick) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/umlaute.xml"));
    m_frame->ActivatePage(kPageGrid);
    CRowsCtrl* grid = m_frame->Grid();
    CStructureModel& m = m_frame->Rows();
    const RowId name = FindRow(m, "Nm", A("Müller + Söhne GmbH"));
    ASSERT_NE(name, kNoRow);
    grid->SelectRow(name, true);
    FocusOn(m_frame, grid);
    wxUIActionSimulator sim;
    sim.Char(WXK_F2);
    ASSERT_TRUE(WaitFor([&] { return grid->Editor() != nullptr && grid->Editor()->IsShownOnScreen(); }));
    // The editor stays open through what GTK does after it is shown.
    for (int i = 0; i < 10; ++i) {
        Pump();
        wxMilliSleep(20);
    }
    ASSERT_NE(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Editor()->GetValue(), U("Müller + Söhne GmbH"));
    sim.Text("Neu");
    Pump();
    Screenshot(m_frame, "grid-edit.png");
    sim.Char(WXK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return grid->Editor() == nullptr; }));
    EXPECT_TRUE(grid->IsEdited(name));
    EXPECT_EQ(grid->DisplayedValue(name), "Neu");
    EXPECT_EQ(m.Value(name), A("Müller + Söhne GmbH"));

    // A double-click on the value of the selected row.
    const RowId msgId = FindRow(m, "MsgId");
    ASSERT_NE(msgId, kNoRow);
    grid->SelectRow(msgId, true);
    Pump();
    const long line = grid->Lines()->LineOf(msgId);
    const int lineHeight = grid->LineHeight();
    const wxPoint at(grid->GetClientSize().x * 3 / 4,
                     static_cast<int>(line - static_cast<long>(grid->GetVisibleRowsBegin())) * lineHeight + lineHeight / 2);
    sim.MouseMove(grid->ClientToScreen(at));
    Pump();
    sim.MouseDblClick();
    ASSERT_TRUE(WaitFor([&] { return grid->Editor() != nullptr; }));
    EXPECT_EQ(grid->Editor()->GetValue(), U("März 2024"));
    sim.Text("x");
    sim.Char(WXK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return grid->Editor() == nullptr; }));
    EXPECT_FALSE(grid->IsEdited(msgId));
}

// A file whose name holds characters beyond Windows-1252: the recent-file
// menu, the verdict in the output pane, the browser page and the messages
// give its real name.
TEST_F(Gui, FileNamesBeyondTheCodePageStayReal) {
    const std::string file = m_dir / "Żabka Überweisung März 2024.xml";
    WriteFile(file, ReadFile(FixturesDir() + "/rules/umlaute.xml"));
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(m_frame->GetTitle(), U("Żabka Überweisung März 2024.xml - Valorix"));
    wxMenuItem* first = m_frame->GetMenuBar()->FindItem(ID_FILE_MRU_FIRST);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetItemLabel(), U("&1 Żabka Überweisung März 2024.xml"));
    EXPECT_EQ(std::string(m_frame->OutputList()->GetItemText(0).utf8_str()),
              "'" + file + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
                           "entspricht!");
    // The browser page names the file and its verdict as they are.
    m_frame->ActivatePage(kPageHtml);
    wxWebView* web = m_frame->Browser()->Web();
    ASSERT_NE(web, nullptr);
    EXPECT_TRUE(WaitFor([&] { return PageText(web).Contains(wxString::FromUTF8("'" + file + "' enthält")); })) << PageText(web).utf8_str();
    m_frame->ActivatePage(kPageGrid);
    // A file of such a name that cannot be read: the message box shows its name.
    const std::string missing = m_dir / "Żabka fehlt.xml";
    m_prompt.shown.clear();
    EXPECT_FALSE(m_frame->OpenFile(missing));
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    CScreenText screen;
    screen.SetPath(missing);
    EXPECT_EQ(screen.Convert(m_prompt.shown[0]), "Die Datei '" + missing + "' kann nicht gelesen werden!");
}

// A row chosen in the structure tree with the keyboard: grid and the
// description below it follow.
TEST_F(Gui, DescriptionFollowsTheTreeSelection) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/umlaute.xml"));
    m_frame->ActivatePage(kPageGrid);
    CStructureModel& m = m_frame->Rows();
    const RowId header = FindRow(m, "GrpHdr");
    ASSERT_NE(header, kNoRow);
    m_frame->Grid()->SelectRow(header, true);
    EXPECT_EQ(m_frame->DescriptionTitle(), "GrpHdr");
    CRowsCtrl* tree = m_frame->Tree();
    tree->SelectRow(header, false);
    FocusOn(m_frame, tree);
    wxUIActionSimulator sim;
    sim.Char(WXK_DOWN);
    Pump();
    const RowId next = tree->GetSelectedRow();
    ASSERT_NE(next, header);
    EXPECT_EQ(m_frame->Grid()->GetSelectedRow(), next);
    EXPECT_EQ(m_frame->DescriptionTitle(), W(m.Name(next)));
    EXPECT_EQ(m_frame->DescriptionText(), W(m.Description(next)));
}

// A finding on a file written on one line: the text page scrolls the marked
// element into the middle of the view, across too.
TEST_F(Gui, JumpOnAOneLineFileCentresTheTarget) {
    std::string content = ReadFile(FixturesDir() + "/rules/umlaute.xml");
    std::erase(content, '\n');
    const std::string file = m_dir / "eine-zeile.xml";
    WriteFile(file, content);
    ASSERT_TRUE(m_frame->OpenFile(file));
    m_frame->ActivatePage(kPageText);
    Pump();
    CTextPageCtrl* text = m_frame->TextPage();
    const std::vector<OutputLine>& lines = m_frame->Output().Lines();
    long target = -1;
    for (size_t i = 0; i < lines.size(); ++i)
        if (U8(lines[i].text).find("IBAN ungültig!") != std::string::npos) target = static_cast<long>(i);
    ASSERT_GE(target, 0);
    m_frame->OutputList()->Activate(target);
    Pump();
    const long position = lines[static_cast<size_t>(target)].position;
    EXPECT_EQ(text->SelStart(), position);
    const int x = text->PointFromPosition(static_cast<int>(text->ToStc(position))).x;
    const int width = text->GetClientSize().x;
    EXPECT_GT(x, width / 4) << width;
    EXPECT_LT(x, width * 3 / 4) << width;
    Screenshot(m_frame, "one-line-jump.png");
    m_frame->ActivatePage(kPageGrid);
}

// The page shown instead of a large file: its link shows the file.
TEST_F(Gui, LargeFilePageLinkShowsTheFile) {
    const std::string file = m_dir / "groß.xml";
    const std::string cmd = "python3 " + std::string(VALORIX_SOURCE_DIR) + "/bench/gen_payments.py ct 600 10 > '" + file + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(m_frame->Browser()->Shown(), Values().m_strReportFile);
    m_frame->ActivatePage(kPageHtml);
    wxWebView* web = m_frame->Browser()->Web();
    ASSERT_NE(web, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !web->IsBusy() && PageText(web).Contains(U("klicken Sie bitte")); }))
        << PageText(web).utf8_str();
    Screenshot(m_frame, "large-file-page.png");
    // The link clicked: the file is shown in the same page.
    EXPECT_TRUE(web->RunScript("document.querySelector('a').click();"));
    EXPECT_TRUE(WaitFor([&] { return web->GetCurrentURL().Lower().EndsWith("gro%c3%9f.xml"); }, 10000))
        << web->GetCurrentURL().utf8_str();
    m_frame->ActivatePage(kPageGrid);
}

}  // namespace valorix::test

namespace valorix::test {

// The output pane shows about eight lines at the first start and its column
// spans the window; the looks are one radio group; the print preview shows
// the output's pages in the toolkit's preview window.
TEST_F(Gui, OutputPaneLooksAndPrintPreview) {
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/umlaute.xml"));
    Pump();
    EXPECT_GE(m_frame->OutputList()->GetCountPerPage(), 7);
    const wxSize before = m_frame->GetSize();
    m_frame->SetSize(wxSize(before.x + 150, before.y));
    EXPECT_TRUE(WaitFor([&] { return m_frame->OutputList()->ColumnWidth() >= m_frame->OutputList()->GetClientSize().x; }));
    m_frame->SetSize(before);
    Pump();

    wxMenuBar* bar = m_frame->GetMenuBar();
    for (int id = ID_VIEW_APPLOOK_WIN_2000; id <= ID_VIEW_APPLOOK_OFF_2007_AQUA; ++id) {
        ASSERT_NE(bar->FindItem(id), nullptr) << id;
        EXPECT_EQ(bar->FindItem(id)->GetKind(), wxITEM_RADIO) << id;
    }
    Command(m_frame, ID_VIEW_APPLOOK_OFF_2007_AQUA);
    m_frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    for (int id = ID_VIEW_APPLOOK_WIN_2000; id <= ID_VIEW_APPLOOK_OFF_2007_AQUA; ++id)
        EXPECT_EQ(bar->FindItem(id)->IsChecked(), id == ID_VIEW_APPLOOK_OFF_2007_AQUA) << id;

    ASSERT_TRUE(UpdateUi(m_frame, ID_FILE_PRINT_PREVIEW).GetEnabled());
    Command(m_frame, ID_FILE_PRINT_PREVIEW);
    wxPreviewFrame* preview = nullptr;
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* p = dynamic_cast<wxPreviewFrame*>(w)) preview = p;
    ASSERT_NE(preview, nullptr) << (m_prompt.shown.empty() ? "" : U8(m_prompt.shown[0]));
    EXPECT_TRUE(preview->IsShown());
    Screenshot(preview, "print-preview.png");
    preview->Close(true);
    Pump();
}

// The browser page of a file with findings: the file's text escaped and
// coloured, each finding at its element, the report at the top linking to
// them; a link opens the way to its finding.
TEST_F(Gui, HtmlPageHoldsTheFileAndItsFindings) {
    const std::string file = m_dir / "Überweisung <März> & Co.xml";
    WriteFile(file, ReadFile(FixturesDir() + "/rules/umlaute.xml"));
    ASSERT_TRUE(m_frame->OpenFile(file));
    ASSERT_EQ(m_frame->Browser()->Shown(), Values().m_strReportFile);
    const std::string html = ReadFile(Values().m_strReportFile);
    EXPECT_NE(html.find("<title>" + m_dir.Path() + "/Überweisung &lt;März&gt; &amp; Co.xml</title>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"tx\">Müller + Söhne GmbH</span>"), std::string::npos);
    EXPECT_NE(html.find(">Zeile 13/349 : IBAN ungültig!</div>"), std::string::npos);
    m_frame->ActivatePage(kPageHtml);
    wxWebView* web = m_frame->Browser()->Web();
    ASSERT_NE(web, nullptr);
    ASSERT_TRUE(WaitFor([&] { return PageText(web).Contains(U("Zeile 13/349 : IBAN ungültig!")); }));
    // As many marked findings on the page as lines of the report with a position.
    size_t withPosition = 0;
    for (const OutputLine& l : m_frame->Output().Lines()) withPosition += l.position > 0;
    wxString count;
    ASSERT_TRUE(web->RunScript("document.querySelectorAll('div.msg').length + '/' + "
                               "document.querySelectorAll('ul.report a').length", &count));
    EXPECT_EQ(count, wxString::Format("%zu/%zu", withPosition, withPosition));
    // The red colour of an error's message, the blue of the guideline warning.
    wxString colours;
    ASSERT_TRUE(web->RunScript("getComputedStyle(document.querySelector('div.msg.err')).color + ' ' + "
                               "getComputedStyle(document.querySelector('div.msg.warn')).color", &colours));
    EXPECT_EQ(colours, "rgb(208, 0, 0) rgb(0, 0, 208)");
    Screenshot(m_frame, "umlaute-html.png");
    // The link of the IBAN's finding leads to it, below its element.
    const auto& lines = m_frame->Output().Lines();
    const auto iban = std::find_if(lines.begin(), lines.end(),
                                   [](const OutputLine& l) { return U8(l.text) == "Zeile 13/349 : IBAN ungültig!"; });
    ASSERT_NE(iban, lines.end());
    const std::string id = "f" + std::to_string(iban - lines.begin());
    ASSERT_TRUE(web->RunScript("document.querySelector('a[href=\"#" + id + "\"]').click();"));
    wxString previous;
    ASSERT_TRUE(WaitFor([&] {
        return web->RunScript("document.getElementById('" + id + "').previousElementSibling.textContent", &previous) &&
               previous == "<IBAN>DE88370400440532013000</IBAN>";
    })) << previous.utf8_str();
    Screenshot(m_frame, "umlaute-html-finding.png");
    // The next file's page replaces it, under the same name.
    ASSERT_TRUE(m_frame->OpenFile(FixturesDir() + "/rules/direct-debit.xml"));
    EXPECT_TRUE(WaitFor([&] { return PageText(web).Contains("direct-debit.xml"); })) << PageText(web).utf8_str();
    m_frame->ActivatePage(kPageGrid);
}

// "Bericht speichern..." writes the open file's report to share: its facts,
// its findings linked, the file's text and name escaped; shown in the browser
// page, it needs nothing else.
TEST_F(Gui, SaveReportWritesTheSharedPage) {
    EXPECT_FALSE(UpdateUi(m_frame, CMainFrame::kIdSaveReport).GetEnabled());
    const std::string source = ReadFile(FixturesDir() + "/rules/script-values.xml");
    const std::string file = m_dir / "Zahlung <b> & Co.xml";
    WriteFile(file, source);
    ASSERT_TRUE(m_frame->OpenFile(file));
    ASSERT_TRUE(UpdateUi(m_frame, CMainFrame::kIdSaveReport).GetEnabled());
    const std::string target = m_dir / "bericht.html";
    std::string suggested;
    m_frame->ChooseReportPathWith([&](const std::string& s) {
        suggested = s;
        return target;
    });
    Command(m_frame, CMainFrame::kIdSaveReport);
    m_frame->ChooseReportPathWith(nullptr);
    EXPECT_EQ(suggested, m_dir / "Zahlung <b> & Co-bericht.html");
    const std::string html = ReadFile(target);
    for (const std::string& part :
         {"<td>" + m_dir.Path() + "/Zahlung &lt;b&gt; &amp; Co.xml</td>", "<td>" + Sha256Hex(source) + "</td>",
          "<td>" + Values().m_strVersion + "</td>",
          std::string("&amp;lt;script&amp;gt;alert(1)&amp;lt;/script&amp;gt; &amp;amp; Co"),
          std::string("<a class=\"err\" href=\"#f")})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(std::system(("xmllint --noout --nonet '" + target + "'").c_str()), 0);
    // Every finding of the output pane is a row of the table.
    size_t withPosition = 0, rows = 0;
    for (const OutputLine& l : m_frame->Output().Lines()) withPosition += l.position > 0;
    for (size_t p = 0; (p = html.find("<tr class=\"", p)) != std::string::npos; ++p) ++rows;
    EXPECT_EQ(rows, withPosition);
    // As a browser shows it.
    m_frame->ActivatePage(kPageHtml);
    m_frame->Browser()->Navigate(target);
    wxWebView* web = m_frame->Browser()->Web();
    ASSERT_NE(web, nullptr);
    ASSERT_TRUE(WaitFor([&] { return PageText(web).Contains(U("IBAN ungültig!")); }));
    Screenshot(m_frame, "shared-report.png");
    ASSERT_TRUE(web->RunScript("document.querySelector('div.msg.err').scrollIntoView();"));
    Pump();
    Screenshot(m_frame, "shared-report-text.png");
    // A target that cannot be written is said, not taken for done.
    m_prompt.shown.clear();
    EXPECT_FALSE(m_frame->SaveReport(m_dir / "missing/bericht.html"));
    EXPECT_EQ(m_prompt.shown.size(), 1u);
    // Nor is the checked file itself a report's place: it stays as it was.
    m_prompt.shown.clear();
    EXPECT_FALSE(m_frame->SaveReport(file));
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0], Utf8ToCp1252("Der Bericht kann nicht über die geprüfte Datei '" + file +
                                              "' geschrieben werden!"));
    EXPECT_EQ(ReadFile(file), source);
    m_frame->ActivatePage(kPageGrid);
}

}  // namespace valorix::test

namespace valorix::test {

// Deep names of a camt file in the structure pane: it scrolls sideways as far
// as the widest line needs.
TEST_F(Gui, StructurePaneScrollsSideways) {
    ASSERT_TRUE(m_frame->OpenFile(SamplesDir() + "/camt052.v2.xml"));
    CRowsCtrl* tree = m_frame->Tree();
    const CVisibleRows* lines = tree->Lines();
    size_t deepest = 0;
    for (size_t i = 0; i < lines->Count(); ++i)
        if (lines->Depth(i) > lines->Depth(deepest)) deepest = i;
    ASSERT_GT(lines->Depth(deepest), 8);
    tree->SelectRow(lines->At(deepest), false);
    for (int i = 0; i < 10; ++i) {
        Pump();
        wxMilliSleep(20);
    }
    const int content = static_cast<int>(tree->GetColumnCount()) * 8;
    EXPECT_GT(content, tree->GetClientSize().x);
    tree->ScrollToColumn(tree->GetColumnCount());
    Pump();
    EXPECT_GT(tree->GetVisibleColumnsBegin(), 0u);
    Screenshot(m_frame, "structure-scrolled.png");
}

// The online check runs after the command-line file, on a worker thread:
// an update host that accepts the connection and never answers leaves the
// window working, and its failure ends in the status bar, not in a box.
// Without any host nobody is asked and nothing is shown.
TEST_F(Gui, OnlineCheckNeverHoldsTheWindow) {
    const auto status = [this] { return m_frame->GetStatusBar()->GetStatusText(0).utf8_string(); };
    CProfile profile(m_dir / "config");
    profile.WriteInt("DEBUG", "OTHER", 0);

    // A first start without an update host: no box, no request, the about box says so.
    wxGetApp().CloseAll();
    Pump();
    m_prompt.shown.clear();
    Start();
    ASSERT_TRUE(WaitFor([this] { return !m_frame->OnlineBusy(); }, 20000));
    Pump();
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{});
    EXPECT_EQ(status(), "Bereit");
    {
        CAboutDlg about(m_frame, Values().m_strVersion, SclDateText(Values().m_strSclStand),
                        OnlineUpdateLine(OnlineSettings::FromProfile(Values().m_profile).host));
        EXPECT_EQ(about.OnlineText().utf8_string(),
                  "Online-Aktualisierung: nicht eingerichtet (Profil ONLINE/HOST, siehe Handbuch)");
    }

    // A host that takes the connection and then says nothing.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    socklen_t length = sizeof address;
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    profile.WriteString("ONLINE", "HOST", "127.0.0.1\n");
    profile.WriteInt("ONLINE", "HTTPS_PORT", ntohs(address.sin_port));
    profile.WriteInt("ONLINE", "CONNECT_TIMEOUT_MS", 8000);
    wxGetApp().CloseAll();
    Pump();
    m_prompt.shown.clear();
    Start({FixturesDir() + "/rules/direct-debit.xml"});
    // The file is checked and shown while the check still waits for the host.
    ASSERT_TRUE(WaitFor([this] { return !OutputTexts().empty(); }, 4000));
    EXPECT_TRUE(m_frame->OnlineBusy());
    // A key the user presses is answered: Ctrl+N closes the document.
    m_frame->Raise();
    m_frame->SetFocus();
    Pump();
    wxUIActionSimulator sim;
    sim.Char('n', wxMOD_CONTROL);
    EXPECT_TRUE(WaitFor([this] { return m_frame->Rows().ChildCount(kGridRoot) == 1 && OutputTexts().empty(); }, 2000));
    EXPECT_TRUE(m_frame->OnlineBusy());
    // The check ends by its time-out, said once in the status bar.
    ASSERT_TRUE(WaitFor([this] { return !m_frame->OnlineBusy(); }, 20000));
    Pump();
    EXPECT_EQ(status().rfind("Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden! Verbindungsfehler: ", 0),
              0u) << status();
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{});
    close(silent);
}

// A proxy that wants a password is answered through the window's dialog.
TEST_F(Gui, ProxyCredentialsAreAskedThroughTheWindow) {
    CLoopbackServer server;
    ASSERT_TRUE(server.Started());
    server.Serve("valorix/SCL2.htm", "<p>STAND2 : #20" + m_stand + "</p>");
    CProfile profile(m_dir / "config");
    profile.WriteInt("DEBUG", "OTHER", 0);
    profile.WriteString("ONLINE", "HOST", "127.0.0.1");
    profile.WriteInt("ONLINE", "HTTPS_PORT", server.good);
    profile.WriteString("ONLINE", "CAFILE", server.caFile);
    setenv("https_proxy", ("http://127.0.0.1:" + std::to_string(server.proxy)).c_str(), 1);
    setenv("no_proxy", "", 1);
    wxGetApp().CloseAll();
    Pump();
    m_prompt.shown.clear();
    m_prompt.credentials = {"anna", "geheim"};
    Start();
    ASSERT_TRUE(WaitFor([this] { return !m_frame->OnlineBusy(); }, 20000));
    Pump();
    unsetenv("https_proxy");
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{"Der Proxy-Server verlangt eine Anmeldung."});
    EXPECT_EQ(m_frame->GetStatusBar()->GetStatusText(0).utf8_string(), "Bereit");  // asked, current
    EXPECT_NE(server.Log().find("proxy\tCONNECT 127.0.0.1:" + std::to_string(server.good)), std::string::npos);
    EXPECT_NE(server.Log().find("good\tGET /valorix/SCL2.htm"), std::string::npos);
}

// "SCL-Verzeichnis importieren...": the Bundesbank's file becomes the
// directory of the next check, and the result names its date.
TEST_F(Gui, SclDirectoryImportedFromTheMenu) {
    std::remove((m_dir / "data/Norvane/Valorix/NVSCL.INI").c_str());
    Restart();
    const std::string csv = m_dir / "scl.csv";
    WriteFile(csv, "Gueltig ab / valid from 09.12.2026;;;;;;\r\n"
                   "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\r\n"
                   "COBADEFFXXX;Commerzbank;1;1;0;0;0\r\nCOBADEFFXXX;Commerzbank;1;0;0;0;0\r\n");
    m_prompt.shown.clear();
    m_frame->ImportScl(csv);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(U8(m_prompt.shown[0]),
              "Das SCL Verzeichnis der Bundesbank (Stand 09.12.2026) mit 1 Instituten wurde übernommen.\n"
              "Die BIC COBADEFFXXX steht zweimal mit verschiedenen Kennzeichen im SCL-Verzeichnis: Zeile 3 (1100, gilt) "
              "und Zeile 4 (1000).");
    EXPECT_EQ(Values().m_strSclStand, "261209");
    EXPECT_EQ(Values().m_strSclIniPath, m_dir / "data/Norvane/Valorix/NVSCL.INI");
    m_prompt.shown.clear();
    WriteFile(csv, "keine SCL Datei");
    m_frame->ImportScl(csv);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(U8(m_prompt.shown[0]), "Das SCL Verzeichnis konnte nicht importiert werden!\nDie erste Zeile nennt kein "
                                     "Gültigkeitsdatum (\"Gueltig ab / valid from TT.MM.JJJJ\").");
    EXPECT_EQ(Values().m_strSclStand, "261209");
    // The menu offers it.
    const wxMenuBar* bar = m_frame->GetMenuBar();
    ASSERT_NE(bar->FindItem(ID_SCL_IMPORT), nullptr);
    EXPECT_EQ(bar->FindItem(ID_SCL_IMPORT)->GetItemLabelText().utf8_string(), "SCL-Verzeichnis importieren...");
}

// The history in the desktop program: the suites switch it off
// (VALORIX_HISTORY=0), this test alone turns it on, in its own data folder.
// Opening the same file again within ten minutes of its check is that check
// repeated; opened again later, the summary says it was checked before.
TEST_F(Gui, HistoryWarnsWhenTheSameFileIsOpenedAgain) {
    const char* was = std::getenv("VALORIX_HISTORY");
    const std::string saved = was ? was : "";
    setenv("VALORIX_HISTORY", "1", 1);
    struct Restore {
        std::string value;
        bool set;
        ~Restore() {
            SetClock(std::nullopt);
            if (set) setenv("VALORIX_HISTORY", value.c_str(), 1);
            else unsetenv("VALORIX_HISTORY");
        }
    } restore{saved, was != nullptr};
    const std::string file = m_dir / "lastschriften.xml";
    WriteFile(file, ReadFile(FixturesDir() + "/rules/summary-two-blocks.xml"));
    const std::string warning = "Warnung: Diese Datei (MsgId 'MSG-7') wurde bereits am 10.12.2026 09:00 als '" + file +
                                "' geprüft. Doppelte Einreichung?";
    const auto warned = [&] {
        const std::vector<std::string> out = OutputTexts();
        return std::count(out.begin(), out.end(), warning);
    };
    SetClock(MakeDate(2026, 12, 10, 9, 0, 0));
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(warned(), 0);
    EXPECT_TRUE(fs::exists(m_dir / "data/Norvane/Valorix/history.sqlite"));
    SetClock(MakeDate(2026, 12, 10, 9, 5, 0));
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(warned(), 0) << "the same check repeated";
    m_frame->CloseFile();
    Pump();
    SetClock(MakeDate(2026, 12, 10, 9, 30, 0));
    ASSERT_TRUE(m_frame->OpenFile(file));
    EXPECT_EQ(warned(), 1);
    // The output pane's list shows it among the summary lines.
    bool listed = false;
    for (int i = 0; i < m_frame->OutputList()->GetItemCount(); ++i)
        listed = listed || m_frame->OutputList()->GetItemText(i).utf8_string() == warning;
    EXPECT_TRUE(listed);
    m_frame->ShowPane("Ausgabe", true);
    Screenshot(m_frame, "history-warning.png");
    EXPECT_TRUE(m_prompt.shown.empty());
}

// The page "Zusammenfassung": the slip of a file with two payment blocks and
// two currencies, read back from the page; printed while it is the active
// page; one line for a file without payment blocks; empty without a file.
TEST_F(Gui, SummaryPageShowsTheSlipOfTwoBlocksAndTwoCurrencies) {
    const std::string file = FixturesDir() + "/rules/summary-two-blocks.xml";
    ASSERT_TRUE(m_frame->OpenFile(file));
    ASSERT_EQ(m_frame->Pages()->GetPageCount(), 4u);
    EXPECT_EQ(m_frame->Pages()->GetPageText(3).utf8_string(), "Zusammenfassung");
    m_frame->ActivatePage(kPageSummary);
    EXPECT_EQ(m_frame->ActivePage(), kPageSummary);
    const std::string slip = TwoBlockSlip(Sha256Hex(ReadFile(file)));
    EXPECT_EQ(m_frame->SummaryPage()->GetValue().utf8_string(), slip);
    EXPECT_FALSE(m_frame->SummaryPage()->IsEditable());
    // Printed while it is the active page: the slip's lines; otherwise the output.
    std::string printed = slip;
    for (size_t p = 0; (p = printed.find('\n', p)) != std::string::npos; p += 2) printed.replace(p, 1, "\r\n");
    EXPECT_EQ(Cp1252ToUtf8(m_frame->CurrentPrintText()), printed);
    EXPECT_TRUE(UpdateUi(m_frame, ID_FILE_PRINT).GetEnabled());
    COutputPrintout printout(m_frame->CurrentPrintText(), m_frame->OutputList()->GetFont());
    wxBitmap paper(850, 1100, 24);
    wxMemoryDC dc(paper);
    LayOutOnLetterPage(printout, dc);
    ASSERT_EQ(printout.Pages().size(), 1u);
    EXPECT_EQ(printout.Pages()[0].size(), 13u);
    EXPECT_TRUE(printout.OnPrintPage(1));
    dc.SelectObject(wxNullBitmap);
    Screenshot(m_frame, "summary-page.png");
    m_frame->ActivatePage(kPageGrid);
    EXPECT_EQ(m_frame->CurrentPrintText(), m_frame->PrintText());
    // The desktop HTML page has the slip at its top, too.
    EXPECT_NE(ReadFile(Values().m_strReportFile).find("<h2>Begleitzettel</h2>"), std::string::npos);
    m_frame->ActivatePage(kPageHtml);
    wxWebView* web = m_frame->Browser()->Web();
    ASSERT_NE(web, nullptr);
    ASSERT_TRUE(WaitFor([&] { return PageText(web).Contains(U("Datei gesamt")); }));
    Screenshot(m_frame, "summary-html.png");
    // A file without payment blocks, then none.
    const std::string other = m_dir / "keine-zahlung.xml";
    WriteFile(other, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><Abc>1</Abc></Document>\n");
    ASSERT_TRUE(m_frame->OpenFile(other));
    m_frame->ActivatePage(kPageSummary);
    EXPECT_EQ(m_frame->SummaryPage()->GetValue().utf8_string(),
              "Kein Begleitzettel: Die Datei enthält keine Zahlungsaufträge (Überweisungen oder Lastschriften).");
    EXPECT_EQ(ReadFile(Values().m_strReportFile).find("Begleitzettel"), std::string::npos);
    m_frame->CloseFile();
    Pump();
    EXPECT_TRUE(m_frame->SummaryPage()->GetValue().empty());
    EXPECT_FALSE(UpdateUi(m_frame, ID_FILE_PRINT).GetEnabled());
    m_frame->ActivatePage(kPageGrid);
}

// "Bankleitzahlendatei importieren...": the Bundesbank's bank code file
// becomes the lookup of the next check, as --import-blz makes it; a bad file
// is refused and leaves the lookup as it was.
TEST_F(Gui, BankCodeFileImportedFromTheMenu) {
    const std::string target = m_dir / "data/Norvane/Valorix/BLZBIC.TXT";
    m_prompt.shown.clear();
    m_frame->ImportBlz(FixturesDir() + "/blz/blz-file.txt");
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    const std::string written = ReadFile(target);
    const size_t stand = written.find("STAND=");
    ASSERT_NE(stand, std::string::npos);
    const std::string d = written.substr(stand + 6, 8);
    EXPECT_EQ(U8(m_prompt.shown[0]), "Die Bankleitzahlendatei der Bundesbank (gültig ab " + d.substr(6, 2) + "." +
                                         d.substr(4, 2) + "." + d.substr(0, 4) +
                                         ") mit 4 Bankleitzahlen wurde übernommen.");
    EXPECT_NE(written.find("37040044=COBADEFFXXX\r\n"), std::string::npos);
    // The next check compares IBAN and BIC.
    std::string xml = ReadFile(FixturesDir() + "/rules/bank-codes.xml");
    xml.replace(xml.find("COBADEFFXXX"), 11, "INGDDEFFXXX");
    const std::string file = m_dir / "f.xml";
    WriteFile(file, xml);
    ASSERT_TRUE(m_frame->OpenFile(file));
    const std::vector<std::string> out = OutputTexts();
    EXPECT_NE(std::find(out.begin(), out.end(),
                        "Zeile 10/48 : Warnung: Die BIC 'INGDDEFFXXX' passt nicht zur Bankleitzahl '37040044' der "
                        "IBAN (lt. Bankleitzahlendatei: 'COBADEFFXXX')."),
              out.end());
    // A file that is none is refused; the lookup stays.
    m_prompt.shown.clear();
    const std::string bad = m_dir / "blz.txt";
    WriteFile(bad, "keine Bankleitzahlendatei\r\n");
    m_frame->ImportBlz(bad);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(U8(m_prompt.shown[0]).rfind("Die Bankleitzahlendatei konnte nicht importiert werden!\nZeile 1 der "
                                          "Bankleitzahlendatei ist fehlerhaft: ",
                                          0),
              0u)
        << U8(m_prompt.shown[0]);
    EXPECT_EQ(ReadFile(target), written);
    // The menu offers it beside the SCL import.
    const wxMenuBar* bar = m_frame->GetMenuBar();
    ASSERT_NE(bar->FindItem(ID_BLZ_IMPORT), nullptr);
    EXPECT_EQ(bar->FindItem(ID_BLZ_IMPORT)->GetItemLabelText().utf8_string(), "Bankleitzahlendatei importieren...");
}

}  // namespace valorix::test
