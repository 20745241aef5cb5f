#include "rules/treerules.h"

#include <algorithm>
#include <unordered_map>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/calendar.h"
#include "rules/checkdigits.h"
#include "rules/findings.h"
#include "rules/scldirectory.h"
#include "rules/values.h"

namespace valorix {

namespace {

using Tree = ParsedTree;

std::string RootPrefix(const std::string& rootName) {
    const size_t colon = rootName.find(':');
    return colon == std::string::npos ? std::string() : rootName.substr(0, colon + 1);
}

// Finds the successive start tags of one element name in document order.
class StartTags {
public:
    StartTags(ITextPositions& positions, std::string name) : m_positions(positions), m_name(std::move(name)) {}
    long Next() {
        const long p = m_positions.FindStartTag(m_name, m_cursor);
        if (p >= 0) m_cursor = p + 1;
        return p;
    }

private:
    ITextPositions& m_positions;
    std::string m_name;
    long m_cursor = 0;
};

// The nearest ancestor of `node` (itself included) whose name ends with one of
// `names`; null when there is none.
DomNode* EnclosingEndingWith(DomNode* node, std::initializer_list<const char*> names) {
    while (node && !EndsWithAny(Tree::NameOf(node), names)) node = Tree::ParentOf(node);
    return node;
}

}  // namespace

CTextPagePositions::CTextPagePositions(const ITextPage& page, bool utf8)
    : m_page(page), m_columns(page.GetText(), utf8), m_extents(page.GetText(), m_columns) {}

long CTextPagePositions::FindStartTag(const std::string& name, long from) {
    return m_page.Find("<" + name, from, -1, SearchOptions{true, true, true});
}

long CTextPagePositions::FindText(const std::string& tag, long from) {
    return m_page.Find(tag, from, -1, SearchOptions{true, false, false});
}

long CTextPagePositions::ElementEnd(long start, std::vector<long>* childStarts) {
    return m_extents.End(start, childStarts);
}

long CTextPagePositions::ContentChars(long start) { return m_extents.ContentChars(start); }

void CTextPagePositions::LineColumn(long pos, int& line, int& column) {
    const int l = m_page.LineFromChar(pos);
    line = l + 1;
    column = static_cast<int>(m_columns.CharsBetween(m_page.LineIndex(l), pos) + 1);
}

CTreeRules::CTreeRules(const Classification& classification, RuleTally& tally, std::string sclIniPath,
                       ITextPositions& positions, Findings& findings)
    : m_class(classification),
      m_tally(tally),
      m_sclIniPath(std::move(sclIniPath)),
      m_positions(positions),
      m_findings(findings) {}

void CTreeRules::NamespaceTest(const std::string& elementName, const std::string& attrName,
                               const std::string& value, std::string& rootNamespace) {
    if (m_tally.xmlnsRepeated || attrName != "xmlns") return;
    if (EndsWithAny(elementName, {"Document", "sepade", "conxml"})) return;
    if (rootNamespace.empty()) rootNamespace = value;
    else if (value == rootNamespace) m_tally.xmlnsRepeated = true;
}

void CTreeRules::Walk(ParsedTree& tree, bool schemaValid, std::string& rootNamespace) {
    NewWalk();
    tree.SetCurrent(tree.GetDocument());
    DomNode* const root = tree.GetCurrent();
    auto firstElement = [](DomNode* n) {
        while (n && !ParsedTree::IsElement(n)) n = ParsedTree::NextSibling(n);
        return n;
    };
    // Every element's start tag, searched forward in document order; the
    // root's is searched on its own, from the start.
    long cursor = 0;
    long start = std::max(0L, m_positions.FindStartTag(tree.GetName(), 0));
    std::vector<std::string> attrNames, attrValues, childNames;
    // In document order, from each element to its first child, or else to the
    // next sibling of it or of its nearest ancestor that has one: the depth
    // of a document never meets the depth of the call stack.
    for (DomNode* node = root; node;) {
        tree.SetCurrent(node);
        attrNames.clear();
        attrValues.clear();
        tree.GetAttributes(attrNames, attrValues);
        const std::string name = tree.GetName();
        DomNode* const firstChild = firstElement(ParsedTree::FirstChild(node));
        if (node != root)  // the root's own declaration repeats nothing
            for (size_t i = 0; i < attrNames.size(); ++i) NamespaceTest(name, attrNames[i], attrValues[i], rootNamespace);
        if (!firstChild) {
            if (attrNames.empty() && schemaValid && LeafMayApply(name)) Leaf(name, tree.GetText(), node, start);
        } else if (GuidelinesApplyTo(name)) {
            childNames.clear();
            for (DomNode* c = firstChild; c; c = firstElement(ParsedTree::NextSibling(c)))
                childNames.push_back(ParsedTree::NameOf(c));
            ElementWithChildren(name, childNames, start);
        }
        DomNode* next = firstChild;
        for (DomNode* up = node; !next && up != root; up = ParsedTree::ParentOf(up))
            next = firstElement(ParsedTree::NextSibling(up));
        node = next;
        if (node) {
            const long p = m_positions.FindStartTag(ParsedTree::NameOf(node), cursor);
            start = p < 0 ? 0 : p;
            if (p >= 0) cursor = p + 1;
        }
    }
    if (schemaValid) WholeDocument(tree);
    tree.SetCurrent(tree.GetDocument());
}

void CTreeRules::NewWalk() {
    m_references.Clear();
    m_referenceBlock = nullptr;
    m_bankCodes.NewScope();
    m_bankCodeScope = nullptr;
}

void CTreeRules::Append(const std::string& text, int line, int column, FindingKind kind) {
    m_findings.push_back(Finding{text, line, column, kind});
}

bool CTreeRules::ClosingTagPosition(const std::string& closingTag, long from, int& line, int& column) {
    const long p = m_positions.FindText(closingTag, from);
    if (p < 0) return false;
    m_positions.LineColumn(p + static_cast<long>(closingTag.size()), line, column);
    return true;
}

bool CTreeRules::ElementEndPosition(long start, int& line, int& column) {
    if (start <= 0) return false;  // no start tag was found for it
    const long end = m_positions.ElementEnd(start);
    if (end < 0) return false;
    m_positions.LineColumn(end, line, column);
    return true;
}

int CTreeRules::FindingLine(long start) {
    int line = 0, column = 0;
    if (!ElementEndPosition(start, line, column)) m_positions.LineColumn(start, line, column);
    return line;
}

void CTreeRules::LeafFinding(const std::string& text, const std::string& name, const std::string& value, long start) {
    int line = 0, column = 0;
    if (!ElementEndPosition(start, line, column)) {
        // Counted as if start tag, value and closing tag stood from the start tag on.
        m_positions.LineColumn(start, line, column);
        column += static_cast<int>(2 * name.size() + value.size() + 5);
    }
    Append(text, line, column);
}

// The rules of a leaf in tree mode, in the order they are tried (event mode's
// are EventRuleProcessor::kTextRules).
const CTreeRules::LeafRule CTreeRules::kLeafRules[] = {
    // name test                                                        gate                 rule
    {[](const std::string& n) { return Contains(n, "IBAN"); },          Gate::Always,        &CTreeRules::IbanRule},
    {[](const std::string& n) { return Contains(n, "Nm"); },            Gate::PaymentFile,   &CTreeRules::NameRule},
    {[](const std::string& n) { return Contains(n, "BIC"); },           Gate::PaymentFile,   &CTreeRules::BicRule},
    {[](const std::string& n) { return Contains(n, "CtrlSum"); },       Gate::PaymentFile,   &CTreeRules::DecimalsRule},
    {[](const std::string& n) { return Contains(n, "EndToEndId"); },    Gate::PaymentFile,   &CTreeRules::EndToEndIdRule},
    {[](const std::string& n) { return LocalName(n) == "PmtInfId"; },   Gate::PaymentFile,   &CTreeRules::PaymentBlockIdRule},
    {[](const std::string& n) { return Contains(n, "Id") && !Contains(n, "IdTp"); },
                                                                        Gate::DirectDebitPaymentFile, &CTreeRules::CreditorIdRule},
    {[](const std::string&) { return true; },                           Gate::PaymentFile,   &CTreeRules::DateRule},
};

bool CTreeRules::Passes(Gate gate) const {
    switch (gate) {
        case Gate::Always: return true;
        case Gate::PaymentFile: return m_class.IsPaymentFile();
        case Gate::DirectDebitPaymentFile: return m_class.IsPaymentFile() && m_class.IsDirectDebit();
    }
    return false;
}

void CTreeRules::Report(const LeafContext& leaf, const std::string& text) {
    LeafFinding(text, leaf.elementName, leaf.elementValue, leaf.start);
}

bool CTreeRules::Enters(const std::string& name) const {
    // The names the rules look at; a direct debit's identifiers besides.
    static const char* const kEntering[] = {"IBAN", "BIC", "ReqdExctnDt", "ReqdColltnDt",
                                            "CtrlSum", "EndToEndId", "DtOfSgntr", "Nm", "PmtInfId"};
    bool enters = m_class.IsDirectDebit() && Contains(name, "Id");
    for (const char* e : kEntering) enters = enters || Contains(name, e);
    return enters;
}

bool CTreeRules::LeafMayApply(const std::string& name) const {
    // The editions after 3.0 nest their requested dates: their leaf is "Dt".
    return m_class.IsEditionAfter30() || Enters(name);
}

void CTreeRules::Leaf(const std::string& elementName, const std::string& elementValue, DomNode* element, long start) {
    LeafContext leaf{elementName, elementValue, elementName, elementValue, element, Tree::ParentOf(element), {}, start};
    // The parent's name is read only for the elements the rules look at.
    if (m_class.IsEditionAfter30()) {
        leaf.parentName = Tree::NameOf(leaf.parent);
        UnnestRequestedDate(leaf.name, leaf.parentName, leaf.value);
    }
    if (!Enters(leaf.name)) return;
    if (!m_class.IsEditionAfter30()) leaf.parentName = Tree::NameOf(leaf.parent);
    for (const LeafRule& rule : kLeafRules) {
        if (!rule.names(leaf.name)) continue;
        if (Passes(rule.gate)) (this->*rule.apply)(leaf);
        return;
    }
}

void CTreeRules::PairBankCode(const LeafContext& leaf, DomNode* holder, bool iban) {
    const std::string party = holder ? CBankCodePairs::PartyOf(Tree::NameOf(holder)) : std::string();
    if (party.empty()) return;
    DomNode* const scope = EnclosingEndingWith(holder, {"PmtInf", "TxInf"});
    if (scope != m_bankCodeScope) {
        m_bankCodes.NewScope();
        m_bankCodeScope = scope;
    }
    const std::string text = iban ? m_bankCodes.Iban(party, leaf.value) : m_bankCodes.Bic(party, leaf.value);
    if (!text.empty()) Report(leaf, text);
}

void CTreeRules::IbanRule(const LeafContext& leaf) {
    if (leaf.value.size() > 4) {
        const int r = CheckIban(leaf.value);
        if (r < 1) Report(leaf, IbanFindingText(r));
    }
    if (m_class.IsPaymentFile() && leaf.parent) PairBankCode(leaf, Tree::ParentOf(leaf.parent), true);
}

void CTreeRules::NameRule(const LeafContext& leaf) {
    if (EndsWithAny(leaf.parentName, {"Cdtr", "Dbtr", "InitgPty"}) && !leaf.value.empty() && Trim(leaf.value).empty())
        Report(leaf, finding::kSpacesOnlyName);
}

void CTreeRules::BicRule(const LeafContext& leaf) {
    DomNode* const agent = Tree::ParentOf(leaf.parent);
    const std::string& value = leaf.value;
    if ((value.size() == 8 || value.size() == 11) && Contains(leaf.parentName, "FinInstnId") && agent &&
        Tree::ParentOf(agent)) {
        const bool ownBank = Contains(Tree::NameOf(Tree::ParentOf(agent)), "PmtInf");
        const std::string finding = BicFinding(value, ownBank, m_class.debitKind, m_class.austrianVariant, m_sclIniPath,
                                                   &m_tally.sclNotUsed);
        if (!finding.empty()) Report(leaf, finding);
        PairBankCode(leaf, agent, false);
    }
}

void CTreeRules::DecimalsRule(const LeafContext& leaf) {
    if (leaf.value.empty()) return;
    const std::string trimmed = Trim(leaf.value);
    const size_t dot = trimmed.find('.');
    if (dot != std::string::npos && trimmed.size() - dot - 1 >= 3) Report(leaf, finding::kTooManyDecimals);
}

void CTreeRules::EndToEndIdRule(const LeafContext& leaf) {
    if (leaf.value.empty() || EqualsNoCase(leaf.value, "NOTPROVIDED")) {
        if (m_tally.missingRefHints == 0) Report(leaf, finding::kMissingReference);
        ++m_tally.missingRefHints;
    }
    if (LocalName(leaf.name) != "EndToEndId") return;
    DomNode* const block = EnclosingEndingWith(leaf.parent, {"PmtInf"});
    if (block != m_referenceBlock) {
        m_references.NewBlock();
        m_referenceBlock = block;
    }
    const std::string reference = Trim(leaf.value);
    const long first = m_references.EndToEndId(reference, leaf.start);
    if (first >= 0) Report(leaf, DuplicateEndToEndIdText(reference, FindingLine(first)));
}

void CTreeRules::PaymentBlockIdRule(const LeafContext& leaf) {
    if (!EndsWith(leaf.parentName, "PmtInf")) return;
    const std::string id = Trim(leaf.value);
    const long first = m_references.PaymentBlockId(id, leaf.start);
    if (first >= 0) Report(leaf, DuplicatePaymentBlockIdText(id, FindingLine(first)));
}

void CTreeRules::CreditorIdRule(const LeafContext& leaf) {
    if (!Contains(leaf.parentName, "Othr") || !leaf.parent) return;
    bool creditor = false;
    for (DomNode* r = Tree::ParentOf(leaf.parent); r && !creditor; r = Tree::ParentOf(r))
        creditor = Contains(Tree::NameOf(r), "CdtrSchmeId");
    std::string message;
    if (creditor && !CheckCreditorId(leaf.value, message)) Report(leaf, "Fehler: " + message);
}

void CTreeRules::DateRule(const LeafContext& leaf) {
    if (DatePart(leaf.value).size() != 10) return;
    const std::string finding = DateOrCalendarFinding(leaf.name, leaf.value, NowDate());
    if (!finding.empty()) Report(leaf, finding);
}

bool CTreeRules::GuidelinesApplyTo(const std::string& name) {
    return EndsWithAny(name, {"InitgPty", "Cdtr", "Dbtr", "RmtInf"});
}

void CTreeRules::ElementWithChildren(const std::string& name, const std::vector<std::string>& children, long start) {
    size_t first = 0;  // index of the first warned child
    if (children.size() >= 2 && EndsWithAny(name, {"InitgPty", "Cdtr", "Dbtr", "RmtInf"})) first = 1;
    else if (children.size() == 1 && EndsWith(name, "RmtInf") && !Contains(children[0], "Ustrd")) first = 0;
    else return;
    std::vector<long> childStarts;
    if (start <= 0 || m_positions.ElementEnd(start, &childStarts) < 0) return;
    for (size_t i = first; i < children.size() && i < childStarts.size(); ++i) {
        const std::string& child = children[i];
        const long end = m_positions.ElementEnd(childStarts[i]);
        if (end < 0) continue;
        int line = 0, column = 0;
        m_positions.LineColumn(end, line, column);
        const bool tooLong = EndsWith(child, "Strd") && m_positions.ContentChars(childStarts[i]) > 140;
        if (!m_class.IsPaymentFile()) continue;
        if (tooLong) Append(Format(finding::kGuidelineWarningTooLong.c_str(), child.c_str()), line, column);
        else Append(Format(finding::kGuidelineWarning.c_str(), child.c_str()), line, column, FindingKind::Warning);
    }
}

void CTreeRules::WholeDocument(ParsedTree& parser) {
    if (m_class.IsPaymentFile()) CheckCountsAndSums(parser);
    if (m_class.IsDirectDebit()) CheckMandateRules(parser);
}

void CTreeRules::CheckCountsAndSums(ParsedTree& parser) {
    parser.SetCurrent(parser.GetDocument());
    const std::string prefix = RootPrefix(parser.GetName());
    const std::string tx = prefix + (m_class.IsDirectDebit() ? "DrctDbtTxInf" : "CdtTrfTxInf");
    const std::string groupHeader = prefix + "GrpHdr";
    auto scopeOf = [&](DomNode* e) {
        DomNode* scope = Tree::ParentOf(e);
        if (Tree::NameOf(scope) == groupHeader) scope = Tree::ParentOf(scope);
        return scope;
    };
    // `finding` gives the text of an element's finding, or null for none.
    auto check = [&](const std::string& local, auto&& finding) {
        const std::string name = prefix + local;
        parser.SetCurrent(parser.GetDocument());
        std::vector<DomNode*> elements;
        parser.FindElements(name, elements);
        StartTags starts(m_positions, name);
        for (DomNode* e : elements) {
            const long start = starts.Next();
            const std::string* text = finding(e, scopeOf(e));
            if (!text) continue;
            int line = -1, column = -1;
            if (!ElementEndPosition(start, line, column)) line = column = -1;
            Append(*text, line, column);
        }
    };
    // A scope's transactions and amounts are read once, however many counts
    // and sums it holds.
    std::unordered_map<DomNode*, int> counts;
    check("NbOfTxs", [&](DomNode* e, DomNode* scope) {
        auto [it, added] = counts.try_emplace(scope, 0);
        if (added) {
            parser.SetCurrent(scope);
            it->second = parser.CountElements(tx);
        }
        return it->second != ReadLeadingInt(Tree::TextOf(e)) ? &finding::kCountWrong : nullptr;
    });
    std::unordered_map<DomNode*, CAmountRun> amounts;
    check("CtrlSum", [&](DomNode* e, DomNode* scope) {
        auto [it, added] = amounts.try_emplace(scope);
        if (added) {
            parser.SetCurrent(scope);
            std::vector<DomNode*> elements;
            parser.FindElements(prefix + "InstdAmt", elements);
            for (DomNode* a : elements) it->second.Add(ParseAmount(Tree::TextOf(a)));
        }
        return SumFinding(it->second.SubtractFrom(ParseAmount(Tree::TextOf(e))));
    });
    parser.SetCurrent(parser.GetDocument());
}

void CTreeRules::CheckMandateRules(ParsedTree& parser) {
    parser.SetCurrent(parser.GetDocument());
    const std::string prefix = RootPrefix(parser.GetName());
    std::vector<DomNode*> blocks;
    parser.FindElements(prefix + "PmtInf", blocks);
    StartTags mandates(m_positions, prefix + "MndtRltdInf");
    for (DomNode* block : blocks) {
        parser.SetCurrent(block);
        std::vector<DomNode*> found;
        parser.FindElements(prefix + "SeqTp", found);
        const std::string seqType = found.empty() ? std::string() : Tree::TextOf(found[0]);
        std::vector<DomNode*> mandateElements;
        parser.SetCurrent(block);
        parser.FindElements(prefix + "MndtRltdInf", mandateElements);
        for (DomNode* mandate : mandateElements) {
            const long start = mandates.Next();
            struct Noted {
                std::string text;
                int line = -1, column = -1;
            };
            std::vector<Noted> amendment, signature, original;
            // After the named closing tag inside the mandate, or after the end of
            // the mandate's child number `index` (counted from 0).
            std::vector<long> childStarts;
            if (start > 0) m_positions.ElementEnd(start, &childStarts);
            auto noteAfter = [&](std::vector<Noted>& into, const std::string& text, const std::string& closingTag,
                                 long index = -1) {
                Noted n{text};
                bool found = false;
                if (index >= 0)
                    found = static_cast<size_t>(index) < childStarts.size() &&
                            ElementEndPosition(childStarts[static_cast<size_t>(index)], n.line, n.column);
                else
                    found = start >= 0 && ClosingTagPosition(closingTag, start, n.line, n.column);
                if (!found) n.line = n.column = -1;
                into.push_back(n);
            };
            // The mandate's children (all elements) from the last one back to
            // the signature date; the walk carries each child's index.
            long index = -1;
            for (DomNode* c = Tree::FirstChild(mandate); c; c = Tree::NextSibling(c)) ++index;
            bool details = false;
            std::string detailsText;
            for (DomNode* child = Tree::LastChild(mandate); child; child = Tree::PreviousSibling(child), --index) {
                const std::string name = Tree::NameOf(child);
                if (Contains(name, "DtOfSgntr")) break;
                if (Contains(name, "ElctrncSgntr")) {
                    noteAfter(signature, Format(finding::kElectronicSignature.c_str(), name.c_str()), "", index);
                    continue;
                }
                if (Contains(name, "AmdmntInfDtls")) {
                    details = true;
                    detailsText = Trim(Tree::TextOf(child));
                    parser.SetCurrent(child);
                    if (parser.CountElements(prefix + "OrgnlDbtrAcct") > 0 && parser.CountElements(prefix + "OrgnlDbtrAgt") > 0)
                        noteAfter(original, finding::kOriginalAccountOrAgent, "</OrgnlDbtrAgt>");
                    continue;
                }
                if (Contains(name, "AmdmntInd") && IsXsTrue(Tree::TextOf(child))) {
                    if (!details || detailsText.empty())
                        noteAfter(amendment, finding::kMissingAmendmentDetails, "", index);
                    else if (Contains(detailsText, "SMNDA") && seqType != "FRST" && IsBeforeEdition30(m_class.formatCode))
                        noteAfter(amendment, finding::kSmndaNeedsFirst, "</" + prefix + "OrgnlDbtrAgt>");
                } else if (details) {
                    noteAfter(amendment, finding::kAmendmentDetailsNotAllowed, "", index);
                }
                break;
            }
            for (const auto* list : {&amendment, &signature, &original})
                for (const Noted& n : *list) Append(n.text, n.line, n.column);
        }
    }
    parser.SetCurrent(parser.GetDocument());
}

}  // namespace valorix
