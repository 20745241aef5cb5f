// How toolkit-free code talks to the user: a message box with caption
// "Valorix" and a Yes/No question.
#pragma once
#include <string>

namespace valorix {

class IPrompt {
public:
    virtual ~IPrompt() = default;
    /// Shows a message (CP1252 text).
    virtual void Message(const std::string& text) = 0;
    /// Asks a Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
};

}  // namespace valorix
