// CheckDocument: one check of one file, from its bytes to the verdict. Everything
// the check finds stays in the document: the summary messages (verdict first),
// the findings with line and column, the check state and the classification
// of the file. The front ends read it; the rules write only into the findings
// and the tally they are handed.
#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rules/classification.h"
#include "rules/summary.h"
#include "xml/parsedtree.h"

namespace valorix {

class AppValues;
class IPrompt;
class IEventSink;
class EventRuleProcessor;
struct PrecheckResult;

/// What the framework hands a load: the file's bytes and its path.
struct CArchive {
    std::istream& file;
    std::string path;  ///< as shown in messages (CP1252)
    bool loading = true;
};

/// What a check produces. The front ends read it; the check writes it.
struct CheckResult {
    /// The summary messages (CP1252), the verdict first.
    std::vector<std::string> messages;
    /// The findings with their positions, in the order they were found.
    Findings findings;
    /// -1: nothing loaded; 0: not well-formed; 1: well-formed; 2: validated; 3: and correct.
    int state = -1;
    /// The composed verdict says the file is correct (also: correct but for
    /// unsupported characters); false before a verdict and after a negative one.
    bool verdictPositive = false;
};

class CheckDocument {
public:
    CheckDocument(const AppValues& app, IPrompt& prompt);
    ~CheckDocument();

    const CheckResult& Result() const { return m_result; }
    /// Event mode: what the collecting pass reads for detection.
    struct EventFacts {
        bool wellFormed = false;
        Findings findings;
        std::string root, ns;
        std::vector<std::string> attrNames, attrValues;
        int prefixCount = 0;
        std::vector<std::string> localInstruments, serviceLevels;
        uint32_t elementCount = 0;
    };

    /// A closing message of the summary (CP1252), after the check's own.
    void AddMessage(std::string text) { m_result.messages.push_back(std::move(text)); }

    /// Loading runs the check run; storing does nothing. Throws CNvException
    /// when the parser library fails.
    void Serialize(CArchive& ar);
    /// The slip of the checked file; `file` gives the file's own bytes for
    /// its hash. A file valid against its schema is read from the tree.
    FileSummary Summary(std::istream& file);
    void DeleteContents();
    bool OnNewDocument();
    /// Nothing is ever written into a checked file.
    bool OnSaveDocument(const std::string& path);

    std::vector<std::string> m_rootAttrNames, m_rootAttrValues;  // of the event passes
    std::unique_ptr<ParsedTree> m_parser;
    std::unique_ptr<EventRuleProcessor> m_processor;
    std::string m_content;
    uint32_t m_contentLength = 0;
    std::string m_filePath;
    std::string m_strPathName;  ///< path of the loaded file; empty for a new document
    std::string m_rootNamespace;
    std::string m_schemaPath;
    Classification m_classification;
    RuleTally m_tally;
    /// The subset was chosen automatically: a file the newest one rejects is tried against the older one.
    bool m_subsetFallback = false;
    int m_declPosition = 1;
    /// The parser reads `m_content` as UTF-8 (declared so, or declaring no
    /// encoding): its columns then count characters, not bytes.
    bool m_textIsUtf8 = true;
    uint32_t m_elementCount = 0;
    double m_checkTime = 0;
    /// Event mode: the rule pass is still to run (RunSaxCheck): the load got
    /// as far as it (no early stop) and did not run it itself.
    bool m_saxCheckReady = false;
    /// Event mode without anything to draw (the command line): the load runs
    /// the validating rule pass itself, with the classification that the root
    /// and the first codes suggest, and the collecting pass only when that
    /// pass cannot show the file well-formed or its classification another.
    bool m_oneEventPass = false;
    /// One validating pass served for well-formedness and validity (tree
    /// mode), or for the collecting pass too (event mode, m_oneEventPass).
    bool m_singlePass = false;
    /// Tree mode: the tree was validated without any finding of the parser
    /// (against the newest or the older DK subset).
    bool m_schemaValid = false;
    /// The newest DK subset rejected the file and the older one accepts it,
    /// without any finding: the file is well-formed too.
    bool m_switchedToOlder = false;
    /// Event mode: the rule pass also reads the slip (a front end that will
    /// ask for it sets this before the load); m_passSlip holds it when the
    /// pass showed the file valid, so its values read as the text gives them.
    bool m_readSlipInPass = false;
    std::optional<FileSummary> m_passSlip;
    /// Tree mode tries that one parse first; false: always the parse without
    /// schema, then the validating one (the reference the tests compare with).
    bool m_tryOnePass = true;
    /// The older DK subset's schema already validated against, and the answer.
    std::string m_olderSchemaChecked;
    bool m_olderValid = false;

    /// Event mode: validates the loaded text and applies every rule in one
    /// event pass, drawing through `sink` (may be null). Throws the integer 1
    /// when the user cancelled, CNvException when the pass failed.
    void RunSaxCheck(IEventSink* sink);

    /// The composed verdict goes to the head of the messages; a positive one
    /// raises the check state.
    void BuildVerdict(bool valid, bool onlyCharset, int placement, bool isEmw, const std::string& path,
                      const std::string& edition);

private:
    /// Appends the processor's findings to the document's.
    void CopyProcessorRecords();
    /// True, with schema and edition switched to the older DK subset, when the
    /// subset is chosen automatically and the older one accepts the text.
    bool SwitchToOlderSubset();
    /// The older DK subset's schema a rejected file is tried against; "" when
    /// the subset is pinned or the edition has none.
    std::string OlderSubsetSchema() const;
    void Load(CArchive& ar);
    /// Nothing of an earlier check (or of a guess that did not hold) stays.
    void ResetResult();
    static EventFacts CollectEventFacts(const std::string& text);
    /// Event mode: the one pass of m_oneEventPass; false (the text back in
    /// `pre`, the result reset) when its guess did not hold, with what the
    /// collecting pass read in `collected` when it ran.
    bool CheckInOneEventPass(PrecheckResult& pre, const std::string& path, std::optional<EventFacts>& collected);
    /// Tree mode: the file validated against the schema its root start tag
    /// suggests, before anything else is known.
    struct GuessedParse {
        std::unique_ptr<ParsedTree> root;  ///< the root start tag alone, parsed without schema
        std::unique_ptr<ParsedTree> tree;  ///< the whole file, validated; null: no guess
        std::string schemaFile;
        Findings findings;
        bool valid = false;
        bool clean = false;  ///< no finding at all: well-formed and valid
        /// The older DK subset, validated at the same time on another core
        /// when the newest one is chosen automatically: its schema ("": not
        /// run) and whether the file is valid against it (and so well-formed).
        std::string olderSchema;
        bool olderValid = false;
    };
    GuessedParse ParseWithGuessedSchema(std::string& text) const;
    /// The check from well-formedness on. With `singlePass` the clean guessed
    /// parse stands for both parses; false (the text back in `pre`) when the
    /// file turns out to need another schema. Otherwise a guessed parse of
    /// the schema that detection picks is taken instead of parsing again.
    bool CheckText(PrecheckResult& pre, const std::string& path, GuessedParse* guess, bool singlePass,
                   const EventFacts* facts = nullptr);
    /// Tree mode: the rules over the parsed document, once it is loaded.
    void RunTreeRules();

    const AppValues& m_app;
    IPrompt& m_prompt;
    CheckResult m_result;
};

}  // namespace valorix
