#include "rules/eventrules.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/calendar.h"
#include "rules/checkdigits.h"
#include "rules/findings.h"
#include "rules/references.h"

namespace valorix {

namespace {
// "contains at a position after the first character"
bool ContainsAfterFirst(const std::string& s, const char* part) {
    const size_t p = s.find(part);
    return p != std::string::npos && p > 0;
}
}  // namespace

EventRuleProcessor::EventRuleProcessor(std::vector<std::string>* rootAttrNames, std::vector<std::string>* rootAttrValues)
    : m_rootAttrNames(rootAttrNames), m_rootAttrValues(rootAttrValues) {}

void EventRuleProcessor::Bind(IEventSink* sink, const Classification* classification, RuleTally* tally, IPrompt* prompt,
                     const std::string& sclIniPath) {
    m_sink = sink;
    m_class = classification;
    m_tally = tally;
    m_prompt = prompt;
    m_sclIniPath = sclIniPath;
}

EventRuleProcessor::Pos EventRuleProcessor::CurrentPos() const {
    Pos p{0, 0};
    if (m_handler) m_handler->GetPosition(p.column, p.line);
    return p;
}

void EventRuleProcessor::Append(const std::string& text, Pos pos) {
    m_findings.push_back(Finding{text, pos.line, pos.column});
}

// A finding of a start or text event: its position is the end of its element.
void EventRuleProcessor::Record(const std::string& text, Pending pending) {
    Append(text, Pos{0, 0});
    m_pendingFinding = pending;
}

bool EventRuleProcessor::Gate() const { return m_class && m_class->isEmw == 0 && m_class->IsPaymentFile(); }

bool EventRuleProcessor::StartElement(const std::string& localName, const std::string& qName, const std::string& uri,
                             const std::vector<std::string>& attrNames, const std::vector<std::string>& attrValues) {
    FlushText();
    if (m_alsoTo) m_alsoTo->StartElement(localName, qName, uri, attrNames, attrValues);
    if (!m_hasSubRows.empty()) m_hasSubRows.back() = true;
    // A finding still waiting for its position (mixed content) ends here.
    if (m_pendingFinding != Pending::None) {
        const Pos p = CurrentPos();
        m_findings.back().line = p.line;
        m_findings.back().column = p.column;
    }
    // The open elements.
    CStdXmlDoc::StartElement(localName, qName, uri, attrNames, attrValues);
    m_pendingFinding = Pending::None;
    m_hasSubRows.push_back(!attrNames.empty());
    m_emptyLeaf = true;
    const bool collecting = !m_class && !m_sink;
    // The row of the element.
    if (m_sink) m_sink->OnStartElement(qName, attrNames, attrValues, m_elementCount == 0);
    // The message element, and the signature that must not be there.
    if (!collecting && m_elementStack.size() > 1) {
        if (Contains(qName, "GrpHdr")) {
            m_messageElementName = m_elementStack[m_elementStack.size() - 2];
        } else if (Contains(qName, "ElctrncSgntr")) {
            Record(Format(finding::kElectronicSignature.c_str(), qName.c_str()), Pending::OfStartTag);
        }
    }
    if (m_elementCount == 0) {
        // The root: a new file.
        m_references.Clear();
        m_bankCodes.NewScope();
        m_rootName = qName;
        m_rootUri = uri;
        for (size_t i = 0; i < attrNames.size(); ++i) {
            if (m_rootAttrNames && m_rootAttrValues) {
                m_rootAttrNames->push_back(attrNames[i]);
                m_rootAttrValues->push_back(attrValues[i]);
            }
            if (attrNames[i] == "xmlns") m_rootXmlns = attrValues[i];
        }
    } else if (m_class) {
        // A child repeating the root's namespace declaration.
        for (size_t i = 0; i < attrNames.size(); ++i) {
            if (attrNames[i] != "xmlns" || m_tally->xmlnsRepeated) continue;
            if (EndsWithAny(qName, {"Document", "sepade", "conxml"})) continue;
            if (m_rootXmlns.empty()) m_rootXmlns = attrValues[i];
            else if (attrValues[i] == m_rootXmlns) m_tally->xmlnsRepeated = true;
        }
    }
    // A new payment block or transaction.
    if (!collecting) {
        if (EndsWith(qName, "PmtInf")) {
            m_txInPmtInf = m_txWithCreditorId = 0;
            m_references.NewBlock();
            m_bankCodes.NewScope();
        } else if (EndsWith(qName, "DrctDbtTxInf") || EndsWith(qName, "CdtTrfTxInf")) {
            ++m_txInPmtInf;
            m_bankCodes.NewScope();
        }
    }
    // Progress, and the question whether to cancel.
    ++m_elementCount;
    if (m_sink) {
        const bool checkCancel = m_elementCount % 50 == 0;
        if (m_sink->OnProgress(static_cast<int>(m_elementCount), checkCancel) && checkCancel && m_prompt &&
            m_prompt->AskYesNo("Wollen Sie die Verarbeitung abbrechen?")) {
            m_sink->OnCancel();
            throw -1;
        }
    }
    // Prefixed names, for detection.
    if (ContainsAfterFirst(qName, ":")) ++m_prefixedNameCount;
    return true;
}

bool EventRuleProcessor::WantsCharacters() const {
    return m_class || m_sink || (!m_elementStack.empty() && m_elementStack.back() == "Cd");
}

bool EventRuleProcessor::Characters(const std::string& text, bool) {
    if (m_alsoTo) m_alsoTo->Characters(text, false);
    // The pieces of one text are joined and handled once, at the next element event.
    m_text += text;
    m_textPending = true;
    m_emptyLeaf = false;
    return true;
}

void EventRuleProcessor::FlushText() {
    if (!m_textPending) return;
    m_textPending = false;
    std::string raw;
    raw.swap(m_text);
    // Every pass collects the codes detection reads.
    CollectCodes(raw);
    if (!m_class && !m_sink) return;
    CharacterRules(raw);
}

void EventRuleProcessor::CollectCodes(const std::string& raw) {
    if (m_elementStack.empty() || m_elementStack.back() != "Cd") return;
    const std::string path = CurrentPath();
    if (!ContainsAfterFirst(path, "PmtTpInf/")) return;
    if (ContainsAfterFirst(path, "SvcLvl/")) {
        if (m_serviceLevelCodes.empty() || m_serviceLevelCodes.front() != raw) m_serviceLevelCodes.push_back(raw);
    } else if (ContainsAfterFirst(path, "LclInstrm/")) {
        m_localInstrumentCodes.push_back(raw);
    }
}

// The rules of an element's text in event mode, in the order they are tried
// (tree mode's are CTreeRules::kLeafRules).
const EventRuleProcessor::TextRule EventRuleProcessor::kTextRules[] = {
    // test                                                                       gate            rule                           last
    {[](const auto&, const TextContext& t) { return Contains(t.name, "InstdAmt"); },
     TextGate::PaymentFile, &EventRuleProcessor::AmountRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "NbOfTxs") || Contains(t.name, "CtrlSum"); },
     TextGate::PaymentFile, &EventRuleProcessor::LevelRule, true},
    {[](const auto&, const TextContext& t) { return EndsWith(t.name, "Nm"); },
     TextGate::PaymentFile, &EventRuleProcessor::NameRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "EndToEndId"); },
     TextGate::PaymentFile, &EventRuleProcessor::EndToEndIdRule, true},
    {[](const auto&, const TextContext& t) { return LocalName(t.name) == "PmtInfId" && EndsWith(t.parent, "PmtInf"); },
     TextGate::PaymentFile, &EventRuleProcessor::PaymentBlockIdRule, true},
    // The rows after the IBAN's are tried as well.
    {[](const auto&, const TextContext& t) { return EndsWith(t.name, "IBAN") && t.value.size() > 4; },
     TextGate::PaymentFile, &EventRuleProcessor::IbanRule, false},
    {[](const auto&, const TextContext& t) { return EndsWith(t.name, "BIC") || (t.after30 && EndsWith(t.name, "BICFI")); },
     TextGate::PaymentFile, &EventRuleProcessor::BicRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "ReqdExctnDt"); },
     TextGate::PaymentFile, &EventRuleProcessor::DateRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "ReqdColltnDt") || Contains(t.name, "DtOfSgntr"); },
     TextGate::DirectDebit, &EventRuleProcessor::DateRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "AmdmntInd"); },
     TextGate::DirectDebit, &EventRuleProcessor::AmendmentIndicatorRule, true},
    // SMNDA names a change of the debtor's bank in the amendment details.
    {[](const EventRuleProcessor& p, const TextContext& t) {
         return Contains(t.name, "Id") && t.value == "SMNDA" && Contains(p.CurrentPath(), "AmdmntInfDtls");
     },
     TextGate::DirectDebit, &EventRuleProcessor::SmndaRule, true},
    {[](const auto&, const TextContext& t) { return Contains(t.name, "SeqTp"); },
     TextGate::DirectDebit, &EventRuleProcessor::SequenceTypeRule, true},
    {[](const EventRuleProcessor& p, const TextContext&) { return Contains(p.CurrentPath(), "AmdmntInfDtls"); },
     TextGate::DirectDebit, &EventRuleProcessor::AmendmentDetailsRule, true},
    {[](const auto&, const TextContext& t) { return t.name == "Id" || EndsWith(t.name, ":Id"); },
     TextGate::DirectDebit, &EventRuleProcessor::CreditorIdRule, true},
};

