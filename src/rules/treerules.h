// The business rules of tree mode. The structure view walks the parsed
// document and hands every element to CTreeRules as it meets it: a leaf with
// its value (IBAN, BIC, creditor identifier, dates, names, references, control
// sums), an element with children for the usage-guideline warnings. Once the
// walk is done, the rules of the whole document run over the tree: transaction
// counts and control sums of every level, and the mandate amendment rules of
// every direct debit.
//
// The rules read the tree (element names, parents, texts); where a finding
// stands in the text they ask ITextPositions, which the view implements over
// its text page. Every finding goes into one list of findings, in the order
// the rules find them. The rules of event mode are the same rules applied to
// a stream of events (rules/eventrules.h); where the two differ, the difference
// is visible side by side in the two rule functions.
#pragma once
#include <string>
#include <vector>

#include "rules/blzdirectory.h"
#include "rules/classification.h"
#include "rules/references.h"
#include "xml/elementscan.h"
#include "xml/finding.h"
#include "xml/parsedtree.h"
#include "xml/textcolumns.h"
#include "xml/textpage.h"

namespace valorix {

/// Positions in the checked text, for the findings of tree mode.
class ITextPositions {
public:
    virtual ~ITextPositions() = default;
    /// The next start tag "<name" (whole word, case-sensitive) at or after `from`; -1 when there is none.
    virtual long FindStartTag(const std::string& name, long from) = 0;
    /// The next `tag` (in any case) at or after `from`; -1 when there is none.
    virtual long FindText(const std::string& tag, long from) = 0;
    /// Just after the end of the element whose start tag is at `start`; -1
    /// when it has none. `childStarts` receives its children's start tags.
    virtual long ElementEnd(long start, std::vector<long>* childStarts = nullptr) = 0;
    /// Characters of the element's text content (see CElementExtents::ContentChars).
    virtual long ContentChars(long start) = 0;
    /// Line (1-based) and parser column of a text position.
    virtual void LineColumn(long pos, int& line, int& column) = 0;
};

/// The positions of a text page's text.
class CTextPagePositions : public ITextPositions {
public:
    /// `utf8`: the parser reads the text as UTF-8 (its columns count characters).
    CTextPagePositions(const ITextPage& page, bool utf8);
    long FindStartTag(const std::string& name, long from) override;
    long FindText(const std::string& tag, long from) override;
    long ElementEnd(long start, std::vector<long>* childStarts = nullptr) override;
    long ContentChars(long start) override;
    void LineColumn(long pos, int& line, int& column) override;
    const CTextColumns& Columns() const { return m_columns; }

private:
    const ITextPage& m_page;
    CTextColumns m_columns;
    CElementExtents m_extents;
};

class CTreeRules {
public:
    CTreeRules(const Classification& classification, RuleTally& tally, std::string sclIniPath,
               ITextPositions& positions, Findings& findings);

    /// Walks the whole tree in document order, from its root, and applies
    /// every rule to the elements as it meets them, then the whole-document
    /// rules. `schemaValid`: the file passed its schema (the check state says
    /// so); without it only the usage-guideline warnings and the namespace
    /// test apply. `rootNamespace` is the root's namespace; a child element
    /// repeating it is counted in the tally. Leaves the cursor at the root.
    void Walk(ParsedTree& tree, bool schemaValid, std::string& rootNamespace);
    /// Forgets the references and accounts of an earlier walk.
    void NewWalk();
    /// A leaf element without attributes: its qualified name, its text, its
    /// node and the position of its start tag (0 or less: not found).
    void Leaf(const std::string& name, const std::string& value, DomNode* element, long start);
    /// An element with child elements, their names, and its start tag's position.
    void ElementWithChildren(const std::string& name, const std::vector<std::string>& children, long start);
    /// The whole-document rules, after the walk: counts and sums of a payment
    /// file, the mandate rules of a direct debit. Leaves the cursor at the root.
    void WholeDocument(ParsedTree& parser);

private:
    /// The rules of a leaf look at an element of this name.
    bool Enters(const std::string& name) const;
    /// A leaf of this name may be one the rules look at (its text is read then).
    bool LeafMayApply(const std::string& name) const;
    /// The usage-guideline warnings look at the children of an element of this name.
    static bool GuidelinesApplyTo(const std::string& name);
    /// A leaf as its rules read it.
    struct LeafContext {
        const std::string& elementName;   ///< as written
        const std::string& elementValue;
        std::string name, value;          ///< the requested dates of the editions after 3.0 unnested
        DomNode* element;
        DomNode* parent;
        std::string parentName;
        long start;
    };
    /// Whether a rule applies to the file at all.
    enum class Gate { Always, PaymentFile, DirectDebitPaymentFile };
    /// One rule of a leaf: the first row whose name test matches applies, if
    /// its gate lets it; the rows after it are not tried.
    struct LeafRule {
        bool (*names)(const std::string& name);
        Gate gate;
        void (CTreeRules::*apply)(const LeafContext& leaf);
    };
    static const LeafRule kLeafRules[];
    bool Passes(Gate gate) const;
    void Report(const LeafContext& leaf, const std::string& text);
    /// The account or agent `holder` (DbtrAcct, CdtrAgt, ...) within its block
    /// or transaction: the pair of IBAN and BIC is judged at its second half.
    void PairBankCode(const LeafContext& leaf, DomNode* holder, bool iban);
    void IbanRule(const LeafContext& leaf);
    void NameRule(const LeafContext& leaf);
    void BicRule(const LeafContext& leaf);
    void DecimalsRule(const LeafContext& leaf);
    void EndToEndIdRule(const LeafContext& leaf);
    void PaymentBlockIdRule(const LeafContext& leaf);
    void CreditorIdRule(const LeafContext& leaf);
    void DateRule(const LeafContext& leaf);

    /// A child's namespace declaration that repeats the root's.
    void NamespaceTest(const std::string& elementName, const std::string& attrName, const std::string& value,
                       std::string& rootNamespace);
    void CheckCountsAndSums(ParsedTree& parser);
    void CheckMandateRules(ParsedTree& parser);
    /// The finding of a leaf: at its element's end, or where its end would be.
    void LeafFinding(const std::string& text, const std::string& name, const std::string& value, long start);
    /// Line and column just after the closing tag found at or after `from`; false when there is none.
    bool ClosingTagPosition(const std::string& closingTag, long from, int& line, int& column);
    /// Line and column just after the end of the element whose start tag is
    /// at `start`; false when it has none.
    bool ElementEndPosition(long start, int& line, int& column);
    /// The line a finding of the element whose start tag is at `start` stands on.
    int FindingLine(long start);
    void Append(const std::string& text, int line, int column, FindingKind kind = FindingKind::Error);

    const Classification& m_class;
    RuleTally& m_tally;
    std::string m_sclIniPath;
    ITextPositions& m_positions;
    Findings& m_findings;
    CReferenceRegister m_references;    // payment block ids and end-to-end references seen so far
    DomNode* m_referenceBlock = nullptr;  // the payment block the end-to-end references belong to
    CBankCodePairs m_bankCodes;           // accounts and agents of one block or transaction
    DomNode* m_bankCodeScope = nullptr;   // that block or transaction
};

}  // namespace valorix
