// How toolkit-free code talks to the user: a message box with caption
// "Valorix", a Yes/No question, a credentials dialog and the web browser.
// Every method is pure, so that a front end (or a forwarding prompt) that
// forgets one does not compile.
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
    /// Asks for a user name and a password (CP1252); false when the user
    /// cancels or nobody can be asked.
    virtual bool AskCredentials(const std::string& text, std::string& user, std::string& password) = 0;
    /// Opens an address (http or https) in the desktop's web browser; false
    /// when no browser could be started.
    virtual bool OpenUrl(const std::string& url) = 0;
};

/// Nobody to ask: messages are dropped, questions answered with No (the
/// benchmarks, the fuzzing target and other unattended checks).
class CSilentPrompt : public IPrompt {
public:
    void Message(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    bool AskCredentials(const std::string&, std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
};

}  // namespace valorix