void EventRuleProcessor::CharacterRules(const std::string& raw) {
    // Text ends what was waiting for it.
    if (m_pendingFinding != Pending::OfStartTag) m_pendingFinding = Pending::None;
    m_capture = Capture::None;
    if (m_elementStack.empty()) return;
    TextContext text{raw, m_elementStack.back(),
                     m_elementStack.size() > 1 ? m_elementStack[m_elementStack.size() - 2] : std::string(), Trim(raw),
                     m_class && m_class->IsEditionAfter30()};
    if (text.after30) UnnestRequestedDate(text.name, text.parent, text.value);
    const bool hasSubRows = !m_hasSubRows.empty() && m_hasSubRows.back();
    // The text of the row.
    if (m_sink) m_sink->OnCharacters(raw);
    if (hasSubRows) {
        if (Contains(text.name, "InstdAmt")) SubtractAmount(text.value);
        return;
    }
    // Only payment files, and at most one finding per element.
    if (!Gate() || m_pendingFinding != Pending::None) return;
    for (const TextRule& rule : kTextRules) {
        // The rows of direct debits come last: a credit transfer's search ends at the first.
        if (rule.gate == TextGate::DirectDebit && m_class->debitKind == 0) return;
        if (!rule.applies(*this, text)) continue;
        (this->*rule.apply)(text);
        if (rule.last) return;
    }
}

