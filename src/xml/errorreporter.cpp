#include "xml/errorreporter.h"

#include <xercesc/sax/SAXParseException.hpp>

#include "platform/strutil.h"
#include "xml/xmlstr.h"

namespace valorix {

const char* const kFatalFormat = "Schwerwiegender Fehler in Zeile %d, Spalte %d : %s";

void DOMTreeErrorReporter::warning(const xercesc::SAXParseException&) {}

void DOMTreeErrorReporter::error(const xercesc::SAXParseException& e) {
    Add(e, 0, "Fehler in Zeile %d, Spalte %d : %s");
}

void DOMTreeErrorReporter::fatalError(const xercesc::SAXParseException& e) {
    Add(e, 1, kFatalFormat);
}

void DOMTreeErrorReporter::Add(const xercesc::SAXParseException& e, uint8_t kind, const char* format) {
    m_sawErrors = true;
    const std::string message = X2A(e.getMessage());
    const int line = static_cast<int>(e.getLineNumber());
    const int column = static_cast<int>(e.getColumnNumber());
    m_formatted.push_back(Format(format, line, column, message.c_str()));
    m_raw.push_back(message);
    m_kinds.push_back(kind);
    m_lines.push_back(line);
    m_columns.push_back(column);
}

void DOMTreeErrorReporter::resetErrors() {
    m_sawErrors = false;
    m_formatted.clear();
    m_lines.clear();
    m_columns.clear();
    m_kinds.clear();
    m_raw.clear();
}

}  // namespace valorix
