// The whole-document checks of tree mode, run after the walk: transaction
// counts and control sums of every level, and the mandate amendment rules of
// every direct-debit transaction. Their findings are positioned by searching
// the text page forward, so the checks stay linear in the size of the file.
#include "app/app.h"
#include "core/tavrel1doc.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/findings.h"
#include "rules/values.h"
#include "ui/structureview.h"

#include <unordered_map>

#include "ui/elementscan.h"

namespace valorix {

namespace {

const SearchOptions kStartTag{true, true, true};

std::string RootPrefix(const std::string& rootName) {
    const size_t colon = rootName.find(':');
    return colon == std::string::npos ? std::string() : rootName.substr(0, colon + 1);
}

// Finds the successive start tags of one element name in document order.
class StartTags {
public:
    StartTags(const ITextPage& page, std::string name) : m_page(page), m_tag("<" + std::move(name)) {}
    long Next() {
        const long p = m_page.Find(m_tag, m_cursor, -1, kStartTag);
        if (p >= 0) m_cursor = p + 1;
        return p;
    }

private:
    const ITextPage& m_page;
    std::string m_tag;
    long m_cursor = 0;
};

}  // namespace

void CStructureView::CheckCountsAndSums() {
    CXmlParserDocument& parser = *m_doc.m_parser;
    parser.SetCurrent(parser.GetDocument());
    const std::string prefix = RootPrefix(parser.GetName());
    const std::string tx = prefix + (m_doc.m_classification.debitKind == 0 ? "CdtTrfTxInf" : "DrctDbtTxInf");
    const std::string groupHeader = prefix + "GrpHdr";
    auto scopeOf = [&](DomNode* e) {
        DomNode* scope = CXmlParserDocument::ParentOf(e);
        if (CXmlParserDocument::NameOf(scope) == groupHeader) scope = CXmlParserDocument::ParentOf(scope);
        return scope;
    };
    // `finding` gives the text of an element's finding, or null for none.
    auto check = [&](const std::string& local, auto&& finding) {
        const std::string name = prefix + local;
        parser.SetCurrent(parser.GetDocument());
        std::vector<DomNode*> elements;
        parser.FindElements(name, elements);
        StartTags starts(*m_t.text, name);
        for (DomNode* e : elements) {
            const long start = starts.Next();
            const std::string* text = finding(e, scopeOf(e));
            if (!text) continue;
            int line = -1, column = -1;
            if (!ElementEndPosition(start, line, column)) line = column = -1;
            AppendFinding(*text, line, column);
        }
    };
    // A scope's transactions and amounts are read once, however many counts
    // and sums it holds.
    std::unordered_map<DomNode*, int> counts;
    check("NbOfTxs",
          [&](DomNode* e, DomNode* scope) {
              auto [it, added] = counts.try_emplace(scope, 0);
              if (added) {
                  parser.SetCurrent(scope);
                  it->second = parser.CountElements(tx);
              }
              return it->second != ReadLeadingInt(CXmlParserDocument::TextOf(e)) ? &finding::kCountWrong : nullptr;
          });
    std::unordered_map<DomNode*, CAmountRun> amounts;
    check("CtrlSum",
          [&](DomNode* e, DomNode* scope) {
              auto [it, added] = amounts.try_emplace(scope);
              if (added) {
                  parser.SetCurrent(scope);
                  std::vector<DomNode*> elements;
                  parser.FindElements(prefix + "InstdAmt", elements);
                  for (DomNode* a : elements) it->second.Add(ParseAmount(CXmlParserDocument::TextOf(a)));
              }
              const Currency rest = it->second.SubtractFrom(ParseAmount(CXmlParserDocument::TextOf(e)));
              if (!rest.valid) return &finding::kSumTooLarge;
              return rest.units != 0 ? &finding::kSumWrong : nullptr;
          });
    parser.SetCurrent(parser.GetDocument());
}

void CStructureView::CheckMandateRules() {
    CXmlParserDocument& parser = *m_doc.m_parser;
    parser.SetCurrent(parser.GetDocument());
    const std::string prefix = RootPrefix(parser.GetName());
    std::vector<DomNode*> blocks;
    parser.FindElements(prefix + "PmtInf", blocks);
    StartTags mandates(*m_t.text, prefix + "MndtRltdInf");
    for (DomNode* block : blocks) {
        parser.SetCurrent(block);
        std::vector<DomNode*> found;
        parser.FindElements(prefix + "SeqTp", found);
        const std::string seqType = found.empty() ? std::string() : CXmlParserDocument::TextOf(found[0]);
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
            if (start > 0) m_extents->End(start, &childStarts);
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
            for (DomNode* c = CXmlParserDocument::FirstChild(mandate); c; c = CXmlParserDocument::NextSibling(c)) ++index;
            bool details = false;
            std::string detailsText;
            for (DomNode* child = CXmlParserDocument::LastChild(mandate); child;
                 child = CXmlParserDocument::PreviousSibling(child), --index) {
                const std::string name = CXmlParserDocument::NameOf(child);
                if (Contains(name, "DtOfSgntr")) break;
                if (Contains(name, "ElctrncSgntr")) {
                    noteAfter(signature, Format(finding::kElectronicSignature.c_str(), name.c_str()), "", index);
                    continue;
                }
                if (Contains(name, "AmdmntInfDtls")) {
                    details = true;
                    detailsText = Trim(CXmlParserDocument::TextOf(child));
                    parser.SetCurrent(child);
                    if (parser.CountElements(prefix + "OrgnlDbtrAcct") > 0 && parser.CountElements(prefix + "OrgnlDbtrAgt") > 0)
                        noteAfter(original, "Fehler: Es darf nur das Element 'OrgnlDbtrAcct' oder 'OrgnlDbtrAgt' belegt werden!",
                                  "</OrgnlDbtrAgt>");
                    continue;
                }
                if (Contains(name, "AmdmntInd") && IsXsTrue(CXmlParserDocument::TextOf(child))) {
                    if (!details || detailsText.empty())
                        noteAfter(amendment, finding::kMissingAmendmentDetails, "", index);
                    else if (Contains(detailsText, "SMNDA") && seqType != "FRST" && m_doc.m_classification.formatCode < 9)
                        noteAfter(amendment, finding::kSmndaNeedsFirst, "</" + prefix + "OrgnlDbtrAgt>");
                } else if (details) {
                    noteAfter(amendment, finding::kAmendmentDetailsNotAllowed, "", index);
                }
                break;
            }
            for (const auto* list : {&amendment, &signature, &original})
                for (const Noted& n : *list) AppendFinding(n.text, n.line, n.column);
        }
    }
    parser.SetCurrent(parser.GetDocument());
}

}  // namespace valorix