void EventRuleProcessor::SubtractAmount(const std::string& value) {
    if (!m_grp.sumPos.Set() && !m_pmt.sumPos.Set()) return;
    const Currency a = ParseAmount(value);
    if (m_grp.sumPos.Set()) m_grp.amounts.Add(a);
    if (m_pmt.sumPos.Set()) m_pmt.amounts.Add(a);
}

void EventRuleProcessor::AmountRule(const TextContext& text) { SubtractAmount(text.value); }

void EventRuleProcessor::EmptyAmountRules(const std::string& qName) {
    // The first two rows of the text rules, for an element no text event reaches.
    if (!Gate() || m_pendingFinding != Pending::None || m_elementStack.empty()) return;
    if (Contains(qName, "InstdAmt")) {
        SubtractAmount(std::string());
    } else if (Contains(qName, "CtrlSum")) {
        const std::string none;
        LevelRule(TextContext{none, m_elementStack.back(),
                              m_elementStack.size() > 1 ? m_elementStack[m_elementStack.size() - 2] : std::string(),
                              std::string(), false});
    }
}

void EventRuleProcessor::LevelRule(const TextContext& text) {
    const bool group = Contains(text.parent, "GrpHdr");
    Level& level = group ? m_grp : m_pmt;
    if (Contains(text.name, "NbOfTxs")) {
        level.txRemaining = ReadLeadingInt(text.value);
        m_capture = group ? Capture::GroupCount : Capture::BlockCount;
    } else {
        level.sum = ParseAmount(text.value);
        level.amounts = CAmountRun();
        m_capture = group ? Capture::GroupSum : Capture::BlockSum;
    }
}

void EventRuleProcessor::NameRule(const TextContext& text) {
    if (EndsWithAny(text.parent, {"Cdtr", "Dbtr", "InitgPty"}) && !text.raw.empty() && text.value.empty())
        Record(finding::kSpacesOnlyName, Pending::OfText);
}

