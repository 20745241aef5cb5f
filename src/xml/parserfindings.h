// Error handler of the tree parse: turns the parser's callbacks into detail
// records (raw text, line, column, kind) and formatted texts.
#pragma once
#include <xercesc/sax/ErrorHandler.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "xml/finding.h"

namespace valorix {

/// The formatted text of a fatal finding: line, column, message.
extern const char* const kFatalFormat;

class ParserFindings : public xercesc::ErrorHandler {
public:
    ~ParserFindings() override = default;
    void warning(const xercesc::SAXParseException& e) override;
    void error(const xercesc::SAXParseException& e) override;
    void fatalError(const xercesc::SAXParseException& e) override;
    void resetErrors() override;

    bool SawErrors() const { return m_sawErrors; }

    /// The parser's findings with their raw texts, and the same texts
    /// formatted with their position ("Fehler in Zeile %d, Spalte %d : %s").
    Findings m_findings;
    std::vector<std::string> m_formatted;

private:
    void Add(const xercesc::SAXParseException& e, FindingKind kind, const char* format);
    bool m_sawErrors = false;
};

}  // namespace valorix
