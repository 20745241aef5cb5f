#include "cli/report.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "core/checkdocument.h"
#include "online/help.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/summary.h"
#include "ui/report.h"
#include "ui/viewmodel.h"

namespace valorix {

const char* FindingSeverity(const Finding& finding) {
    if (finding.kind == FindingKind::Warning) return "charset";
    if (StartsWith(finding.text, "Hinweis:")) return "hint";
    if (StartsWith(finding.text, "Warnung")) return "warning";
    return "error";
}

namespace {

bool IsErrorFinding(const Finding& finding) { return std::string(FindingSeverity(finding)) == "error"; }

// The SCL directory's STAND (YYMMDD) as an ISO date, or null when there is
// no directory or its STAND is no date.
nlohmann::ordered_json SclDate(const std::string& stand) {
    const std::string text = SclDateText(stand);  // DD.MM.YYYY when it is a date
    if (text.size() != 10 || text[2] != '.' || text[5] != '.') return nullptr;
    return text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2);
}

// A value of the file as a string, or null when it is not there.
nlohmann::ordered_json OrNull(const std::string& cp1252) {
    return cp1252.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(Cp1252ToUtf8(cp1252));
}

// A block's or the file's figures: computed count and sums per currency
// (exact decimal strings), the declared NbOfTxs and CtrlSum as written (null
// when absent) and whether they differ.
nlohmann::ordered_json TotalsJson(const SummaryTotals& t) {
    nlohmann::ordered_json j;
    j["count"] = t.count;
    j["sums"] = nlohmann::ordered_json::object();
    for (const auto& [currency, units] : t.sums) j["sums"][Cp1252ToUtf8(currency)] = Amount(units);
    j["sumsReadable"] = SumsReadable(t);
    j["declaredCount"] = OrNull(t.declaredCount);
    j["declaredSum"] = OrNull(t.declaredSum);
    j["countDiffers"] = CountDiffers(t);
    j["sumDiffers"] = SumDiffers(t);
    return j;
}

nlohmann::ordered_json SummaryJson(const FileSummary& s) {
    nlohmann::ordered_json j;
    j["kind"] = s.debit ? "direct-debit" : "credit-transfer";
    j["messageId"] = Cp1252ToUtf8(s.messageId);
    j["created"] = Cp1252ToUtf8(s.created);
    j["initiator"] = Cp1252ToUtf8(s.initiator);
    j["sha256"] = s.sha256;
    j["totals"] = TotalsJson(s.totals);
    j["blocks"] = nlohmann::ordered_json::array();
    for (const BlockSummary& b : s.blocks) {
        nlohmann::ordered_json block;
        block["id"] = Cp1252ToUtf8(b.id);
        block["kind"] = Cp1252ToUtf8(BlockKind(s, b));
        block["scheme"] = OrNull(b.scheme);
        block["sequence"] = OrNull(b.sequence);
        block["date"] = Cp1252ToUtf8(b.date);
        block["owner"] = {{"name", Cp1252ToUtf8(b.name)}, {"iban", Cp1252ToUtf8(b.iban)}, {"bic", Cp1252ToUtf8(b.bic)}};
        block["totals"] = TotalsJson(b.totals);
        j["blocks"].push_back(std::move(block));
    }
    return j;
}

}  // namespace

void PrintReport(const COutputList& report, std::ostream& out) {
    for (const OutputLine& line : report.Lines()) out << Cp1252ToUtf8(line.text) << '\n';
}

bool CheckPassed(const CheckDocument& doc) {
    if (!doc.Result().verdictPositive) return false;
    return std::none_of(doc.Result().findings.begin(), doc.Result().findings.end(), IsErrorFinding);
}

void PrintJson(const CheckDocument& doc, const COutputList& report, const std::string& file,
               const std::string& sclStand, std::ostream& out, const FileSummary* summary) {
    const bool passed = CheckPassed(doc);
    // The verdict sentence as the report's first line words it: a finding
    // "Fehler:" turns the positive sentence negative there and here alike.
    const std::string verdictLine =
        doc.Result().messages.empty() ? std::string() : ReportVerdictLine(doc.Result().messages[0], doc.Result().findings);
    const bool valid = doc.Result().verdictPositive && (doc.Result().messages.empty() || verdictLine == doc.Result().messages[0]);
    nlohmann::ordered_json j;
    j["file"] = Cp1252ToUtf8(file);
    j["checkState"] = doc.Result().state;
    j["formatCode"] = CodeOf(doc.m_classification.formatCode);
    j["debitKind"] = doc.m_classification.debitKind;
    j["austrianVariant"] = doc.m_classification.austrianVariant;
    j["subtype"] = doc.m_classification.subtype;
    j["isEmw"] = doc.m_classification.isEmw;
    j["edition"] = Cp1252ToUtf8(doc.m_classification.edition);
    j["subset"] = doc.m_classification.subset != 0 ? nlohmann::ordered_json(doc.m_classification.subset) : nlohmann::ordered_json(nullptr);
    j["sclDate"] = SclDate(sclStand);
    j["valid"] = valid;
    j["verdict"] = valid ? "valid" : "invalid";
    // The exit status this file contributes: an error finding fails a file
    // whose verdict is positive.
    j["status"] = passed ? 0 : 1;
    j["messages"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < doc.Result().messages.size(); ++i)
        j["messages"].push_back(Cp1252ToUtf8(i == 0 ? verdictLine : doc.Result().messages[i]));
    j["details"] = nlohmann::ordered_json::array();
    for (const Finding& f : doc.Result().findings)
        j["details"].push_back({{"text", Cp1252ToUtf8(f.text)},
                                {"line", f.line},
                                {"column", f.column},
                                {"kind", static_cast<int>(f.kind)},
                                {"severity", FindingSeverity(f)}});
    j["report"] = nlohmann::ordered_json::array();
    for (const OutputLine& line : report.Lines())
        j["report"].push_back({{"text", Cp1252ToUtf8(line.text)}, {"position", line.position}});
    if (summary) j["summary"] = SummaryJson(*summary);
    out << j.dump() << '\n';
}

void PrintJsonUnchecked(const std::string& file, const std::string& message, std::ostream& out) {
    // Names are bytes as given: what is no UTF-8 is read as Windows-1252, as PrintJson does.
    auto text = [](const std::string& s) { return Cp1252ToUtf8(Utf8ToCp1252(s)); };
    nlohmann::ordered_json j;
    j["file"] = text(file);
    j["checkState"] = -1;
    j["formatCode"] = CodeOf(FormatCode::Unknown);
    j["debitKind"] = 0;
    j["austrianVariant"] = 0;
    j["subtype"] = 0;
    j["isEmw"] = 0;
    j["edition"] = "";
    j["subset"] = nullptr;
    j["sclDate"] = nullptr;
    j["valid"] = false;
    j["verdict"] = "invalid";
    j["status"] = 2;
    j["messages"] = nlohmann::ordered_json::array({text(message)});
    j["details"] = nlohmann::ordered_json::array();
    j["report"] = nlohmann::ordered_json::array();
    out << j.dump() << '\n';
}

}  // namespace valorix
