// The desktop program as a person uses it: the real frame, files opened
// through the document path, widgets read back, commands sent as the menus
// and keys send them, screenshots written into the build folder.
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include <dlfcn.h>

#include <cstdlib>

#include "cli/cli.h"
#include "gui/browserpage.h"
#include "gui/dialogs.h"
#include "gui/guiapp.h"
#include "gui/ids.h"
#include "gui/mainframe.h"
#include "gui/outputlist.h"
#include "gui/printing.h"
#include "gui/progressdlg.h"
#include "gui/rowsctrl.h"
#include "gui/textpagectrl.h"
#include "gui/wxstr.h"
#include "online/help.h"
#include "platform/strutil.h"
#include "platform/inifile.h"
#include "platform/inputfile.h"
#include "platform/profile.h"
#include "rules/sclimport.h"
#include "online/loopbackserver.h"
#include "support.h"

namespace valorix::test {

using namespace valorix::gui;

namespace {

// Hands on every waiting event, as the running program would.
void Pump() {
    for (int i = 0; i < 5; ++i) {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

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

}  // namespace

class Gui : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        fs::create_directories(m_dir / "data/Norvane/Valorix");
        ImportSclDirectory(FixturesDir() + "/scl/scl-directory.csv", m_dir / "data/Norvane/Valorix/NVSCL.INI");
        // The start-up's online check reads its answer from the data folder:
        // the directory there is current, so it says nothing and asks nobody.
        m_stand = ReadIniString(m_dir / "data/Norvane/Valorix/NVSCL.INI", "BIC", "STAND", "", 10);
        WriteFile(m_dir / "data/Norvane/Valorix/SCL2.htm", "STAND2 : #20" + m_stand);
        CProfile(m_dir / "config").WriteInt("DEBUG", "OTHER", 1);
        Start();
    }
    void TearDown() override {
        wxGetApp().CloseAll();
        Pump();
        wxGetApp().SetPrompt(nullptr);
    }
    void Start(const std::vector<std::string>& files = {}) {
        wxGetApp().SetPrompt(&m_prompt);
        ASSERT_TRUE(wxGetApp().Startup(files));
        m_frame = wxGetApp().Frame();
        ASSERT_NE(m_frame, nullptr);
        Pump();
    }
    void Restart() {
        wxGetApp().CloseAll();
        Pump();
        Start();
    }
    CTavrel1App& Values() { return wxGetApp().Values(); }

    /// The report lines the command line gives for the file, in the same mode.
    std::vector<OutputLine> CliLines(const std::string& path) {
        CTavrel1Doc doc(Values(), m_prompt);
        CInputFile in;
        EXPECT_EQ(in.Open(path), CInputFile::Status::Open);
        CArchive ar{in.Stream(), PathText(path)};
        COutputList report;
        CheckIntoReport(doc, Values(), m_prompt, ar, report);
        return report.Lines();
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

    TempDir m_dir;
    RecordingPrompt m_prompt;
    CMainFrame* m_frame = nullptr;
    std::string m_stand;
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
    EXPECT_EQ(m_frame->Browser()->Shown(), PathText(file));
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
    wxBitmap page(850, 1100, 24);  // a letter page at 100 dpi
    wxMemoryDC dc(page);
    printout.SetDC(&dc);
    printout.SetPageSizePixels(850, 1100);
    printout.SetPPIScreen(96, 96);
    printout.SetPPIPrinter(100, 100);
    printout.OnPreparePrinting();
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
            m_frame->OnProgressCreated([&](IProgress* p) {
                ++dialogs;
                if (!eventMode && answer) Screenshot(static_cast<CProgressDlg*>(p)->Dialog(), "progress.png");
                static_cast<CProgressDlg*>(p)->PressCancel();
                EXPECT_FALSE(m_frame->IsEnabled());
            });
            m_prompt.answer = answer;
            m_prompt.shown.clear();
            EXPECT_TRUE(m_frame->OpenFile(file)) << U8(m_prompt.shown.empty() ? "" : m_prompt.shown[0]);
            Pump();
            EXPECT_EQ(dialogs, 1);
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
        CAboutDlg about(m_frame, Values().m_strVersion, SclDateText(Values().m_strSclStand));
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
    // The message, then the online check's (without a data folder it has no answer file).
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    EXPECT_EQ(U8(m_prompt.shown[0]).rfind("Der Datenordner '", 0), 0u) << U8(m_prompt.shown[0]);
    EXPECT_EQ(U8(m_prompt.shown[1]), "Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!");
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
    const std::string newer = "[BIC]\r\nSTAND=991231\r\nCOBADEFFXXX=1;1;1;1;0\r\n";
    server.Serve("valorix/SCL2.htm", "<p>STAND2 : #20991231</p>");
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
    Pump();
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    EXPECT_EQ(U8(m_prompt.shown[0]), "Es liegt ein neues SCL Verzeichnis (Stand 31.12.2099) der Deutschen Bundesbank "
                                     "vor.\r\n\r\nWollen Sie dieses jetzt herunterladen?");
    EXPECT_EQ(U8(m_prompt.shown[1]), "Die aktuellen Daten (Stand 31.12.2099) wurden korrekt heruntergeladen!");
    EXPECT_EQ(ReadFile(m_dir / "data/Norvane/Valorix/NVSCL.INI"), newer);
    CAboutDlg about(m_frame, Values().m_strVersion, SclDateText(Values().m_strSclStand));
    EXPECT_EQ(about.SclDateText(), "31.12.2099");
}

}  // namespace valorix::test
