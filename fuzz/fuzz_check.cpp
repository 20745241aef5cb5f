// libFuzzer target: the whole check of one file's bytes, in tree mode and in
// event mode, and everything the program makes of a check: the JSON line,
// the summary slip as text and as HTML, the browser page, the report to
// share and the history's recording and lookup. The data folder, the SCL
// directory, the bank code lookup file and the history are a folder of its
// own (in memory where the system offers a tmpfs).
//
// Every input must end in a report or in the checker's own exception, within
// the run's time and memory limits, without a sanitizer report; every page
// must be well-formed (fuzz/markup.h), every JSON line must parse, and a
// payment file recorded by the first mode must be found by the second.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/app.h"
#include "app/history.h"
#include "cli/cli.h"
#include "cli/report.h"
#include "core/checkdocument.h"
#include "expect.h"
#include "harness.h"
#include "platform/codepage.h"
#include "platform/prompt.h"
#include "rules/blzdirectory.h"
#include "rules/sclimport.h"
#include "rules/summary.h"
#include "ui/htmlpage.h"
#include "ui/report.h"
#include "ui/viewmodel.h"
#include "xml/nvexception.h"

namespace {

using valorix::fuzz::ExpectWellFormed;
using valorix::fuzz::Fault;
using valorix::fuzz::Markup;

// Names a file may have: they go into the pages' titles, the JSON line and
// the history. An input takes the one its size picks.
const char* const kNames[] = {
    "fuzz.xml",
    "<b>\"Lohn\" & 'Gehalt'</b>.xml",
    "Zeile\neins\r\tzwei\x1b[31m.xml",
    "\xc3\xbc" "berweisung-\xe2\x82\xac.xml",      // UTF-8
    "\xfc" "berweisung-\x80\xff.xml",              // not UTF-8 (a name from the command line)
    "]]>--><!--<![CDATA[.xml",
    "#f0\" id=\"f0.xml",
    "\xef\xbf\xbf\xef\xbf\xbe.xml",  // U+FFFF U+FFFE: UTF-8, but no characters of XML
};
// Inputs between two clearings of the history: it stays small and fast.
constexpr int kHistoryEntries = 32;

struct Setup {
    valorix::AppValues tree, events;
    valorix::CSilentPrompt prompt;
    std::unique_ptr<valorix::CCheckHistory> history;
    int inputs = 0;
};

Setup* g_setup = nullptr;

// The JSON line of a check, as `--json` prints it.
void ExpectJsonLine(const valorix::CheckDocument& doc, const valorix::COutputList& report, const std::string& name,
                    const valorix::FileSummary* slip) {
    std::ostringstream out;
    const std::string file = valorix::Utf8ToCp1252(name);
    valorix::PrintJson(doc, report, file, g_setup->tree.m_strSclStand, out, slip);
    valorix::fuzz::ExpectJsonLine(out.str(), valorix::Cp1252ToUtf8(file), report.Lines().size(), slip != nullptr);
}

// One check of `bytes` in the mode of `app` with all its outputs; returns the
// history's lines for the file's slip (none when it has no payment block).
std::vector<std::string> CheckOnce(valorix::AppValues& app, const std::string& bytes, const std::string& name,
                                   bool& recorded) {
    Setup& s = *g_setup;
    std::istringstream in(bytes);
    valorix::CheckDocument doc(app, s.prompt);
    valorix::CArchive ar{in, valorix::PathText(name)};
    valorix::COutputList report;
    valorix::CTextPageModel text;
    std::vector<std::string> historyLines;
    valorix::CheckHooks hooks;
    hooks.summarize = [&] { return doc.Summary(in); };
    doc.m_readSlipInPass = true;
    hooks.summaryHints = [&](const valorix::FileSummary* slip) -> std::vector<std::string> {
        if (!slip || slip->blocks.empty()) return {};
        recorded = true;
        historyLines = s.history->Record(*slip, "/fuzz/" + name);
        return historyLines;
    };
    std::optional<valorix::FileSummary> summary;
    try {
        summary = valorix::CheckIntoReport(doc, app, s.prompt, ar, report, &text, hooks);
    } catch (const valorix::CNvException&) {
        return historyLines;  // a file that cannot be checked: a message, not a fault
    }
    const valorix::FileSummary* slip = summary && !summary->blocks.empty() ? &*summary : nullptr;
    ExpectJsonLine(doc, report, name, slip);
    if (slip) {
        (void)valorix::SummaryLines(*slip);
        ExpectWellFormed("<div>" + valorix::SummaryHtml(*slip) + "</div>", Markup::Xml, "Begleitzettel");
    }
    // The desktop program's browser page, or its page for a large file.
    valorix::HtmlPageInput input;
    input.text = &text.GetText();
    input.utf8 = doc.m_textIsUtf8;
    input.title = valorix::AsUtf8(name);  // a title is always UTF-8
    input.report = &report;
    input.marks = &text.Marks();
    input.summary = slip;
    if (doc.m_contentLength >= valorix::kLargeFileBytes)
        ExpectWellFormed(valorix::LargeFilePageText(input.title), Markup::Html, "Seite der großen Datei");
    else
        ExpectWellFormed(valorix::HtmlPage(input), Markup::Html, "Browserseite");
    // The report to share, under the name as given.
    const valorix::HtmlReportFacts facts =
        valorix::ReportFacts(bytes, name, doc.m_checkTime, "1.0.0", "01.12.2026",
                             bytes.size() >= valorix::kLargeFileBytes || app.SaxMode());
    input.facts = &facts;
    ExpectWellFormed(valorix::HtmlPage(input), Markup::Xml, "Bericht");
    return historyLines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Everything the check writes stays below one folder of its own.
    const std::string base = valorix::fuzz::ScratchFolder();
    setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    const std::string scl = base + "/NVSCL.INI";
    if (!valorix::ImportSclDirectory(VALORIX_SOURCE_DIR "/tests/fixtures/scl/scl-directory.csv", scl).ok) std::abort();
    // A bank code lookup file, so that the checks pair IBANs with BICs.
    std::filesystem::create_directories(base + "/data");
    if (!valorix::ImportBlzFile(VALORIX_SOURCE_DIR "/tests/fixtures/blz/blz-file.txt", base + "/data/BLZBIC.TXT", "")
             .ok)
        std::abort();
    g_setup = new Setup;
    g_setup->events.ForceSaxMode(true);
    if (!g_setup->tree.Startup(base + "/data", scl) || !g_setup->events.Startup(base + "/data", scl)) std::abort();
    g_setup->history = std::make_unique<valorix::CCheckHistory>(valorix::HistorySettings{base + "/data", 60, 0});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string name = kNames[size % (sizeof kNames / sizeof *kNames)];
    Setup& s = *g_setup;
    if (++s.inputs % kHistoryEntries == 0) {
        std::vector<std::string> listed;
        s.history->List(listed);
        s.history->Clear();
    }
    bool treeRecorded = false, eventsRecorded = false;
    CheckOnce(s.tree, bytes, name, treeRecorded);
    const std::vector<std::string> second = CheckOnce(s.events, bytes, name, eventsRecorded);
    // The same content checked again is a second submission.
    if (treeRecorded && eventsRecorded && s.history->Error().empty() && second.empty())
        Fault("Der Prüfverlauf findet die eben geprüfte Datei nicht", bytes);
    return 0;
}
