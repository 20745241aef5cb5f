#pragma once
// What the desktop suites of both systems share: driving the running event
// loop, and the program started on a data folder of its own.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../support.h"
#include "cli/cli.h"
#include "gui/guiapp.h"
#include "gui/mainframe.h"
#include "gui/textpagectrl.h"
#include "platform/inifile.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "rules/sclimport.h"

namespace valorix::test {

// Hands on every waiting event, as the running program would.
inline void Pump() {
    for (int i = 0; i < 5; ++i) {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

// Waits until `done` holds, handing events on meanwhile (work on other
// threads reports through events); false after `ms` of sleeping.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
        Pump();
        if (done()) return true;
        wxMilliSleep(20);
    }
    return done();
}

// The frame in front with the keyboard focus in `target`, as after a click.
inline void FocusOn(wxWindow* frame, wxWindow* target) {
    frame->Raise();
    target->SetFocus();
    WaitFor([&] { return wxWindow::FindFocus() == target; }, 1000);
}

// Real keys in the text page: the caret to byte `from`, `chars` characters
// selected with Shift+Right, then Ctrl+C; the clipboard's text in `copied`.
inline void SelectAndCopy(gui::CTextPageCtrl* text, long from, int chars, wxString& copied) {
    text->GotoPos(static_cast<int>(text->ToStc(from)));
    wxUIActionSimulator sim;
    for (int i = 0; i < chars; ++i) sim.Char(WXK_RIGHT, wxMOD_SHIFT);
    Pump();
    sim.Char('c', wxMOD_CONTROL);
    Pump();
    wxClipboardLocker lock;
    ASSERT_TRUE(!!lock);
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    copied = data.GetText();
}

// The program started as a user starts it, on a data folder and a profile of
// its own with a current SCL directory; closed again after each test.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        const std::string data = m_dir / "data/Norvane/Valorix";
        std::filesystem::create_directories(FsPath(data));
        ImportSclDirectory(FixturesDir() + "/scl/scl-directory.csv", data + "/NVSCL.INI");
        // The start-up's online check reads its answer from the data folder:
        // the directory there is current, so it says nothing and asks nobody.
        m_stand = ReadIniString(data + "/NVSCL.INI", "BIC", "STAND", "", 10);
        WriteFile(data + "/SCL2.htm", "STAND2 : #20" + m_stand);
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
    AppValues& Values() { return wxGetApp().Values(); }

    /// The report lines the command line gives for the file, in the same mode.
    std::vector<OutputLine> CliLines(const std::string& path) {
        CheckDocument doc(Values(), m_prompt);
        CInputFile in;
        EXPECT_EQ(in.Open(path), CInputFile::Status::Open);
        CArchive ar{in.Stream(), PathText(path)};
        COutputList report;
        CheckIntoReport(doc, Values(), m_prompt, ar, report);
        return report.Lines();
    }

    TempDir m_dir;
    RecordingPrompt m_prompt;
    gui::CMainFrame* m_frame = nullptr;
    std::string m_stand;  ///< the date of the SCL directory in the data folder
};

}  // namespace valorix::test
