#include "core/checkdocument.h"

#include <algorithm>
#include <future>
#include <new>
#include <thread>

#include "app/app.h"
#include "core/detect.h"
#include "core/messages.h"
#include "core/precheck.h"
#include "core/verdict.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/sha256.h"
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

namespace {

// The parser reported nothing in the pass (the rules' findings aside): the
// file is well-formed and valid.
bool ParserSilent(const EventRuleProcessor& p) {
    if (p.m_schemaRecordsEnd != p.m_schemaRecordsBegin) return false;
    for (const Finding& f : p.m_findings)
        if (f.kind != FindingKind::Error && f.kind != FindingKind::Warning) return false;
    return true;
}

}  // namespace

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

FileSummary CheckDocument::Summary(std::istream& file) {
    file.clear();
    file.seekg(0);
    if (m_passSlip) {
        FileSummary slip = *m_passSlip;
        slip.sha256 = Sha256Hex(file);
        return slip;
    }
    if (m_parser && m_schemaValid && m_result.state >= 2) return SummarizeTree(*m_parser, file);
    return Summarize(m_content, file);
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
    m_passSlip.reset();
    FileSummary slip;
    std::unique_ptr<CProcessXmlDoc> slipReader;
    if (m_readSlipInPass) {
        slipReader = SummaryReader(slip);
        m_processor->m_alsoTo = slipReader.get();
    }
    // The older DK subset on a second core meanwhile, for a file the newest rejects.
    std::future<bool> older;
    const std::string olderSchema = OlderSubsetSchema();
    if (!olderSchema.empty() && olderSchema != m_olderSchemaChecked && m_app.m_spareCore &&
        std::thread::hardware_concurrency() > 1)
        older = std::async(std::launch::async,
                           [this, olderSchema] { return IsValidAgainst(m_content, olderSchema); });
    // Validation and every rule in one event pass.
    int passed;
    try {
        passed = RunSaxPass(m_content, m_processor.get(), m_schemaPath, true);
    } catch (...) {
        if (older.valid()) older.wait();
        throw;
    }
    if (older.valid()) {
        m_olderValid = older.get();
        m_olderSchemaChecked = olderSchema;
    }
    if (passed == -1) throw 1;
    // Hints, and the warnings beyond what a bank accepts, do not make the file fail.
    auto onlyHints = [this] {
        for (const Finding& f : m_processor->m_findings)
            if (!StartsWith(f.text, "Hinweis:") && !finding::IsAdvisory(f.text)) return false;
        return true;
    };
    bool valid = onlyHints();
    const bool schemaFindings = m_processor->m_schemaRecordsEnd > m_processor->m_schemaRecordsBegin;
    m_processor->m_alsoTo = nullptr;
    const bool parserSilent = ParserSilent(*m_processor);
    if (schemaFindings && SwitchToOlderSubset()) {
        // The newest subset's findings go; the rules' findings stay.
        auto& p = *m_processor;
        const size_t end = std::min(p.m_schemaRecordsEnd, p.m_findings.size());
        const size_t begin = std::min(p.m_schemaRecordsBegin, end);
        p.m_findings.erase(p.m_findings.begin() + static_cast<std::ptrdiff_t>(begin),
                           p.m_findings.begin() + static_cast<std::ptrdiff_t>(end));
        valid = onlyHints();
    }
    if (slipReader && (parserSilent || m_switchedToOlder)) m_passSlip = std::move(slip);
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

std::string CheckDocument::OlderSubsetSchema() const {
    if (!m_subsetFallback) return {};
    return m_app.m_strDataFolder + "/" +
           SelectSchema(m_classification.formatCode, m_classification.debitKind != 0,
                        m_classification.austrianVariant, 4).file;
}

bool CheckDocument::SwitchToOlderSubset() {
    const std::string path = OlderSubsetSchema();
    if (path.empty()) return false;
    if (!(path == m_olderSchemaChecked ? m_olderValid : IsValidAgainst(m_content, path))) return false;
    m_switchedToOlder = true;
    m_schemaPath = path;
    m_classification.edition = A(SelectSchema(m_classification.formatCode, m_classification.debitKind != 0,
                                              m_classification.austrianVariant, 4).edition);
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

void CheckDocument::ResetResult() {
    m_singlePass = false;
    m_schemaValid = false;
    m_switchedToOlder = false;
    m_passSlip.reset();
    m_olderSchemaChecked.clear();
    m_elementCount = 0;
    m_result.messages.clear();
    m_result.verdictPositive = false;
    m_classification.subtype = 0;
    m_classification.formatCode = FormatCode::Unknown;
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
    m_result.findings.clear();
    m_result.state = -1;
    m_tally.xmlnsRepeated = 0;
}

void CheckDocument::Load(CArchive& ar) {
    ResetResult();
    const std::string path = ar.path;
    // The prechecks: size, encoding, declaration.
    // [OPTION] MAXFILEMB: the largest file checked, in MB
    PrecheckResult pre = RunPrechecks(ar.file, path, m_result.messages, MaxFileBytes(m_app.GetOptionInt("MAXFILEMB", 0)));
    m_declPosition = pre.declPosition;
    m_textIsUtf8 = EqualsNoCase(pre.declaredEncoding, "UTF-8") || EqualsNoCase(pre.declaredEncoding, "UTF8");
    // One validating pass where the guess of schema and classification holds
    // (event mode: where nothing draws the rows); otherwise the file is
    // checked as without the guess, from the same start.
    const std::vector<std::string> precheckMessages = m_result.messages;
    std::optional<EventFacts> collected;  // a collecting pass that ran already
    if (m_oneEventPass && m_app.SaxMode() && !pre.nul) {
        if (CheckInOneEventPass(pre, path, collected)) return;
        m_result.messages = precheckMessages;
    }
    GuessedParse guess;
    if (m_tryOnePass && !m_app.SaxMode() && !pre.nul) guess = ParseWithGuessedSchema(pre.text);
    m_olderSchemaChecked = guess.olderSchema;
    m_olderValid = guess.olderValid;
    // Without any finding against either subset the file is well-formed.
    m_singlePass = (guess.clean || guess.olderValid) && CheckText(pre, path, &guess, true);
    if (m_singlePass) return;
    m_result.messages = precheckMessages;
    CheckText(pre, path, guess.tree ? &guess : nullptr, false, collected ? &*collected : nullptr);
}

CheckDocument::GuessedParse CheckDocument::ParseWithGuessedSchema(std::string& text) const {
    GuessedParse guess;
    // The root as the well-formedness parse gives it, from its start tag alone.
    const std::string rootOnly = RootStartTagDocument(text);
    if (rootOnly.empty()) return guess;
    auto root = std::make_unique<ParsedTree>(rootOnly, std::string());
    Findings findings;
    if (!root->Parse(findings) || !root->GetDocument()) return guess;
    DetectInput det;
    root->GetAttributes(det.attrNames, det.attrValues);
    det.root = root->GetName();
    det.ns = root->GetNamespace();
    det.text = &text;
    det.tree = root.get();
    det.subset = m_app.GetOptionInt("GBIC", 0);
    std::vector<std::string> unused;
    const Detection d = DetectFormat(det, unused);
    if (d.stopped || d.schemaFile.empty()) return guess;
    // A file the newest DK subset rejects is tried against the older one: on
    // a second core that runs meanwhile, so that the answer is there at once.
    std::future<bool> older;
    if (d.subset == 5 && det.subset != 5 && m_app.m_spareCore && std::thread::hardware_concurrency() > 1) {
        guess.olderSchema = m_app.m_strDataFolder + "/" + SelectSchema(d.formatCode, d.debitKind != 0,
                                                                       d.austrianVariant, 4).file;
        older = std::async(std::launch::async,
                           [&text, schema = guess.olderSchema] { return IsValidAgainst(text, schema); });
    }
    auto tree = std::make_unique<ParsedTree>(std::string(), m_app.m_strDataFolder + "/" + d.schemaFile);
    try {
        guess.valid = tree->Parse(text, guess.findings);  // the text is only read, by both
    } catch (...) {
        if (older.valid()) older.wait();
        throw;
    }
    if (older.valid()) guess.olderValid = older.get();
    // Without any finding the file is well-formed, and the parse without a
    // schema would have found nothing either: it reports a subset of these.
    guess.clean = guess.findings.empty() && tree->GetDocument();
    guess.root = std::move(root);
    guess.tree = std::move(tree);
    guess.schemaFile = d.schemaFile;
    return guess;
}

namespace {

// Detection's input from what an event pass read.
DetectInput EventDetectInput(const CheckDocument::EventFacts& facts) {
    DetectInput det;
    det.eventMode = true;
    det.root = facts.root;
    det.ns = facts.ns;
    det.attrNames = facts.attrNames;
    det.attrValues = facts.attrValues;
    det.prefixCount = facts.prefixCount;
    det.localInstruments = facts.localInstruments;
    det.serviceLevels = facts.serviceLevels;
    return det;
}

// The text of the first <Cd> inside the first <name> of a payment type, or
// "" (a guess: prefixed names and the like are left to the real reading).
std::string FirstCode(const std::string& text, const std::string& name) {
    const size_t open = text.find("<" + name + ">");
    if (open == std::string::npos) return {};
    const size_t end = text.find("</" + name + ">", open);
    const size_t cd = text.find("<Cd>", open);
    if (end == std::string::npos || cd == std::string::npos || cd > end) return {};
    const size_t cdEnd = text.find("</Cd>", cd);
    return cdEnd == std::string::npos || cdEnd > end ? std::string() : text.substr(cd + 4, cdEnd - cd - 4);
}

bool SameDetection(const Detection& a, const Detection& b) {
    return a.stopped == b.stopped && a.formatCode == b.formatCode && a.debitKind == b.debitKind &&
           a.austrianVariant == b.austrianVariant && a.subtype == b.subtype && a.isEmw == b.isEmw &&
           a.xmlnsRepeated == b.xmlnsRepeated && a.subset == b.subset && a.row == b.row &&
           a.schemaFile == b.schemaFile && a.edition == b.edition && a.expectedNamespace == b.expectedNamespace &&
           a.fileNamespace == b.fileNamespace && a.directPossible == b.directPossible &&
           a.directReason == b.directReason;
}

}  // namespace

CheckDocument::EventFacts CheckDocument::CollectEventFacts(const std::string& text) {
    EventFacts facts;
    EventRuleProcessor collecting(&facts.attrNames, &facts.attrValues);
    RunSaxPass(text, &collecting, std::string(), true);
    facts.wellFormed = collecting.m_findings.empty();
    facts.findings = std::move(collecting.m_findings);
    facts.root = collecting.m_rootName;
    facts.ns = collecting.m_rootUri;
    facts.prefixCount = static_cast<int>(collecting.m_prefixedNameCount);
    facts.localInstruments = std::move(collecting.m_localInstrumentCodes);
    facts.serviceLevels = std::move(collecting.m_serviceLevelCodes);
    facts.elementCount = collecting.m_elementCount;
    return facts;
}

bool CheckDocument::CheckInOneEventPass(PrecheckResult& pre, const std::string& path,
                                        std::optional<EventFacts>& collected) {
    // The root as the collecting pass reads it, from its start tag alone,
    // and the codes of the first payment block as the guess of the rest.
    const std::string rootOnly = RootStartTagDocument(pre.text);
    if (rootOnly.empty()) return false;
    EventFacts guessed = CollectEventFacts(rootOnly);
    if (!guessed.wellFormed) return false;
    const std::string instrument = FirstCode(pre.text, "LclInstrm"), level = FirstCode(pre.text, "SvcLvl");
    if (!instrument.empty()) guessed.localInstruments.push_back(instrument);
    if (!level.empty()) guessed.serviceLevels.push_back(level);
    bool held = false;
    try {
        CheckText(pre, path, nullptr, false, &guessed);
        if (m_saxCheckReady) {
            RunSaxCheck(nullptr);
            // What the pass read, as the collecting pass would have read it:
            // the root from its start tag, the rest from the pass. A pass
            // without any finding of the parser shows the file well-formed;
            // otherwise the collecting pass must tell.
            const EventRuleProcessor& p = *m_processor;
            EventFacts read;
            if (ParserSilent(p) || m_switchedToOlder) {
                read = guessed;
                read.prefixCount = static_cast<int>(p.m_prefixedNameCount);
                read.localInstruments = p.m_localInstrumentCodes;
                read.serviceLevels = p.m_serviceLevelCodes;
                read.elementCount = p.m_elementCount;
            } else {
                read = CollectEventFacts(m_content);
                collected = read;
            }
            if (read.wellFormed) {
                DetectInput asGuessed = EventDetectInput(guessed), asRead = EventDetectInput(read);
                asGuessed.text = asRead.text = &m_content;
                asGuessed.subset = asRead.subset = m_app.GetOptionInt("GBIC", 0);
                std::vector<std::string> guessedMessages, readMessages;
                const Detection a = DetectFormat(asGuessed, guessedMessages), b = DetectFormat(asRead, readMessages);
                held = SameDetection(a, b) && guessedMessages == readMessages;
                m_elementCount = read.elementCount;
            }
        }
    } catch (const CNvException&) {
        held = false;  // the usual passes say what failed
    }
    if (held) {
        m_saxCheckReady = false;  // the rule pass has run
        m_singlePass = true;
        return true;
    }
    // Back to the start: the text, and nothing of the guess (the caller puts
    // the prechecks' messages back).
    if (!m_content.empty()) pre.text = std::move(m_content);
    m_processor.reset();
    ResetResult();
    return false;
}

bool CheckDocument::CheckText(PrecheckResult& pre, const std::string& path, GuessedParse* guess, bool singlePass,
                              const EventFacts* facts) {
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
        if (singlePass) {
            // The clean validating parse has shown the file well-formed.
            m_parser = std::move(guess->root);
            wellFormed = true;
        } else {
            // The text is lent to the parser for the parse.
            m_parser = std::make_unique<ParsedTree>(std::string(), std::string());
            m_parser->SwapText(pre.text);
            wellFormed = m_parser->Parse(m_result.findings);
            m_parser->SwapText(pre.text);
        }
        if (wellFormed) {
            m_parser->GetAttributes(det.attrNames, det.attrValues);
            judgedEncoding = m_parser->GetEncoding();
            det.root = m_parser->GetName();
            det.ns = m_parser->GetNamespace();
            m_rootNamespace = det.ns;
        }
    } else {
        EventFacts collected;
        if (!facts) {
            collected = CollectEventFacts(pre.text);
            facts = &collected;
        }
        m_rootAttrNames = facts->attrNames;
        m_rootAttrValues = facts->attrValues;
        m_result.findings = facts->findings;
        wellFormed = facts->wellFormed;
        if (wellFormed) {
            m_elementCount = facts->elementCount;
            det = EventDetectInput(*facts);
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
        return true;
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
    det.tree = eventMode ? nullptr : singlePass ? guess->tree.get() : m_parser.get();
    m_classification.austrianVariant = 0;
    m_tally.xmlnsRepeated = 0;
    m_classification.debitKind = 0;
    // [OPTION] GBIC 4 or 5 pins the DK subset; otherwise the newest one that accepts the file
    det.subset = m_app.GetOptionInt("GBIC", 0);
    Detection d = DetectFormat(det, m_result.messages);
    m_classification.austrianVariant = d.austrianVariant;
    m_classification.debitKind = d.debitKind;
    if (singlePass && (d.stopped || d.schemaFile != guess->schemaFile)) {
        pre.text = std::move(m_content);  // the guess did not hold: back to the start
        return false;
    }
    if (d.stopped) return true;
    m_classification.subtype = d.subtype;
    m_classification.isEmw = d.isEmw;
    m_classification.subset = d.subset;
    m_subsetFallback = d.subset == 5 && det.subset != 5;
    const std::string retired = RetiredEditionHint(d);
    if (!retired.empty()) m_result.messages.push_back(retired);
    const std::string schemaPath = m_app.m_strDataFolder + "/" + d.schemaFile;
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
        return true;
    }
    // The parse with the guessed schema serves when the schema is this one.
    const bool guessHolds = guess && guess->tree && d.schemaFile == guess->schemaFile;
    std::unique_ptr<ParsedTree> validating;
    if (guessHolds) {
        validating = std::move(guess->tree);
    } else {
        if (guess) guess->tree.reset();  // of another schema
        try {
            validating = std::make_unique<ParsedTree>(std::string(), schemaPath);
        } catch (const std::bad_alloc&) {
            validating.reset();
        }
    }
    if (!validating) {
        m_result.messages.push_back(msg::kNoSchemaMemory);
    } else {
        ++m_result.state;
        m_parser = std::move(validating);
        bool valid;
        if (guessHolds) {
            valid = guess->valid;
            m_result.findings = std::move(guess->findings);
        } else {
            m_parser->SwapText(m_content);  // lent for the parse
            valid = m_parser->Parse(m_result.findings);
            m_parser->SwapText(m_content);
        }
        bool onlyCharset = false;
        if (!valid) onlyCharset = RewriteCharsetFindings(m_result.findings);
        m_classification.formatCode = d.formatCode;
        m_classification.edition = d.edition;
        m_schemaPath = schemaPath;
        if (!valid && !onlyCharset && SwitchToOlderSubset()) {
            m_result.findings.clear();  // the tree is the same; only the newest subset's findings go
            valid = true;
        }
        m_schemaValid = valid;
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
    return true;
}

}  // namespace valorix
