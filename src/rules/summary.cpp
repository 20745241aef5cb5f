#include "rules/summary.h"

#include <memory>

#include "platform/codepage.h"
#include "platform/sha256.h"
#include "platform/strutil.h"
#include "rules/references.h"
#include "rules/values.h"
#include "xml/parsedtree.h"
#include "xml/saxpass.h"

namespace valorix {

namespace {

// Collects the summary as the events stream by; only the few elements it
// names are kept, so the pass stays linear and small for any file size.
class CSummaryDoc : public CProcessXmlDoc {
public:
    explicit CSummaryDoc(FileSummary& s) : m_s(s) {}

    bool StartElement(const std::string&, const std::string& qName, const std::string&,
                      const std::vector<std::string>& attrNames, const std::vector<std::string>& attrValues) override {
        const std::string name = LocalName(qName);
        m_stack.push_back(name);
        m_text.clear();
        if (m_stack.size() == 2) m_s.debit = name == "CstmrDrctDbtInitn";
        if (name == "PmtInf") {
            m_s.blocks.emplace_back();
            ++m_openBlocks;
        }
        m_currency.clear();
        if (name == "InstdAmt")
            for (size_t i = 0; i < attrNames.size(); ++i)
                if (LocalName(attrNames[i]) == "Ccy") m_currency = attrValues[i];
        return true;
    }
    bool Characters(const std::string& text, bool) override {
        m_text += text;
        return true;
    }
    void EndElement(const std::string&, const std::string&, const std::string&) override {
        const std::string value = m_text.empty() ? std::string() : Trim(m_text);
        m_text.clear();
        Take(value);
        if (m_stack.back() == "PmtInf") --m_openBlocks;
        m_stack.pop_back();
    }

private:
    // The name of the element `up` levels above the one that ends (0: itself).
    const std::string& At(size_t up) const {
        static const std::string none;
        return m_stack.size() > up ? m_stack[m_stack.size() - 1 - up] : none;
    }
    void Take(const std::string& value) {
        const std::string& name = At(0);
        const std::string& parent = At(1);
        BlockSummary* block = m_openBlocks > 0 && !m_s.blocks.empty() ? &m_s.blocks.back() : nullptr;
        if (name == "CdtTrfTxInf" || name == "DrctDbtTxInf") {
            ++m_s.totals.count;
            if (block) ++block->totals.count;
            return;
        }
        if (name == "InstdAmt") {
            const Currency a = ParseAmount(value);
            for (SummaryTotals* t : {&m_s.totals, block ? &block->totals : nullptr}) {
                if (!t) continue;
                __int128& sum = t->sums[m_currency];
                // A sum beyond 128 bits (far beyond any amount a schema allows) is not known either.
                if (!a.valid || __builtin_add_overflow(sum, a.units, &sum)) t->sumValid = false;
            }
            return;
        }
        if (parent == "GrpHdr") {
            if (name == "MsgId") m_s.messageId = value;
            else if (name == "CreDtTm") m_s.created = value;
            else if (name == "NbOfTxs") m_s.totals.declaredCount = value;
            else if (name == "CtrlSum") m_s.totals.declaredSum = value;
            return;
        }
        if (name == "Nm" && parent == "InitgPty" && At(2) == "GrpHdr") {
            m_s.initiator = value;
            return;
        }
        if (!block) return;
        if (parent == "PmtInf") {
            if (name == "PmtInfId") block->id = value;
            else if (name == "NbOfTxs") block->totals.declaredCount = value;
            else if (name == "CtrlSum") block->totals.declaredSum = value;
            else if (name == "ReqdExctnDt" || name == "ReqdColltnDt") {
                if (block->date.empty()) block->date = value;
            }
            return;
        }
        if ((name == "Dt" || name == "DtTm") && (parent == "ReqdExctnDt" || parent == "ReqdColltnDt")) {
            block->date = value;
            return;
        }
        if (name == "SeqTp") {
            block->sequence = value;
            return;
        }
        if (name == "Cd" && parent == "LclInstrm" && At(2) == "PmtTpInf" && At(3) == "PmtInf") {
            block->scheme = value;
            return;
        }
        // The owner's account: the debtor's of a transfer, the creditor's of a debit, at block level.
        static const std::string kOwner[2][3] = {{"Dbtr", "DbtrAcct", "DbtrAgt"}, {"Cdtr", "CdtrAcct", "CdtrAgt"}};
        const std::string(&owner)[3] = kOwner[m_s.debit ? 1 : 0];
        if (name == "Nm" && parent == owner[0] && At(2) == "PmtInf") block->name = value;
        else if (name == "IBAN" && At(2) == owner[1] && At(3) == "PmtInf") block->iban = value;
        else if ((name == "BIC" || name == "BICFI") && At(2) == owner[2] && At(3) == "PmtInf") block->bic = value;
    }

