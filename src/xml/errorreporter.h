// Error handler of the tree parse: turns the parser's callbacks into detail
// records (raw text, line, column, kind) and formatted texts.
#pragma once
#include <xercesc/sax/ErrorHandler.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace valorix {

/// The formatted text of a fatal finding: line, column, message.
extern const char* const kFatalFormat;

class DOMTreeErrorReporter : public xercesc::ErrorHandler {
public:
    ~DOMTreeErrorReporter() override = default;
    void warning(const xercesc::SAXParseException& e) override;
    void error(const xercesc::SAXParseException& e) override;
    void fatalError(const xercesc::SAXParseException& e) override;
    void resetErrors() override;

    bool SawErrors() const { return m_sawErrors; }

    std::vector<std::string> m_formatted;  // "Fehler in Zeile %d, Spalte %d : %s", ...
    std::vector<int> m_lines;
    std::vector<int> m_columns;
    std::vector<uint8_t> m_kinds;
    std::vector<std::string> m_raw;

private:
    void Add(const xercesc::SAXParseException& e, uint8_t kind, const char* format);
    bool m_sawErrors = false;
};

}  // namespace valorix
