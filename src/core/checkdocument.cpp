#include "core/checkdocument.h"

#include <algorithm>
#include <new>

#include "app/app.h"
#include "core/detect.h"
#include "core/messages.h"
#include "core/precheck.h"
#include "core/verdict.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/checkdigits.h"
#include "rules/findings.h"
#include "rules/blzdirectory.h"
#include "rules/scldirectory.h"
#include "rules/eventrules.h"
#include "rules/treerules.h"
#include "xml/textpage.h"
#include "xml/nvexception.h"
#include "xml/saxpass.h"

namespace valorix {

CheckDocument::CheckDocument(const AppValues& app, IPrompt& prompt) : m_app(app), m_prompt(prompt) {}

CheckDocument::~CheckDocument() = default;

void CheckDocument::DeleteContents() {
    m_content.clear();
    m_result.state = -1;
    m_parser.reset();
    m_result.messages.clear();
    m_result.verdictPositive = false;
    m_result.findings.clear();
}

bool CheckDocument::OnNewDocument() {
    m_strPathName.clear();
    m_parser.reset();
    m_processor.reset();
    m_result.state = -1;
    m_result.verdictPositive = false;
    m_content.clear();
    return true;
}

bool CheckDocument::OnSaveDocument(const std::string&) {
    m_prompt.Message(A("Das Speichern ggfs. geänderter XML Dokumente wird derzeit nicht unterstützt"));
    return false;
}

void CheckDocument::Serialize(CArchive& ar) {
    if (!ar.loading) return;
    m_strPathName = ar.path;
    Load(ar);
    if (!m_app.SaxMode() && m_result.state > 0 && m_parser && m_parser->GetDocument()) RunTreeRules();
}

void CheckDocument::RunTreeRules() {
    CTextPageModel page;
    page.ShareText(m_content);
    CTextPagePositions positions(page, m_textIsUtf8);
    CTreeRules rules(m_classification, m_tally, m_app.m_strSclIniPath, positions, m_result.findings);
    rules.Walk(*m_parser, m_result.state > 1, m_rootNamespace);
}

void CheckDocument::CopyProcessorRecords() {
    const Findings& f = m_processor->m_findings;
    m_result.findings.insert(m_result.findings.end(), f.begin(), f.end());
}

void CheckDocument::RunSaxCheck(IEventSink* sink) {
    // A fresh rule processor for this pass.
    m_processor.reset();
    m_rootAttrNames.clear();
    m_rootAttrValues.clear();
    m_processor = std::make_unique<EventRuleProcessor>(&m_rootAttrNames, &m_rootAttrValues);
    m_processor->Bind(sink, &m_classification, &m_tally, &m_prompt, m_app.m_strSclIniPath);
    m_tally.xmlnsRepeated = 0;
    // Validation and every rule in one event pass.
    if (RunSaxPass(m_content, m_processor.get(), m_schemaPath, m_extraEncodings != 0, true) == -1) throw 1;
    // Hints, and the warnings beyond what a bank accepts, do not make the file fail.
    auto onlyHints = [this] {
        for (const Finding& f : m_processor->m_findings)
            if (!StartsWith(f.text, "Hinweis:") && !finding::IsAdvisory(f.text)) return false;
        return true;
    };
    bool valid = onlyHints();
    const bool schemaFindings = m_processor->m_schemaRecordsEnd > m_processor->m_schemaRecordsBegin;
    if (schemaFindings && SwitchToOlderSubset()) {
        // The newest subset's findings go; the rules' findings stay.
        auto& p = *m_processor;
        const size_t end = std::min(p.m_schemaRecordsEnd, p.m_findings.size());
        const size_t begin = std::min(p.m_schemaRecordsBegin, end);
        p.m_findings.erase(p.m_findings.begin() + static_cast<std::ptrdiff_t>(begin),
                           p.m_findings.begin() + static_cast<std::ptrdiff_t>(end));
        valid = onlyHints();
    }
    CopyProcessorRecords();
    // The structure tree opens as deep as its size allows.
    if (sink) {
        int limit = m_app.ExpandOption() == 1 ? -1 : 4;
        if (sink->ProgressUpper() > 30000) limit = 3;
        sink->ExpandTree(limit);
    }
    // The verdict.
    BuildVerdict(valid, false, m_processor->m_creditorIdPlacement, m_classification.isEmw != 0, m_filePath, m_classification.edition);
}

bool CheckDocument::SwitchToOlderSubset() {
    if (!m_subsetFallback) return false;
    const SchemaChoice older = SelectSchema(m_classification.formatCode, m_classification.debitKind != 0, m_classification.austrianVariant, 4);
    const std::string path = m_app.m_strDataFolder + "/" + older.file;
    if (!IsValidAgainst(m_content, path, m_extraEncodings != 0)) return false;
    m_schemaPath = path;
    m_classification.edition = A(older.edition);
    m_classification.subset = 4;
    m_subsetFallback = false;
    return true;
}

void CheckDocument::BuildVerdict(bool valid, bool onlyCharset, int placement, bool isEmw, const std::string& path,
                               const std::string& edition) {
    VerdictInput in;
    in.valid = valid;
    in.onlyCharset = onlyCharset;
    in.placement = placement;
    in.isEmw = isEmw;
    in.path = path;
    in.edition = edition;
    in.formatCode = m_classification.formatCode;
    in.subtype = m_classification.subtype;
    const Verdict v = ComposeVerdict(in);
    if (v.positive) ++m_result.state;
    m_result.verdictPositive = v.positive;
    m_result.messages.insert(m_result.messages.begin(), v.sentence);
    if (!v.note.empty()) m_result.messages.insert(m_result.messages.begin() + 1, v.note);
}

void CheckDocument::Load(CArchive& ar) {
    // Nothing of an earlier check stays.
    m_result.messages.clear();
    m_result.verdictPositive = false;
    m_classification.subtype = 0;
    m_classification.formatCode = FormatCode::Unknown;
    const std::string path = ar.path;
    m_content.clear();
    m_tally.missingRefHints = 0;
    m_saxCheckReady = false;
    m_classification.subset = 0;
    m_subsetFallback = false;
    m_schemaPath.clear();
    m_classification.edition.clear();
    m_filePath.clear();
    RevisitSclDirectory();  // the directory may have changed since the last check
    RevisitBlzDirectory();
    m_tally.sclNotUsed = SclDirectoryState::Valid;
    // The prechecks: size, encoding, declaration.
    // [OPTION] MAXFILEMB: the largest file checked, in MB
    const int maxMb = m_app.GetOptionInt("MAXFILEMB", 0);
    const unsigned long long maxFileMb = maxMb > 0 ? static_cast<unsigned long long>(maxMb) : kDefaultMaxFileMb;
    PrecheckResult pre = RunPrechecks(ar.file, path, m_result.messages, maxFileMb << 20);
    m_declPosition = pre.declPosition;
    m_textIsUtf8 = EqualsNoCase(pre.declaredEncoding, "UTF-8") || EqualsNoCase(pre.declaredEncoding, "UTF8");
    // A parse of its own for this check.
    m_parser.reset();
    m_processor.reset();
    m_result.findings.clear();
    m_rootNamespace.clear();
    // The mode, and the time the check starts.
    const bool eventMode = m_app.SaxMode();
    m_checkTime = NowDate();

    // Well-formedness.
    DetectInput det;
    std::string judgedEncoding;
    bool wellFormed;
    if (!eventMode) {
        // The text is lent to the parser for the parse.
        m_parser = std::make_unique<ParsedTree>(std::string(), std::string(), pre.extraEncodings);
        m_parser->SwapText(pre.text);
        wellFormed = m_parser->Parse(m_result.findings);
        m_parser->SwapText(pre.text);
        if (wellFormed) {
            m_parser->GetAttributes(det.attrNames, det.attrValues);
            judgedEncoding = m_parser->GetEncoding();
            det.root = m_parser->GetName();
            det.ns = m_parser->GetNamespace();
            m_rootNamespace = det.ns;
        }
    } else {
        m_rootAttrNames.clear();
        m_rootAttrValues.clear();
        m_processor = std::make_unique<EventRuleProcessor>(&m_rootAttrNames, &m_rootAttrValues);
        RunSaxPass(pre.text, m_processor.get(), std::string(), pre.extraEncodings, true);
        wellFormed = m_processor->m_findings.empty();
        CopyProcessorRecords();
        if (wellFormed) {
            m_elementCount = m_processor->m_elementCount;
            det.eventMode = true;
            det.root = m_processor->m_rootName;
            det.ns = m_processor->m_rootUri;
            det.attrNames = m_rootAttrNames;
            det.attrValues = m_rootAttrValues;
            det.prefixCount = static_cast<int>(m_processor->m_prefixedNameCount);
            det.localInstruments = m_processor->m_localInstrumentCodes;
            det.serviceLevels = m_processor->m_serviceLevelCodes;
            judgedEncoding = pre.declaredEncoding;
        }
    }
    // A NUL is no XML character; the text before it has been checked.
    if (pre.nul) {
        m_result.findings.push_back(Finding{msg::kNulByte, pre.nulLine, pre.nulColumn, FindingKind::Fatal});
        wellFormed = false;
    }
    if (!wellFormed) {
        m_result.messages.push_back(Format(msg::kNotWellFormed.c_str(), path.c_str()));
        m_result.state = 0;
        m_content = std::move(pre.text);
        return;
    }
    // Well-formed: the text stays with the document.
    m_result.state = 1;
    m_content = std::move(pre.text);
    m_result.findings.clear();
    // What the declared encoding means for the banks.
    const std::string encodingMessage = EncodingMessage(judgedEncoding);
    if (!encodingMessage.empty()) m_result.messages.push_back(encodingMessage);
    // Format detection.
    det.text = &m_content;
    det.tree = eventMode ? nullptr : m_parser.get();
    m_classification.austrianVariant = 0;
    m_tally.xmlnsRepeated = 0;
    m_classification.debitKind = 0;
    // [OPTION] GBIC 4 or 5 pins the DK subset; otherwise the newest one that accepts the file
    det.subset = m_app.GetOptionInt("GBIC", 0);
    Detection d = DetectFormat(det, m_result.messages);
    m_classification.austrianVariant = d.austrianVariant;
    m_classification.debitKind = d.debitKind;
    if (d.stopped) return;
    m_classification.subtype = d.subtype;
    m_classification.isEmw = d.isEmw;
    m_classification.subset = d.subset;
    m_subsetFallback = d.subset == 5 && det.subset != 5;
    const std::string retired = RetiredEditionHint(d);
    if (!retired.empty()) m_result.messages.push_back(retired);
    const std::string schemaPath = m_app.m_strDataFolder + "/" + d.schemaFile;
    m_extraEncodings = pre.extraEncodings;
    // Several payment blocks cannot be sent directly.
    if (d.directPossible && d.formatCode >= FormatCode::Sepade23 && d.formatCode <= FormatCode::Payment37 &&
        HasSeveralPaymentBlocks(m_content)) {
        d.directPossible = false;
        d.directReason = msg::kReasonSeveralBlocks;
    }
    // Schema validation; in event mode it runs with the rules, in RunSaxCheck.
    if (eventMode) {
        m_schemaPath = schemaPath;
        m_filePath = path;
        m_classification.edition = d.edition;
        m_classification.isEmw = d.isEmw;
        m_contentLength = static_cast<uint32_t>(m_content.size());
        m_processor.reset();
        m_saxCheckReady = true;
        if (!d.directPossible) m_result.messages.push_back(msg::kDirectSending + d.directReason);
        m_classification.formatCode = d.formatCode;
        return;
    }
    std::unique_ptr<ParsedTree> validating;
    try {
        validating = std::make_unique<ParsedTree>(std::string(), schemaPath, pre.extraEncodings);
    } catch (const std::bad_alloc&) {
        validating.reset();
    }
    if (!validating) {
        m_result.messages.push_back(msg::kNoSchemaMemory);
    } else {
        ++m_result.state;
        m_parser = std::move(validating);
        m_parser->SwapText(m_content);  // lent for the parse
        bool valid = m_parser->Parse(m_result.findings);
        m_parser->SwapText(m_content);
        bool onlyCharset = false;
        if (!valid) onlyCharset = RewriteCharsetFindings(m_result.findings);
        m_classification.formatCode = d.formatCode;
        m_classification.edition = d.edition;
        m_schemaPath = schemaPath;
        if (!valid && !onlyCharset && SwitchToOlderSubset()) {
            m_result.findings.clear();  // the tree is the same; only the newest subset's findings go
            valid = true;
        }
        int placement = 0;
        if (m_classification.debitKind != 0 && IsEdition25OrLater(d.formatCode) && (valid || onlyCharset))
            placement = CheckCreditorIdPlacement(*m_parser);
        BuildVerdict(valid, onlyCharset, placement, d.isEmw != 0, path, m_classification.edition);
    }
    // Why the file cannot be sent directly.
    if (!d.directPossible) m_result.messages.push_back(msg::kDirectSending + d.directReason);
    // The classification stays for the report.
    m_classification.formatCode = d.formatCode;
    if (m_schemaPath.empty()) {
        m_classification.edition = d.edition;
        m_schemaPath = schemaPath;
    }
}

}  // namespace valorix