    FileSummary& m_s;
    std::vector<std::string> m_stack;
    size_t m_openBlocks = 0;  // PmtInf elements on the stack
    std::string m_text, m_currency;
};


// "Transaktionen: 3 (angegeben: 4, abweichend!)" and the sums per currency beside CtrlSum.
void TotalsLines(const SummaryTotals& t, const std::string& indent, std::vector<std::string>& out) {
    std::string count = indent + "Transaktionen: " + std::to_string(t.count);
    if (!t.declaredCount.empty()) {
        count += " (angegeben: " + t.declaredCount;
        if (!DeclaredCountReadable(t)) count += ", nicht lesbar";
        else if (CountDiffers(t)) count += ", abweichend!";
        count += ")";
    }
    out.push_back(count);
    std::string sums = indent + A("Summe: ") + SumsText(t);
    if (!t.sumValid) sums += A(" (nicht alle Beträge lesbar)");
    if (!t.declaredSum.empty()) {
        sums += " (angegeben: " + t.declaredSum;
        const SumComparison c = CompareSum(t);
        if (c == SumComparison::Differs) sums += ", abweichend!";
        else if (!DeclaredSumReadable(t)) sums += ", nicht lesbar";
        sums += ")";
    }
    out.push_back(sums);
}

}  // namespace

std::string Amount(__int128 units) {
    const bool negative = units < 0;
    unsigned __int128 u = negative ? -static_cast<unsigned __int128>(units) : static_cast<unsigned __int128>(units);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
        u /= 10;
    } while (u > 0);
    const size_t places = kAmountDigits;
    while (digits.size() < places + 1) digits.insert(digits.begin(), '0');
    std::string fraction = digits.substr(digits.size() - places);
    while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
    return (negative ? "-" : "") + digits.substr(0, digits.size() - places) + "." + fraction;
}

FileSummary Summarize(const std::string& content, std::istream& file) {
    FileSummary s;
    s.sha256 = Sha256Hex(file);
    CSummaryDoc processor(s);
    try {
        RunSaxPass(content, &processor, "", false);
    } catch (...) {
        // A file that cannot be read to its end has the summary of what was read.
    }
    return s;
}

std::unique_ptr<CProcessXmlDoc> SummaryReader(FileSummary& summary) { return std::make_unique<CSummaryDoc>(summary); }

FileSummary SummarizeTree(ParsedTree& tree, std::istream& file) {
    FileSummary s;
    s.sha256 = Sha256Hex(file);
    CSummaryDoc processor(s);
    DomNode* const saved = tree.GetCurrent();
    std::vector<std::string> names, values;
    // The events of the elements in document order, as the pass would give
    // them: a start with its attributes, the children, the text after the
    // last child, the end.
    std::vector<DomNode*> open;
    DomNode* next = tree.GetDocument() ? ParsedTree::FirstChild(tree.GetDocument()) : nullptr;
    while (next || !open.empty()) {
        if (next) {
            tree.SetCurrent(next);
            tree.GetAttributes(names, values);
            processor.StartElement(std::string(), ParsedTree::NameOf(next), std::string(), names, values);
            open.push_back(next);
            next = ParsedTree::FirstChild(next);
            continue;
        }
        DomNode* done = open.back();
        open.pop_back();
        processor.Characters(ParsedTree::TailTextOf(done), false);
        processor.EndElement(std::string(), ParsedTree::NameOf(done), std::string());
        next = ParsedTree::NextSibling(done);
    }
    if (saved) tree.SetCurrent(saved);
    return s;
}

bool DeclaredCountReadable(const SummaryTotals& t) {
    return t.declaredCount.find_first_not_of("0123456789") == std::string::npos;
}

bool CountDiffers(const SummaryTotals& t) {
    if (t.declaredCount.empty()) return false;
    if (!DeclaredCountReadable(t)) return true;
    uint64_t declared = 0;
    for (char c : t.declaredCount)
        if (__builtin_mul_overflow(declared, 10u, &declared) || __builtin_add_overflow(declared, c - '0', &declared))
            return true;  // beyond any count of transactions
    return declared != t.count;
}

SumComparison CompareSum(const SummaryTotals& t) {
    if (t.declaredSum.empty()) return SumComparison::NotDeclared;
    const Currency declared = ParseAmount(t.declaredSum);
    if (!declared.valid || !t.sumValid) return SumComparison::Unknown;
    __int128 all = 0;
    for (const auto& [currency, units] : t.sums)
        if (__builtin_add_overflow(all, units, &all)) return SumComparison::Unknown;
    return declared.units == all ? SumComparison::Matches : SumComparison::Differs;
}

bool SumDiffers(const SummaryTotals& t) {
    const SumComparison c = CompareSum(t);
    return c == SumComparison::Differs || c == SumComparison::Unknown;
}

bool DeclaredSumReadable(const SummaryTotals& t) { return t.declaredSum.empty() || ParseAmount(t.declaredSum).valid; }

bool SumsReadable(const SummaryTotals& t) { return t.sumValid && DeclaredSumReadable(t); }

std::string SumsText(const SummaryTotals& t) {
    if (t.sums.empty()) return "0.00";
    std::string sums;
    for (const auto& [currency, units] : t.sums)
        sums += (sums.empty() ? "" : " + ") + Amount(units) + (currency.empty() ? "" : " " + currency);
    return sums;
}

std::string BlockKind(const FileSummary& s, const BlockSummary& b) {
    std::string kind = s.debit ? "Lastschrift" : A("Überweisung");
    if (!b.scheme.empty()) kind += " " + b.scheme;
    if (!b.sequence.empty()) kind += " " + b.sequence;
    return kind;
}

std::vector<std::string> SummaryLines(const FileSummary& s) {
    std::vector<std::string> out;
    out.push_back("Begleitzettel");
    out.push_back("Nachricht: " + s.messageId + ", erstellt " + s.created + ", Einreicher: " + s.initiator);
    out.push_back("SHA-256: " + s.sha256);
    TotalsLines(s.totals, "", out);
    size_t n = 0;
    for (const BlockSummary& b : s.blocks) {
        out.push_back("Auftrag " + std::to_string(++n) + " '" + b.id + "': " + BlockKind(s, b) + ", " +
                      (s.debit ? "Einzug am " : A("Ausführung am ")) + b.date);
        out.push_back("  Konto: " + b.iban + (b.bic.empty() ? "" : ", BIC " + b.bic) + ", " + b.name);
        TotalsLines(b.totals, "  ", out);
    }
    return out;
}

}  // namespace valorix
