// Message boxes of the desktop program: caption "Valorix", German buttons.
#pragma once
#include <wx/window.h>

#include "platform/prompt.h"

namespace valorix::gui {

class CWxPrompt : public IPrompt {
public:
    void Message(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
};

}  // namespace valorix::gui
