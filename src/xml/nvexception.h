// The program's exception for failures of the parser library. It carries one
// message text; reporting it shows the text and does nothing when it is empty.
#pragma once
#include <exception>
#include <string>

#include "platform/prompt.h"

namespace valorix {

class CNvException : public std::exception {
public:
    explicit CNvException(std::string text) : m_text(std::move(text)) {}
    const char* what() const noexcept override { return m_text.c_str(); }
    const std::string& Text() const { return m_text; }
    void Report(IPrompt& prompt) const {
        if (!m_text.empty()) prompt.Message(m_text);
    }

private:
    std::string m_text;
};

}  // namespace valorix
