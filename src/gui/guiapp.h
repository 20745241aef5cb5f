// The desktop program's application object: the start-up sequence over the
// toolkit-free application values, the document manager, the main frame,
// and the shutdown.
#pragma once
#include <wx/app.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "gui/wxprompt.h"

class wxLocale;

namespace valorix::gui {

class CMainFrame;
class CValorixDocManager;

class CValorixApp : public wxApp {
public:
    CValorixApp();
    ~CValorixApp() override;

    bool OnInit() override;
    int OnExit() override;

    /// The start-up after the toolkit is up: profile migration, data folder,
    /// schemas, report file, SCL directory, frame; `files` (the command line)
    /// names at most one file to open at once. False ends the program.
    bool Startup(const std::vector<std::string>& files);
    /// The shutdown: report file deleted, frame state kept in the profile.
    void Shutdown();
    /// Closes the main window and lets everything of this start go (the
    /// window's state is stored), so that Startup can run again.
    void CloseAll();

    AppValues& Values() { return *m_values; }
    /// The message boxes, as every part of the program asks through them.
    IPrompt& Prompt() { return m_forward; }
    /// Replaces the message boxes (tests); null restores them.
    void SetPrompt(IPrompt* prompt) { m_forward.target = prompt ? prompt : &m_wxPrompt; }
    /// The message boxes themselves, whoever answers the questions now.
    CWxPrompt& Boxes() { return m_wxPrompt; }
    CMainFrame* Frame() const { return m_frame; }
    /// The main window tells that it goes: nothing may reach it afterwards.
    void FrameGone(CMainFrame* frame) {
        if (m_frame == frame) m_frame = nullptr;
    }
    CValorixDocManager* Docs() const { return m_docs.get(); }

private:
    std::unique_ptr<AppValues> m_values;
    // Hands every question to the current prompt, so that it can be replaced
    // after the frame and the documents took their reference.
    struct CForwardPrompt : IPrompt {
        explicit CForwardPrompt(IPrompt* to) : target(to) {}
        IPrompt* target;
        void Message(const std::string& text) override { target->Message(text); }
        bool AskYesNo(const std::string& text) override { return target->AskYesNo(text); }
        bool AskCredentials(const std::string& text, std::string& user, std::string& password) override {
            return target->AskCredentials(text, user, password);
        }
        bool OpenUrl(const std::string& url) override { return target->OpenUrl(url); }
    };
    CWxPrompt m_wxPrompt;
    CForwardPrompt m_forward{&m_wxPrompt};
    std::unique_ptr<CValorixDocManager> m_docs;
    std::unique_ptr<wxLocale> m_locale;
    CMainFrame* m_frame = nullptr;
    bool m_shutDown = false;
    bool m_exitAfterOpen = false;
};

}  // namespace valorix::gui

wxDECLARE_APP(valorix::gui::CValorixApp);