void EventRuleProcessor::EndToEndIdRule(const TextContext& text) {
    if (text.value.empty() || EqualsNoCase(text.value, "NOTPROVIDED")) {
        if (m_tally->missingRefHints == 0) Record(finding::kMissingReference, Pending::OfText);
        ++m_tally->missingRefHints;
    }
    if (LocalName(text.name) == "EndToEndId") {
        m_reference = text.value;
        m_capture = Capture::EndToEndId;
    }
}

void EventRuleProcessor::PaymentBlockIdRule(const TextContext& text) {
    m_reference = text.value;
    m_capture = Capture::PaymentBlockId;
}

void EventRuleProcessor::IbanRule(const TextContext& text) {
    const int r = CheckIban(text.value);
    if (r <= 0) Record(IbanFindingText(r), Pending::OfText);
    const size_t depth = m_elementStack.size();
    if (depth > 2) {
        // The pair of the account's IBAN and its agent's BIC is judged at its second half.
        const std::string party = CBankCodePairs::PartyOf(m_elementStack[depth - 3]);
        const std::string pair = party.empty() ? std::string() : m_bankCodes.Iban(party, text.value);
        if (!pair.empty()) Record(pair, Pending::OfText);
    }
}

void EventRuleProcessor::BicRule(const TextContext& text) {
    const std::string& value = text.value;
    const size_t depth = m_elementStack.size();
    if ((value.size() == 8 || value.size() == 11) && depth > 3 && Contains(m_elementStack[depth - 2], "FinInstnId")) {
        const bool ownBank = Contains(m_elementStack[depth - 4], "PmtInf");
        const std::string finding = BicFinding(value, ownBank, m_class->debitKind, m_class->austrianVariant, m_sclIniPath,
                                                   &m_tally->sclNotUsed);
        if (!finding.empty()) Record(finding, Pending::OfText);
        const std::string party = CBankCodePairs::PartyOf(m_elementStack[depth - 3]);
        const std::string pair = party.empty() ? std::string() : m_bankCodes.Bic(party, value);
        if (!pair.empty()) Record(pair, Pending::OfText);
    }
}

void EventRuleProcessor::DateRule(const TextContext& text) {
    const std::string finding = DateOrCalendarFinding(text.name, text.value, NowDate());
    if (!finding.empty()) Record(finding, Pending::OfText);
}

void EventRuleProcessor::AmendmentIndicatorRule(const TextContext& text) {
    m_amendIndicator = IsXsTrue(text.value) ? 1 : 0;
    m_capture = Capture::AmendmentIndicator;
}

// A change of the debtor's bank needs a first collection, with a true
// indicator and before the 3.0 edition, as the tree-mode rule reads it.
void EventRuleProcessor::SmndaRule(const TextContext&) {
    m_amendDetailsSeen = true;
    if (m_amendIndicator == 1 && IsBeforeEdition30(m_class->formatCode) && !m_seqType.empty() && m_seqType != "FRST" &&
        m_pendingFinding == Pending::None)
        Record(finding::kSmndaNeedsFirst, Pending::OfText);
}

void EventRuleProcessor::SequenceTypeRule(const TextContext& text) { m_seqType = text.value; }

void EventRuleProcessor::AmendmentDetailsRule(const TextContext&) { m_amendDetailsSeen = true; }

void EventRuleProcessor::CreditorIdRule(const TextContext& text) {
    const std::string path = CurrentPath();
    const size_t creditor = path.find("CdtrSchmeId/");
    const size_t other = path.find("Othr/");
    if (creditor != std::string::npos && other != std::string::npos && other > creditor && m_pendingFinding == Pending::None) {
        std::string message;
        if (!CheckCreditorId(text.value, message)) Record(message, Pending::OfText);
    }
}

void EventRuleProcessor::CheckLevel(Level& level) {
    if (level.countPos.Set() && level.txRemaining != 0) Append(finding::kCountWrong, level.countPos);
    if (level.sumPos.Set()) {
        if (const std::string* finding = SumFinding(level.amounts.SubtractFrom(level.sum)))
            Append(*finding, level.sumPos);
    }
    level.countPos = Pos{};
    level.sumPos = Pos{};
}

