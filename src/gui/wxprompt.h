// Message boxes of the desktop program: caption "Valorix", German buttons.
#pragma once
#include <wx/window.h>

#include "platform/prompt.h"
#include "ui/framelogic.h"

namespace valorix::gui {

class CWxPrompt : public IPrompt {
public:
    void Message(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskCredentials(const std::string& text, std::string& user, std::string& password) override;
    bool OpenUrl(const std::string& url) override;
    /// The file the next messages may name: they show its real name.
    void NameFile(const std::string& path) { m_screen.SetPath(path); }

private:
    CScreenText m_screen;
};

}  // namespace valorix::gui
