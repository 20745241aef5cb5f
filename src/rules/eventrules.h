// EventRuleProcessor: the rules of event mode. As the parser's events stream
// by it applies every business rule to the element at hand (counts and sums,
// IBAN, BIC, creditor identifier, dates, names, mandate rules, usage
// guidelines), records findings with the position at the end of their
// element, and drives the display through an event sink. Without a sink and
// without a classification it is the collecting processor of the well-formedness
// pass: root name, namespace and attributes, element counts, prefixes, and the
// local-instrument and service-level codes for format detection.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/blzdirectory.h"
#include "rules/classification.h"
#include "rules/references.h"
#include "rules/values.h"
#include "xml/saxpass.h"

namespace valorix {

class IPrompt;

/// What the rule pass draws into (the structure grid, tree and text page of the
/// view) and how it asks for cancellation. Implemented by the view's logic.
class IEventSink {
public:
    virtual ~IEventSink() = default;
    virtual void OnStartElement(const std::string& qName, const std::vector<std::string>& attrNames,
                                const std::vector<std::string>& attrValues, bool first) = 0;
    virtual void OnCharacters(const std::string& text) = 0;
    /// `root`: the root element ends; its row goes to the grid.
    virtual void OnEndElement(bool root) = 0;
    /// Moves the progress dialog to `count`; true when the user has pressed cancel since the last call.
    virtual bool OnProgress(int count, bool checkCancel) = 0;
    /// The user confirmed the cancel question: the root row goes to the grid.
    virtual void OnCancel() = 0;
    /// Upper end of the progress dialog's range; -1 without a dialog.
    virtual int ProgressUpper() const = 0;
    /// Expands the structure tree's items down to `limit` (the root has depth 0; -1: all).
    virtual void ExpandTree(int limit) = 0;
};

class EventRuleProcessor : public CStdXmlDoc {
public:
    /// Binds the two arrays that receive the root element's attributes.
    EventRuleProcessor(std::vector<std::string>* rootAttrNames, std::vector<std::string>* rootAttrValues);
    /// Binds the rule pass: display sink (may be null), the file's
    /// classification, the tally the rules count into, the prompt for the
    /// cancel question and the SCL directory file.
    void Bind(IEventSink* sink, const Classification* classification, RuleTally* tally, IPrompt* prompt,
              const std::string& sclIniPath);

    bool StartElement(const std::string& localName, const std::string& qName, const std::string& uri,
                      const std::vector<std::string>& attrLocalNames, const std::vector<std::string>& attrValues) override;
    bool Characters(const std::string& text, bool continued) override;
    /// The collecting pass reads only the text of code elements.
    bool WantsCharacters() const override;
    void EndElement(const std::string& localName, const std::string& qName, const std::string& uri) override;

    std::vector<std::string>* m_rootAttrNames;
    std::vector<std::string>* m_rootAttrValues;
    uint32_t m_elementCount = 0;
    std::string m_rootName;
    std::string m_rootUri;
    uint32_t m_prefixedNameCount = 0;
    std::vector<std::string> m_serviceLevelCodes;
    std::vector<std::string> m_localInstrumentCodes;
    std::string m_messageElementName;
    std::string m_rootXmlns;
    int m_creditorIdPlacement = 0;  ///< -1 missing, 1 both levels, 0 neither
    uint32_t m_txInPmtInf = 0, m_txWithCreditorId = 0;

private:
    struct Pos {
        int line = -1, column = 0;
        bool Set() const { return line != -1; }
    };
    struct Level {
        Pos countPos, sumPos;
        int64_t txRemaining = -1;  // 64 bits: counting down from INT32_MIN stays defined
        Currency sum;        // the declared CtrlSum
        CAmountRun amounts;  // the amounts since it
    };
    void FlushText();
    void CharacterRules(const std::string& raw);
    /// The text of an element as its rules read it.
    struct TextContext {
        const std::string& raw;     ///< as written
        std::string name, parent;   ///< qualified names of the element and its parent
        std::string value;          ///< trimmed; the requested dates of the editions after 3.0 unnested
        bool after30;
    };
    /// Whether a rule applies to the file (a payment file, no EMW delivery: always here).
    enum class TextGate { PaymentFile, DirectDebit };
    /// One rule of an element's text: the rows are tried in order; the first
    /// whose test matches applies, and ends the search unless it is no `last`
    /// row. A row whose gate the file does not pass ends the search.
    struct TextRule {
        bool (*applies)(const EventRuleProcessor& processor, const TextContext& text);
        TextGate gate;
        void (EventRuleProcessor::*apply)(const TextContext& text);
        bool last;
    };
    static const TextRule kTextRules[];
    /// Takes an amount off the control sums being checked.
    void SubtractAmount(const std::string& value);
    void AmountRule(const TextContext& text);
    /// An amount or control sum without any text is read as the empty text.
    void EmptyAmountRules(const std::string& qName);
    void LevelRule(const TextContext& text);
    void NameRule(const TextContext& text);
    void EndToEndIdRule(const TextContext& text);
    void PaymentBlockIdRule(const TextContext& text);
    void IbanRule(const TextContext& text);
    void BicRule(const TextContext& text);
    void DateRule(const TextContext& text);
    void AmendmentIndicatorRule(const TextContext& text);
    void SmndaRule(const TextContext& text);
    void SequenceTypeRule(const TextContext& text);
    void AmendmentDetailsRule(const TextContext& text);
    void CreditorIdRule(const TextContext& text);
    void CollectCodes(const std::string& raw);
    bool Gate() const;
    /// What the end of the open element completes: a count or sum whose
    /// position is its end, the amendment indicator, a reference to compare.
    enum class Capture { None, BlockCount, BlockSum, GroupCount, GroupSum, AmendmentIndicator, PaymentBlockId, EndToEndId };
    /// The last finding waits for its position, the end of the open element:
    /// a finding of its text (dropped from waiting by further text), or of its start tag.
    enum class Pending { None, OfText, OfStartTag };
    void Record(const std::string& text, Pending pending);
    void Append(const std::string& text, Pos pos);
    Pos CurrentPos() const;
    void CheckLevel(Level& level);

    IEventSink* m_sink = nullptr;
    const Classification* m_class = nullptr;  // null: the collecting pass

public:
    /// Another processor that sees every element and text of the pass as it
    /// streams by (the slip), or null.
    CProcessXmlDoc* m_alsoTo = nullptr;

private:
    RuleTally* m_tally = nullptr;
    IPrompt* m_prompt = nullptr;
    std::string m_sclIniPath;

    Level m_grp, m_pmt;
    std::string m_seqType;
    int m_amendIndicator = -1;
    Pos m_amendIndicatorPos;
    bool m_amendDetailsSeen = false;
    bool m_blockLevelId = false;
    Pending m_pendingFinding = Pending::None;
    Capture m_capture = Capture::None;
    CReferenceRegister m_references;
    CBankCodePairs m_bankCodes;  // accounts and agents of the current block or transaction
    std::string m_reference;  // the payment block id or end-to-end reference of the open element
    std::string m_text;           // text of the open element, joined from its pieces
    bool m_textPending = false;
    bool m_emptyLeaf = false;  // no text and no child element since the last start tag
    std::vector<bool> m_hasSubRows;  // per open element: attributes or child elements so far
};

}  // namespace valorix
