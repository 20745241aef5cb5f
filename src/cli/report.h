// The printed result of one check, for the terminal (UTF-8) and as JSON.
#pragma once
#include <ostream>
#include <string>

namespace valorix {

class CTavrel1Doc;

/// Summary messages (verdict first), then one "Zeile %u/%u : %s" line per detail record.
void PrintReport(const CTavrel1Doc& doc, std::ostream& out);
/// One JSON object on one line.
void PrintJson(const CTavrel1Doc& doc, const std::string& file, std::ostream& out);
/// True when the verdict is positive and no finding is an error.
bool CheckPassed(const CTavrel1Doc& doc);
/// JSON string literal of a UTF-8 text.
std::string JsonString(const std::string& utf8);

}  // namespace valorix
