#include "core/verdict.h"

#include <algorithm>

#include "core/messages.h"
#include "platform/strutil.h"
#include "xml/parsedtree.h"

namespace valorix {

const char* const kBasicCharsetPattern = "([ \\-':?,+()/\\.a-zA-Z0-9])*";
const std::string kExtendedCharsetPattern = A("([ \\-':?,+()/\\.a-zA-Z0-9äöüÄÖÜß&*$%])*");
const char* const kEmptyDateException = "Typ:SchemaDateTimeException, Text:buffer not initialized yet!.";
const char* const kEmptyDateMessages[2] = {"invalid date value ''", "invalid dateTime value ''"};

namespace {

std::string CharsetRewrite(const std::string& text, const std::string& explanation) {
    const size_t apostrophe = text.find('\'');
    const std::string part = apostrophe == std::string::npos ? text : text.substr(apostrophe);
    std::string quoted;
    const size_t close = part.size() > 1 ? part.find('\'', 1) : std::string::npos;
    if (close != std::string::npos) quoted = part.substr(0, close + 1);
    return "Der Wert: " + quoted + explanation;
}

bool ContainsAfterStart(const std::string& text, const std::string& part) {
    const size_t pos = text.find(part);
    return pos != std::string::npos && pos > 0;
}

}  // namespace

bool RewriteCharsetFindings(Findings& findings) {
    for (Finding& f : findings) {
        if (f.kind != FindingKind::Error) continue;
        std::string& t = f.text;
        if (Contains(t, kEmptyDateException) || Contains(t, kEmptyDateMessages[0]) ||
            Contains(t, kEmptyDateMessages[1])) {
            t = msg::kEmptyDate;
        } else if (ContainsAfterStart(t, kExtendedCharsetPattern)) {
            f.kind = FindingKind::Warning;
            t = CharsetRewrite(t, msg::kCharsetExtended);
        } else if (ContainsAfterStart(t, kBasicCharsetPattern)) {
            f.kind = FindingKind::Warning;
            t = CharsetRewrite(t, msg::kCharsetBasic);
        }
    }
    return std::all_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.kind == FindingKind::Warning; });
}

int CheckCreditorIdPlacement(ParsedTree& doc) {
    std::vector<DomNode*> blocks;
    doc.FindElements("PmtInf", blocks);
    int result = 0;
    bool marked = false;
    for (DomNode* block : blocks) {
        if (result == -1) break;
        doc.SetCurrent(block);
        const int b = doc.CountElements("CdtrSchmeId");
        if (b == 0) {
            result = -1;
            continue;
        }
        std::vector<DomNode*> transactions;
        doc.FindElements("DrctDbtTx", transactions);
        int c = 0;
        for (size_t i = 0; i < transactions.size(); ++i) {
            doc.SetCurrent(transactions[i]);
            const int n = doc.CountElements("CdtrSchmeId");
            if (i == 0) c += n;
            else if (n > 0) c += 1;
        }
        if (c == b) {
            if (c < static_cast<int>(transactions.size())) result = -1;
        } else if (c != 0) {
            marked = true;
        }
    }
    if (!blocks.empty()) doc.SetCurrent(doc.GetDocument());
    if (result == -1) return -1;
    return marked ? 1 : 0;
}

bool HasSeveralPaymentBlocks(const std::string& text) {
    const size_t block = text.find("PmtInf>");
    if (block == std::string::npos || block == 0) return false;
    const size_t lt = text.rfind('<', block - 1);
    if (lt == std::string::npos) return false;
    std::string closing;
    if (lt + 1 < text.size() && text[lt + 1] == '/') closing = text.substr(lt, block + 7 - lt);
    else closing = "</" + text.substr(lt + 1, block + 7 - (lt + 1));
    const size_t first = text.find(closing);
    return first != std::string::npos && text.find(closing, first + 1) != std::string::npos;
}

Verdict ComposeVerdict(const VerdictInput& in) {
    Verdict v;
    // camt.052/053/054: -2/-3/-4 (edition 2.x) and -5/-6/-7 (3.7)
    static const char* const kCamtSuffixes[] = {".052", ".053", ".054"};
    const char* suffix = IsStatement(in.formatCode) ? kCamtSuffixes[(-CodeOf(in.formatCode) - 2) % 3] : "";
    const bool status = in.formatCode == FormatCode::Status37;
    // The statements and the foreign-trade report have sentences of their own.
    const bool orders = in.formatCode >= FormatCode::Unknown;
    const char* path = in.path.c_str();
    const char* edition = in.edition.c_str();
    if (in.placement == -1) {
        v.sentence = Format(msg::kVerdictInvalid.c_str(), path, edition);
        v.note = msg::kMissingCreditorIds;
        return v;
    }
    if (in.valid) {
        v.positive = true;
        if (status) {
            v.sentence = Format(msg::kVerdictValidStatus.c_str(), path, edition);
        } else if (orders) {
            v.sentence = Format(msg::kVerdictValid.c_str(), path, edition);
            if (in.subtype == 2) v.sentence = RemoveAll(v.sentence, " SEPA");
        } else if (in.isEmw) {
            v.sentence = Format(msg::kVerdictValidEmw.c_str(), path);
        } else {
            v.sentence = Format(msg::kVerdictValidCamt.c_str(), path, suffix, edition);
        }
    } else if (in.onlyCharset) {
        v.positive = true;
        if (status) v.sentence = Format(msg::kVerdictCharsetStatus.c_str(), path, edition);
        else if (!orders) v.sentence = Format(msg::kVerdictCharsetCamt.c_str(), path, suffix, edition);
        else v.sentence = Format(msg::kVerdictCharset.c_str(), path, edition);
    } else {
        v.sentence = Format(msg::kVerdictInvalid.c_str(), path, edition);
    }
    if (in.placement == 1) v.note = msg::kCreditorIdsBothLevels;
    return v;
}

}  // namespace valorix
