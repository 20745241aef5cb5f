#include "xml/parserfindings.h"

#include <xercesc/sax/SAXParseException.hpp>

#include "platform/strutil.h"
#include "xml/xmlstr.h"

namespace valorix {

const char* const kFatalFormat = "Schwerwiegender Fehler in Zeile %d, Spalte %d : %s";

void ParserFindings::warning(const xercesc::SAXParseException&) {}

void ParserFindings::error(const xercesc::SAXParseException& e) {
    Add(e, FindingKind::Error, "Fehler in Zeile %d, Spalte %d : %s");
}

void ParserFindings::fatalError(const xercesc::SAXParseException& e) {
    Add(e, FindingKind::Fatal, kFatalFormat);
}

void ParserFindings::Add(const xercesc::SAXParseException& e, FindingKind kind, const char* format) {
    m_sawErrors = true;
    const std::string message = X2A(e.getMessage());
    const int line = static_cast<int>(e.getLineNumber());
    const int column = static_cast<int>(e.getColumnNumber());
    m_formatted.push_back(Format(format, line, column, message.c_str()));
    m_findings.push_back(Finding{message, line, column, kind});
}

void ParserFindings::resetErrors() {
    m_sawErrors = false;
    m_formatted.clear();
    m_findings.clear();
}

}  // namespace valorix