void EventRuleProcessor::EndElement(const std::string& localName, const std::string& qName, const std::string& uri) {
    FlushText();
    if (m_emptyLeaf) EmptyAmountRules(qName);
    m_emptyLeaf = false;  // the parent has a child
    if (m_alsoTo) m_alsoTo->EndElement(localName, qName, uri);
    // The open elements.
    CStdXmlDoc::EndElement(localName, qName, uri);
    if (!m_hasSubRows.empty()) m_hasSubRows.pop_back();
    if (!m_class && !m_sink) return;  // the collecting pass
    const bool root = m_elementStack.empty();
    // The end of the element positions what waited for it.
    if (m_pendingFinding != Pending::None || m_capture != Capture::None) {
        const Pos p = CurrentPos();
        if (m_pendingFinding != Pending::None) {
            m_findings.back().line = p.line;
            m_findings.back().column = p.column;
        }
        switch (m_capture) {
            case Capture::BlockCount: m_pmt.countPos = p; break;
            case Capture::BlockSum: m_pmt.sumPos = p; break;
            case Capture::GroupCount: m_grp.countPos = p; break;
            case Capture::GroupSum: m_grp.sumPos = p; break;
            case Capture::AmendmentIndicator: m_amendIndicatorPos = p; break;
            case Capture::PaymentBlockId:
                if (const long first = m_references.PaymentBlockId(m_reference, p.line); first >= 0)
                    Append(DuplicatePaymentBlockIdText(m_reference, static_cast<int>(first)), p);
                break;
            case Capture::EndToEndId:
                if (const long first = m_references.EndToEndId(m_reference, p.line); first >= 0)
                    Append(DuplicateEndToEndIdText(m_reference, static_cast<int>(first)), p);
                break;
            case Capture::None: break;
        }
    }
    m_pendingFinding = Pending::None;
    m_capture = Capture::None;
    // The rules of the element's end: counts and sums of a level, mandate amendments.
    if (Gate()) {
        const bool debit = m_class->debitKind != 0;
        const std::string parent = m_elementStack.empty() ? std::string() : m_elementStack.back();
        if (Contains(qName, "AmdmntInfDtls")) {
            if (debit && m_amendDetailsSeen && m_amendIndicator != 1)
                Append(finding::kAmendmentDetailsNotAllowed,
                       m_amendIndicator == 0 ? m_amendIndicatorPos : CurrentPos());
        } else if (Contains(qName, "DrctDbtTxInf") || Contains(qName, "CdtTrfTxInf")) {
            if (m_grp.countPos.Set()) --m_grp.txRemaining;
            if (m_pmt.countPos.Set()) --m_pmt.txRemaining;
            if (debit && m_amendIndicator == 1 && !m_amendDetailsSeen)
                Append(finding::kMissingAmendmentDetails,
                       m_amendIndicatorPos);
            m_amendDetailsSeen = false;
            m_amendIndicator = -1;
            m_amendIndicatorPos = Pos{};
        } else if (!m_messageElementName.empty() && Contains(qName, m_messageElementName)) {
            CheckLevel(m_grp);
        } else if (EndsWith(qName, "PmtInf")) {
            m_seqType.clear();
            CheckLevel(m_pmt);
            if (debit) {
                const uint32_t n = m_txInPmtInf, t = m_txWithCreditorId;
                // An identifier at block level serves every transaction; with
                // some transactions carrying their own as well, both levels are
                // used. Without one at block level, every transaction needs its own.
                if (m_creditorIdPlacement != -1) {
                    if (m_blockLevelId) {
                        if (t > 0) m_creditorIdPlacement = 1;
                    } else if (t < n || n == 0) {
                        m_creditorIdPlacement = -1;
                    }
                }
                m_blockLevelId = false;
            }
        } else if (EndsWith(qName, "CdtrSchmeId") && debit) {
            if (localName == "CdtrSchmeId") {
                if (m_txInPmtInf != 0) ++m_txWithCreditorId;
                else m_blockLevelId = true;
            }
        } else if ((!EndsWith(qName, "Nm") && EndsWithAny(parent, {"InitgPty", "Cdtr", "Dbtr"})) ||
                   (EndsWith(parent, "RmtInf") && EndsWith(qName, "Strd"))) {
            Append(Format(finding::kGuidelineWarning.c_str(), qName.c_str()), CurrentPos());
        }
    }
    // The row is complete.
    if (m_sink) m_sink->OnEndElement(root);
}

}  // namespace valorix
