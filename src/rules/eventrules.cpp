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
    // The pieces of one text are joined and handled once, at the next element event.
    m_text += text;
    m_textPending = true;
    return true;
}

void EventRuleProcessor::FlushText() {
    if (!m_textPending) return;
    m_textPending = false;
    std::string raw;
    raw.swap(m_text);
    if (!m_class && !m_sink) {
        CollectCodes(raw);
        return;
    }
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

void EventRuleProcessor::CharacterRules(const std::string& raw) {
    // Text ends what was waiting for it.
    if (m_pendingFinding != Pending::OfStartTag) m_pendingFinding = Pending::None;
    m_capture = Capture::None;
    if (m_elementStack.empty()) return;
    std::string name = m_elementStack.back();
    const std::string parent = m_elementStack.size() > 1 ? m_elementStack[m_elementStack.size() - 2] : std::string();
    std::string value = Trim(raw);
    const bool after30 = m_class && m_class->IsEditionAfter30();
    if (after30) UnnestRequestedDate(name, parent, value);
    const bool hasSubRows = !m_hasSubRows.empty() && m_hasSubRows.back();
    // The text of the row.
    if (m_sink) m_sink->OnCharacters(raw);
    auto amounts = [&] {
        if (!m_grp.sumPos.Set() && !m_pmt.sumPos.Set()) return;
        const Currency a = ParseAmount(value);
        if (m_grp.sumPos.Set()) m_grp.sumRemaining -= a;
        if (m_pmt.sumPos.Set()) m_pmt.sumRemaining -= a;
    };
    if (hasSubRows) {
        if (Contains(name, "InstdAmt")) amounts();
        return;
    }
    // Only payment files, and at most one finding per element.
    if (!Gate() || m_pendingFinding != Pending::None) return;
    // The rules of the element's text.
    if (Contains(name, "InstdAmt")) {
        amounts();
        return;
    }
    if (Contains(name, "NbOfTxs") || Contains(name, "CtrlSum")) {
        const bool group = Contains(parent, "GrpHdr");
        Level& level = group ? m_grp : m_pmt;
        if (Contains(name, "NbOfTxs")) {
            level.txRemaining = ReadLeadingInt(value);
            m_capture = group ? Capture::GroupCount : Capture::BlockCount;
        } else {
            level.sumRemaining = ParseAmount(value);
            m_capture = group ? Capture::GroupSum : Capture::BlockSum;
        }
        return;
    }
    if (EndsWith(name, "Nm")) {
        if (EndsWithAny(parent, {"Cdtr", "Dbtr", "InitgPty"}) && !raw.empty() && value.empty())
            Record(finding::kSpacesOnlyName, Pending::OfText);
        return;
    }
    if (Contains(name, "EndToEndId")) {
        if (value.empty() || EqualsNoCase(value, "NOTPROVIDED")) {
            if (m_tally->missingRefHints == 0) Record(finding::kMissingReference, Pending::OfText);
            ++m_tally->missingRefHints;
        }
        if (LocalName(name) == "EndToEndId") {
            m_reference = value;
            m_capture = Capture::EndToEndId;
        }
        return;
    }
    if (LocalName(name) == "PmtInfId" && EndsWith(parent, "PmtInf")) {
        m_reference = value;
        m_capture = Capture::PaymentBlockId;
        return;
    }
    if (EndsWith(name, "IBAN") && value.size() > 4) {
        const int r = CheckIban(value);
        if (r <= 0) Record(IbanFindingText(r), Pending::OfText);
        const size_t depth = m_elementStack.size();
        if (depth > 2) {
            // The pair of the account's IBAN and its agent's BIC is judged at its second half.
            const std::string party = CBankCodePairs::PartyOf(m_elementStack[depth - 3]);
            const std::string text = party.empty() ? std::string() : m_bankCodes.Iban(party, value);
            if (!text.empty()) Record(text, Pending::OfText);
        }
        // testing goes on with the next rows
    }
    if (EndsWith(name, "BIC") || (after30 && EndsWith(name, "BICFI"))) {
        const size_t depth = m_elementStack.size();
        if ((value.size() == 8 || value.size() == 11) && depth > 3 && Contains(m_elementStack[depth - 2], "FinInstnId")) {
            const bool ownBank = Contains(m_elementStack[depth - 4], "PmtInf");
            const std::string finding =
                BicFinding(value, ownBank, m_class->debitKind, m_class->austrianVariant, m_sclIniPath);
            if (!finding.empty()) Record(finding, Pending::OfText);
            const std::string party = CBankCodePairs::PartyOf(m_elementStack[depth - 3]);
            const std::string text = party.empty() ? std::string() : m_bankCodes.Bic(party, value);
            if (!text.empty()) Record(text, Pending::OfText);
        }
        return;
    }
    if (Contains(name, "ReqdExctnDt")) {
        const std::string finding = DateOrCalendarFinding(name, value, NowDate());
        if (!finding.empty()) Record(finding, Pending::OfText);
        return;
    }
    if (m_class->debitKind == 0) return;
    if (Contains(name, "ReqdColltnDt") || Contains(name, "DtOfSgntr")) {
        const std::string finding = DateOrCalendarFinding(name, value, NowDate());
        if (!finding.empty()) Record(finding, Pending::OfText);
        return;
    }
    if (Contains(name, "AmdmntInd")) {
        m_amendIndicator = IsXsTrue(value) ? 1 : 0;
        m_capture = Capture::AmendmentIndicator;
        return;
    }
    // SMNDA names a change of the debtor's bank in the amendment details; it
    // needs a first collection only with a true indicator and before the 3.0
    // edition, as the tree-mode rule reads it.
    if (Contains(name, "Id") && value == "SMNDA" && Contains(CurrentPath(), "AmdmntInfDtls")) {
        m_amendDetailsSeen = true;
        if (m_amendIndicator == 1 && IsBeforeEdition30(m_class->formatCode) && !m_seqType.empty() && m_seqType != "FRST" &&
            m_pendingFinding == Pending::None)
            Record(finding::kSmndaNeedsFirst, Pending::OfText);
        return;
    }
    if (Contains(name, "SeqTp")) {
        m_seqType = value;
        return;
    }
    const std::string path = CurrentPath();
    if (Contains(path, "AmdmntInfDtls")) {
        m_amendDetailsSeen = true;
        return;
    }
    if ((name == "Id" || EndsWith(name, ":Id"))) {
        const size_t creditor = path.find("CdtrSchmeId/");
        const size_t other = path.find("Othr/");
        if (creditor != std::string::npos && other != std::string::npos && other > creditor && m_pendingFinding == Pending::None) {
            std::string message;
            if (!CheckCreditorId(value, message)) Record(message, Pending::OfText);
        }
    }
}

void EventRuleProcessor::CheckLevel(Level& level) {
    if (level.countPos.Set() && level.txRemaining != 0) Append(finding::kCountWrong, level.countPos);
    if (level.sumPos.Set() && !level.sumRemaining.valid) Append(finding::kSumTooLarge, level.sumPos);
    else if (level.sumPos.Set() && level.sumRemaining.units != 0) Append(finding::kSumWrong, level.sumPos);
    level.countPos = Pos{};
    level.sumPos = Pos{};
}

void EventRuleProcessor::EndElement(const std::string& localName, const std::string& qName, const std::string& uri) {
    FlushText();
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
