#include "cli/report.h"

#include "core/tavrel1doc.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "ui/viewmodel.h"

namespace valorix {

namespace {
bool IsErrorFinding(const std::string& text, uint8_t kind) {
    return kind != 2 && !StartsWith(text, "Hinweis:") && !StartsWith(text, "Warnung");
}
}  // namespace

void PrintReport(const COutputList& report, std::ostream& out) {
    for (const OutputLine& line : report.Lines()) out << Cp1252ToUtf8(line.text) << '\n';
}

bool CheckPassed(const CTavrel1Doc& doc) {
    if (!doc.m_verdictPositive) return false;
    for (size_t i = 0; i < doc.m_detailTexts.size(); ++i)
        if (IsErrorFinding(doc.m_detailTexts[i], doc.m_detailKinds[i])) return false;
    return true;
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) out += Format("\\u%04x", c);
                else out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void PrintJson(const CTavrel1Doc& doc, const COutputList& report, const std::string& file, std::ostream& out) {
    out << "{\"file\":" << JsonString(Cp1252ToUtf8(file)) << ",\"checkState\":" << doc.m_checkState
        << ",\"formatCode\":" << doc.m_formatCode << ",\"debitKind\":" << doc.m_debitKind
        << ",\"austrianVariant\":" << doc.m_austrianVariant << ",\"subtype\":" << doc.m_subtype
        << ",\"isEmw\":" << doc.m_isEmw << ",\"messages\":[";
    for (size_t i = 0; i < doc.m_messages.size(); ++i)
        out << (i ? "," : "") << JsonString(Cp1252ToUtf8(doc.m_messages[i]));
    out << "],\"details\":[";
    for (size_t i = 0; i < doc.m_detailTexts.size(); ++i) {
        out << (i ? "," : "") << "{\"text\":" << JsonString(Cp1252ToUtf8(doc.m_detailTexts[i]))
            << ",\"line\":" << doc.m_detailLines[i] << ",\"column\":" << doc.m_detailColumns[i]
            << ",\"kind\":" << static_cast<int>(doc.m_detailKinds[i]) << "}";
    }
    out << "],\"report\":[";
    bool first = true;
    for (const OutputLine& line : report.Lines()) {
        out << (first ? "" : ",") << "{\"text\":" << JsonString(Cp1252ToUtf8(line.text))
            << ",\"position\":" << line.position << "}";
        first = false;
    }
    out << "]}\n";
}

}  // namespace valorix
