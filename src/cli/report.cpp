#include "cli/report.h"

#include <nlohmann/json.hpp>

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

void PrintJson(const CTavrel1Doc& doc, const COutputList& report, const std::string& file, std::ostream& out) {
    nlohmann::ordered_json j;
    j["file"] = Cp1252ToUtf8(file);
    j["checkState"] = doc.m_checkState;
    j["formatCode"] = doc.m_formatCode;
    j["debitKind"] = doc.m_debitKind;
    j["austrianVariant"] = doc.m_austrianVariant;
    j["subtype"] = doc.m_subtype;
    j["isEmw"] = doc.m_isEmw;
    j["edition"] = Cp1252ToUtf8(doc.m_edition);
    j["messages"] = nlohmann::ordered_json::array();
    for (const std::string& m : doc.m_messages) j["messages"].push_back(Cp1252ToUtf8(m));
    j["details"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < doc.m_detailTexts.size(); ++i)
        j["details"].push_back({{"text", Cp1252ToUtf8(doc.m_detailTexts[i])},
                                {"line", doc.m_detailLines[i]},
                                {"column", doc.m_detailColumns[i]},
                                {"kind", static_cast<int>(doc.m_detailKinds[i])}});
    j["report"] = nlohmann::ordered_json::array();
    for (const OutputLine& line : report.Lines())
        j["report"].push_back({{"text", Cp1252ToUtf8(line.text)}, {"position", line.position}});
    out << j.dump() << '\n';
}

}  // namespace valorix
