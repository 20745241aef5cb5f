#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <thread>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "app/app.h"
#include "app/history.h"
#include "app/schemastore.h"
#include "cli/batch.h"
#include "cli/report.h"
#include "core/messages.h"
#include "core/precheck.h"
#include "core/checkdocument.h"
#include "online/help.h"
#include "online/onlinecheck.h"
#include "online/version.h"
#include "platform/codepage.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/blzdirectory.h"
#include "rules/sclimport.h"
#include "ui/htmlpage.h"
#include "rules/summary.h"
#include "ui/checkreport.h"
#include "xml/textpage.h"
#include "xml/nvexception.h"
#include "xml/xercessession.h"

namespace valorix {
namespace {

const char* const kUsage =
    "Aufruf: valorix-check [--sax] [--json] [--data-dir ORDNER] [--scl DATEI] [--recursive] [-j N] DATEI|ORDNER|-...\n"
    "        valorix-check [--sax] [--json] --html BERICHT DATEI|-\n"
    "        valorix-check [--data-dir ORDNER] --import-scl SCL-DATEI [ZIELDATEI]\n"
    "        valorix-check [--data-dir ORDNER] [--valid-from TT.MM.JJJJ] --import-blz BLZ-DATEI [ZIELDATEI]\n"
    "        valorix-check [--json] [--data-dir ORDNER] --update-scl\n"
    "        valorix-check --publish-scl SCL-DATEI AUSGABEORDNER [--program-version V --update-url URL]\n"
    "        valorix-check [--data-dir ORDNER] --history | --clear-history\n"
    "        valorix-check --help | --version\n";

// --help: the usage lines, then one line per option.
const char* const kOptionHelp =
    "\n"
    "Prüft SEPA XML Dateien und gibt je Datei die Zeilen des Ausgabefensters aus.\n"
    "\n"
    "Optionen:\n"
    "  -h, --help             diese Hilfe ausgeben\n"
    "  --version              Programmversion, Stand des SCL Verzeichnisses und Version des Schemasatzes ausgeben\n"
    "  --sax                  im Ereignismodus (SAX) prüfen, wie bei großen Dateien\n"
    "  --json                 je Datei ein JSON Objekt auf einer Zeile ausgeben\n"
    "  --html DATEI           einen Prüfbericht der (einen) geprüften Datei als HTML Datei schreiben\n"
    "  --summary              nach dem Bericht einer Zahlungsdatei den Begleitzettel ausgeben\n"
    "  --recursive            bei einem Ordner alle Dateien *.xml darunter in sortierter Reihenfolge prüfen\n"
    "  -j, --jobs N           N Dateien zugleich prüfen (Vorgabe: die Zahl der Prozessorkerne); die Ausgabe\n"
    "                         bleibt die eines Laufs nach dem anderen, in der Reihenfolge der Dateien\n"
    "  --name NAME            Name der von der Standardeingabe (-) gelesenen Datei im Bericht\n"
    "  --data-dir ORDNER      Datenordner (Schemas, XSDVERS.INI, NVSCL.INI)\n"
    "  --scl DATEI            SCL Verzeichnis für die BIC Prüfung\n"
    "  --import-scl           SCL-DATEI der Bundesbank in das SCL Verzeichnis umsetzen (ZIELDATEI, sonst NVSCL.INI im Datenordner)\n"
    "  --import-blz           BLZ-DATEI (Bankleitzahlendatei der Bundesbank) für den Abgleich von IBAN und BIC\n"
    "                         umsetzen (ZIELDATEI, sonst BLZBIC.TXT im Datenordner)\n"
    "  --valid-from DATUM     mit --import-blz: gültig ab TT.MM.JJJJ (sonst das Änderungsdatum der BLZ-DATEI)\n"
    "  --update-scl           neueres SCL Verzeichnis vom Aktualisierungsserver laden\n"
    "  --publish-scl          Statusseite und SCL Verzeichnis für einen Aktualisierungsserver schreiben\n"
    "  --program-version V    mit --publish-scl: angekündigte Programmversion\n"
    "  --update-url URL       mit --publish-scl: Adresse der neuen Programmversion\n"
    "  --no-history           die geprüften Dateien diesmal nicht mit dem Prüfverlauf vergleichen und nicht eintragen\n"
    "  --history-days N       Einträge des Prüfverlaufs nach N Tagen vergessen (N ab 1, Vorgabe 60)\n"
    "  --history              den Prüfverlauf (geprüfte Zahlungsdateien) ausgeben\n"
    "  --clear-history        den Prüfverlauf löschen\n"
    "\n"
    "Statt einer DATEI liest - die Datei von der Standardeingabe.\n"
    "Rückgabewert: 0 alle Dateien korrekt, 1 eine Datei nicht korrekt, 2 Aufruffehler oder eine Datei nicht lesbar.\n";

// Messages go to stderr; questions are answered with No.
class CStderrPrompt : public IPrompt {
public:
    explicit CStderrPrompt(std::ostream& err) : m_err(err) {}
    void Message(const std::string& text) override { m_err << Cp1252ToUtf8(text) << '\n'; }
    bool AskYesNo(const std::string& text) override {
        Message(text);
        return false;
    }
    bool AskCredentials(const std::string&, std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }

private:
    std::ostream& m_err;
};

struct Options {
    bool help = false;
    bool version = false;
    bool recursive = false;
    std::optional<std::string> name;
    bool sax = false;
    bool json = false;
    bool summary = false;
    bool importScl = false;
    bool importBlz = false;
    std::optional<std::string> validFrom;
    bool updateScl = false;
    bool publishScl = false;
    bool noHistory = false;
    bool listHistory = false;
    bool clearHistory = false;
    int historyDays = 60;
    unsigned jobs = 0;  // 0: one per core
    std::optional<std::string> historyDaysText, jobsText;  // as typed, read after the parse
    std::optional<std::string> programVersion;
    std::optional<std::string> updateUrl;
    std::optional<std::string> dataDir;
    std::optional<std::string> scl;
    std::optional<std::string> html;
    std::vector<std::string> files;
};

// A number written in decimal digits alone (an optional sign), or none.
std::optional<long long> WholeNumber(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const char* begin = text.data() + (!text.empty() && text[0] == '+');
    const auto [at, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || at != end) return std::nullopt;
    return value;
}

// Parses the arguments; returns false (after printing why) on a usage error.
bool ParseArgs(const std::vector<std::string>& args, Options& o, std::ostream& err) {
    CLI::App cli("valorix-check", "valorix-check");
    cli.set_help_flag();  // --help prints the German text below
    cli.allow_extras();   // unknown options are named in German after the parse
    cli.allow_windows_style_options(false);  // "/..." is a path on every system
    for (auto [name, flag] :
         {std::pair{"-h,--help", &o.help}, std::pair{"--version", &o.version}, std::pair{"--recursive", &o.recursive},
          std::pair{"--sax", &o.sax}, std::pair{"--json", &o.json}, std::pair{"--summary", &o.summary},
          std::pair{"--import-scl", &o.importScl}, std::pair{"--import-blz", &o.importBlz},
          std::pair{"--update-scl", &o.updateScl}, std::pair{"--publish-scl", &o.publishScl},
          std::pair{"--no-history", &o.noHistory}, std::pair{"--history", &o.listHistory},
          std::pair{"--clear-history", &o.clearHistory}})
        cli.add_flag(name, *flag);
    for (auto [name, value] : {std::pair{"--history-days", &o.historyDaysText}, std::pair{"-j,--jobs", &o.jobsText},
                               std::pair{"--data-dir", &o.dataDir}, std::pair{"--scl", &o.scl},
                               std::pair{"--name", &o.name}, std::pair{"--html", &o.html},
                               std::pair{"--program-version", &o.programVersion},
                               std::pair{"--update-url", &o.updateUrl},
                               std::pair{"--valid-from", &o.validFrom}})
        cli.add_option(name, *value)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    cli.add_option("files", o.files);
    try {
        cli.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them last first
    } catch (const CLI::ArgumentMismatch& e) {
        // "--data-dir: 1 required TEXT missing": an option without its value
        const std::string what = e.what();
        err << "valorix-check: " << what.substr(0, what.find(':')) << " braucht einen Wert\n" << kUsage;
        return false;
    } catch (const CLI::ParseError&) {
        err << kUsage;
        return false;
    }
    for (const std::string& extra : cli.remaining()) {
        if (extra == "--") continue;
        err << "valorix-check: unbekannte Option '" << extra << "'\n" << kUsage;
        return false;
    }
    if (o.help || o.version) return true;
    // A value out of range is named, then the usage follows.
    if (o.jobsText) {
        const std::optional<long long> jobs = WholeNumber(*o.jobsText);
        if (!jobs || *jobs < 1 || *jobs > 256) {
            err << "valorix-check: -j braucht eine Zahl von 1 bis 256, nicht '" << VisibleControls(*o.jobsText) << "'\n"
                << kUsage;
            return false;
        }
        o.jobs = static_cast<unsigned>(*jobs);
    }
    if (o.historyDaysText) {
        // 0 would forget every entry at once: the shortest memory is one day.
        const std::optional<long long> days = WholeNumber(*o.historyDaysText);
        if (!days || *days < 1 || *days > std::numeric_limits<int>::max()) {
            err << "valorix-check: --history-days braucht eine Zahl ab 1, nicht '" << VisibleControls(*o.historyDaysText)
                << "'\n" << kUsage;
            return false;
        }
        o.historyDays = static_cast<int>(*days);
    }
    if (o.name && o.name->empty()) {
        err << "valorix-check: --name braucht einen Namen, nicht ''\n" << kUsage;
        return false;
    }
    const int modes = o.importScl + o.importBlz + o.updateScl + o.publishScl + o.listHistory + o.clearHistory;
    const bool historyMode = o.listHistory || o.clearHistory;
    const long stdinCount = std::count(o.files.begin(), o.files.end(), std::string("-"));
    const bool checking = modes == 0;
    const bool usage = modes > 1 || (!checking && (o.recursive || o.name || o.html)) ||
                       (o.html && (o.files.size() != 1 || o.recursive || o.html->empty())) ||
                       (checking && (stdinCount > 1 || (o.name && stdinCount == 0))) ||
                       ((o.updateScl || historyMode) && !o.files.empty()) ||
                       (o.publishScl && (o.files.size() != 2 || o.programVersion.has_value() != o.updateUrl.has_value())) ||
                       (!o.publishScl && (o.programVersion || o.updateUrl)) ||
                       (!o.updateScl && !historyMode && o.files.empty()) ||
                       ((o.importScl || o.importBlz) && o.files.size() > 2) || (o.validFrom && !o.importBlz);
    if (usage) {
        err << kUsage;
        return false;
    }
    return true;
}

// The online check and the download for scheduled jobs: messages as lines,
// the directory download accepted, no browser (the announced version and
// address are printed instead).
class CBatchPrompt : public IPrompt {
public:
    CBatchPrompt(std::ostream& out, bool quiet, const AppValues& app) : m_out(out), m_quiet(quiet), m_app(app) {}
    void Message(const std::string& text) override {
        lines.push_back(Cp1252ToUtf8(text));
        if (!m_quiet) m_out << lines.back() << '\n';
    }
    bool AskYesNo(const std::string& text) override {
        Message(text);
        if (StartsWith(text, "Es liegt ein neues SCL Verzeichnis")) return true;
        Message("Neue Programmversion " + m_app.m_strUpdateVersion + ": " + m_app.m_strUpdateUrl);
        return false;
    }
    bool AskCredentials(const std::string&, std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
    std::vector<std::string> lines;

private:
    std::ostream& m_out;
    bool m_quiet;
    const AppValues& m_app;
};

int UpdateScl(const Options& o, AppValues& app, std::ostream& out, std::ostream& err) {
    CBatchPrompt prompt(out, o.json, app);
    const OnlineSettings settings = OnlineSettings::FromProfile(app.m_profile);
    const OnlineOutcome outcome = RunOnlineCheck(app, prompt, settings, false);
    if (outcome == OnlineOutcome::NotConfigured) {
        if (!o.json) err << "valorix-check: " << kNoUpdateServer << '\n';
        prompt.lines.push_back(kNoUpdateServer);
    }
    bool replaced = false, failed = outcome == OnlineOutcome::Offline || outcome == OnlineOutcome::Failed;
    if (outcome == OnlineOutcome::WantsSclDirectory) {
        const SclDownload download = DownloadSclDirectory(app, prompt, settings, false);
        replaced = download.outcome == SclDownload::Replaced;
        failed = download.outcome == SclDownload::Failed || download.outcome == SclDownload::Busy;
    }
    const int status = outcome == OnlineOutcome::NotConfigured ? 2 : failed ? 1 : 0;
    if (o.json) {
        nlohmann::ordered_json j;
        j["status"] = status;
        j["stand"] = app.m_strSclStand;
        j["sclFile"] = app.m_strSclIniPath;
        j["replaced"] = replaced;
        j["programVersion"] = app.m_strUpdateVersion;
        j["updateUrl"] = app.m_strUpdateUrl;
        j["messages"] = prompt.lines;
        out << j.dump() << '\n';
    }
    return status;
}

// A version as the online check compares it: one to four numbers of digits
// joined by dots ("1.8.3").
bool IsVersionNumber(const std::string& v) {
    int parts = 1;
    size_t digits = 0;
    for (char c : v) {
        if (c == '.') {
            if (digits == 0) return false;
            digits = 0;
            ++parts;
        } else if (c >= '0' && c <= '9') {
            ++digits;
        } else {
            return false;
        }
        if (digits > 9 || parts > 4) return false;
    }
    return digits > 0;
}

// An https address of a host, of the characters an address may hold as they
// stand, but no '#' (it ends the marker of the status page).
bool IsHttpsAddress(const std::string& url) {
    static const char kScheme[] = "https://";
    if (url.size() <= 8) return false;
    for (size_t i = 0; i < 8; ++i)
        if ((url[i] >= 'A' && url[i] <= 'Z' ? url[i] - 'A' + 'a' : url[i]) != kScheme[i]) return false;
    if (url[8] == '/' || url[8] == '?') return false;  // no host
    static const std::string kAllowed = "-._~:/?[]@!$&'()*+,;=%";
    for (char c : url)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              kAllowed.find(c) != std::string::npos))
            return false;
    return true;
}

// True (after saying so) when `output` is the file `input` itself, by
// whatever name or link; `same` tells it for an input that is no path.
bool OverwritesInput(const std::string& output, const std::string& input, std::ostream& err,
                     std::optional<bool> same = std::nullopt) {
    if (!(same ? *same : SameFile(output, input))) return false;
    err << "valorix-check: Ausgabe '" << VisibleControls(NativeSeparators(output)) << "' ist die Eingabedatei '"
        << VisibleControls(NativeSeparators(input)) << "' selbst und wird nicht überschrieben\n";
    return true;
}

// The two files an update server serves, from the Bundesbank's SCL file.
// Both are written to temporary files first; the directory takes its place
// before the page that announces its date, so a client never reads a page
// that promises a newer directory than the one it then downloads.
int PublishScl(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.programVersion && !IsVersionNumber(*o.programVersion)) {
        err << "valorix-check: --program-version muss eine Versionsnummer aus Ziffern und Punkten sein, etwa 1.8.3\n";
        return 2;
    }
    if (o.updateUrl && !IsHttpsAddress(*o.updateUrl)) {
        err << "valorix-check: --update-url muss eine https-Adresse ohne '#' sein, nur aus den Zeichen einer Adresse\n";
        return 2;
    }
    const std::string folder = o.files[1] + "/valorix";
    const std::string mapPath = folder + "/NVSCL.map", pagePath = folder + "/SCL2.htm";
    if (OverwritesInput(mapPath, o.files[0], err) || OverwritesInput(pagePath, o.files[0], err)) return 2;
    std::error_code ec;
    std::filesystem::create_directories(FsPath(folder), ec);
    const SclImportResult r = ReadSclDirectoryCsv(o.files[0]);
    for (const std::string& warning : r.warnings) err << "valorix-check: Warnung: " << Cp1252ToUtf8(warning) << '\n';
    if (!r.ok) {
        err << "valorix-check: " << Cp1252ToUtf8(r.message) << '\n';
        return 2;
    }
    std::string markers;
    // The markers in a comment, where the address stands as it is (a '&' too)
    // and, without '<' and '>', cannot end it; the page shows them escaped.
    if (o.programVersion)
        markers += "<!-- PRGVER : #" + *o.programVersion + "# URL : #" + *o.updateUrl + "# -->\n<p>Programmversion: " +
                   HtmlEscape(*o.programVersion) + ", <a href=\"" + HtmlEscape(*o.updateUrl) + "\">" +
                   HtmlEscape(*o.updateUrl) + "</a></p>\n";
    markers += "<p>Stand des SCL Verzeichnisses: STAND2 : #20" + r.stand + "</p>\n";
    const std::string page = "<!DOCTYPE html>\n<html lang=\"de\">\n<head><meta charset=\"utf-8\"><title>Valorix "
                             "Aktualisierung</title></head>\n<body>\n<h1>Valorix Aktualisierung</h1>\n" +
                             markers + "</body>\n</html>\n";
    const std::string mapTemp = WriteTemporaryBeside(mapPath, r.content);
    const std::string pageTemp = mapTemp.empty() ? std::string() : WriteTemporaryBeside(pagePath, page);
    if (pageTemp.empty() || !ReplaceWithTemporary(mapTemp, mapPath)) {
        if (!mapTemp.empty()) std::remove(mapTemp.c_str());
        err << "valorix-check: '" << VisibleControls(NativeSeparators(folder)) << "' kann nicht beschrieben werden\n";
        return 2;
    }
    if (!ReplaceWithTemporary(pageTemp, pagePath)) {
        err << "valorix-check: '" << VisibleControls(NativeSeparators(pagePath)) << "' kann nicht geschrieben werden\n";
        return 2;
    }
    out << Format("SCL-Verzeichnis mit %d Instituten (Stand %s) nach '%s' geschrieben.", r.banks, r.stand.c_str(),
                  VisibleControls(NativeSeparators(mapPath)).c_str())
        << '\n'
        << "Statusseite nach '" << VisibleControls(NativeSeparators(pagePath)) << "' geschrieben.\n";
    return 0;
}

}  // namespace

std::optional<FileSummary> CheckIntoReport(CheckDocument& doc, AppValues& app, IPrompt& prompt, CArchive& ar,
                                           COutputList& report, ITextPage* text, const CheckHooks& hooks) {
    doc.m_oneEventPass = true;  // nothing draws the rows: the load may run the rule pass itself
    doc.Serialize(ar);
    // The same report as the desktop view's output pane, without its rows.
    CTextPageModel ownText;
    return FillReport(doc, app, prompt, text ? *text : ownText, report, hooks).summary;
}

namespace {

// --version: the program, the SCL directory the checks would use and the
// schema set the program writes into its data folder.
int PrintVersion(const Options& o, std::ostream& out, std::ostream& err) {
    AppValues app;
    if (o.dataDir) {
        std::error_code ec;
        if (!std::filesystem::is_directory(FsPath(*o.dataDir), ec)) {
            err << "valorix-check: Datenordner '" << *o.dataDir << "' kann nicht gelesen werden\n";
            return 2;
        }
        app.m_strDataFolder = *o.dataDir;
    } else {
        app.m_strDataFolder = app.DetermineDataFolder();
    }
    if (o.scl) app.UseSclDirectory(*o.scl);
    else app.FindSclDirectory();
    out << "valorix-check " << VersionFromBuild(VALORIX_BUILD_VERSION) << '\n'
        << "Stand des SCL Verzeichnisses: " << Cp1252ToUtf8(SclDateText(app.m_strSclStand)) << '\n'
        << "Version des Schemasatzes: " << kSchemaSetVersion << '\n';
    return 0;
}

// One file to check: a path, or standard input ("-") under its report name;
// or an argument refused before any check, with the reason.
struct CheckInput {
    std::string path;
    std::string name;
    bool standardInput = false;
    std::string refusal;  ///< UTF-8, printed after "valorix-check: "; empty for a file to check
};

// Every regular *.xml below `folder` (symbolic links to folders are not
// followed) and every folder below it that cannot be read, in sorted order of
// their paths.
std::vector<CheckInput> WalkFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, bool>> found;  // path, readable
    std::vector<fs::path> pending{FsPath(folder)};
    while (!pending.empty()) {
        const fs::path dir = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(dir, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->is_directory(typeError) && !it->is_symlink(typeError))
                pending.push_back(it->path());
            else if (it->path().extension() == ".xml" && it->is_regular_file(typeError))
                found.emplace_back(PathString(it->path()), true);
        }
        if (ec) found.emplace_back(PathString(dir), false);
    }
    std::sort(found.begin(), found.end());
    std::vector<CheckInput> inputs;
    for (const auto& [path, readable] : found)
        inputs.push_back({path, path, false,
                          readable ? std::string() : "Ordner '" + VisibleControls(path) + "' kann nicht gelesen werden"});
    if (inputs.empty())  // nothing to check, and nothing that could not be read
        inputs.push_back({folder, folder, false, "Im Ordner '" + VisibleControls(folder) + "' wurde keine Datei *.xml gefunden"});
    return inputs;
}

// The files the arguments name, in their order: a folder only with
// --recursive, as every regular *.xml below it in sorted order. An argument
// that names nothing to check stays in the list with the reason.
std::vector<CheckInput> CollectInputs(const Options& o) {
    std::vector<CheckInput> inputs;
    for (const std::string& file : o.files) {
        std::error_code ec;
        if (file == "-") {
            inputs.push_back({file, o.name.value_or("-"), true, {}});
        } else if (!std::filesystem::is_directory(FsPath(file), ec)) {
            inputs.push_back({file, file, false, {}});
        } else if (!o.recursive) {
            inputs.push_back({file, file, false, "'" + file + "' ist ein Ordner und wird nur mit --recursive geprüft!"});
        } else {
            for (CheckInput& input : WalkFolder(file)) inputs.push_back(std::move(input));
        }
    }
    return inputs;
}

// --html: the report to share, from the file's bytes as read (`bytes` for
// standard input, else read again from `path`). False after saying why.
bool WriteReport(const Options& o, const AppValues& app, const CheckDocument& doc, const COutputList& report,
                 const CTextPageModel& text, const std::string& path, const std::string* bytes, const std::string& name,
                 const FileSummary* summary, std::ostream& err) {
    std::string read;
    if (!bytes) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            err << "valorix-check: '" << path << "' kann für den Bericht nicht gelesen werden\n";
            return false;
        }
        std::ostringstream all;
        all << file.rdbuf();
        read = all.str();
        bytes = &read;
    }
    const HtmlReportFacts facts =
        ReportFacts(*bytes, name, doc.m_checkTime, VersionFromBuild(VALORIX_BUILD_VERSION),
                    Cp1252ToUtf8(SclDateText(app.m_strSclStand)), bytes->size() >= kLargeFileBytes || app.SaxMode());
    HtmlPageInput input;
    input.text = &text.GetText();
    input.utf8 = doc.m_textIsUtf8;
    input.title = name;
    input.report = &report;
    input.marks = &text.Marks();
    input.facts = &facts;
    input.summary = summary;
    if (WriteHtmlPage(*o.html, input)) return true;
    err << "valorix-check: Bericht '" << *o.html << "' kann nicht geschrieben werden\n";
    return false;
}

// --history and --clear-history.
int History(const Options& o, AppValues& app, std::ostream& out, std::ostream& err) {
    CCheckHistory history(HistorySettings{app.m_strDataFolder, o.historyDays, 0});
    std::vector<std::string> lines;
    if (o.clearHistory ? history.Clear() : history.List(lines)) {
        if (o.clearHistory) out << "Prüfverlauf gelöscht.\n";
        else if (lines.empty()) out << "Der Prüfverlauf ist leer.\n";
        for (const std::string& line : lines) out << line << '\n';
        return 0;
    }
    err << "valorix-check: Prüfverlauf '"
        << VisibleControls(NativeSeparators(CCheckHistory::FileName(app.m_strDataFolder)))
        << "' ist nicht verwendbar: " << history.Error() << '\n';
    return 2;
}

// A file that could not be read or checked: its message, and its JSON line
// with --json. Returns its exit status, 2.
int Unchecked(const Options& o, const std::string& name, const std::string& message, std::ostream& out,
              std::ostream& err) {
    err << "valorix-check: " << message << '\n';
    if (o.json) PrintJsonUnchecked(name, message, out);
    return 2;
}

// "Für die Prüfung der Datei '…' reicht der Arbeitsspeicher nicht aus!" (UTF-8).
std::string NoMemoryText(const std::string& name) {
    return Cp1252ToUtf8(Format(msg::kNoMemoryForFile.c_str(), PathText(name).c_str()));
}

// Checks one file and prints its report; returns its exit status.
int CheckOne(const Options& o, AppValues& app, IPrompt& prompt, std::istream& file, const std::string& name,
             std::ostream& out, std::ostream& err, CCheckHistory* history, CBatchTurn& turn,
             const std::string& path = {}, const std::string* bytes = nullptr) {
    CheckDocument doc(app, prompt);
    CArchive ar{file, PathText(name)};
    COutputList report;
    CTextPageModel text;
    std::optional<FileSummary> summary;
    try {
        // The slip is made once, for every use of it: the history, --summary,
        // the JSON and the report to share.
        CheckHooks hooks;
        if (history || o.summary || o.json || o.html)
            hooks.summarize = [&] { return doc.Summary(file); };  // the hash: the file's own bytes
        doc.m_readSlipInPass = static_cast<bool>(hooks.summarize);
        if (history)
            hooks.summaryHints = [&](const FileSummary* slip) -> std::vector<std::string> {
                if (!slip) return {};
                std::error_code ec;
                const std::filesystem::path full = path.empty() ? std::filesystem::path(name)
                                                                : std::filesystem::absolute(FsPath(path), ec);
                // In the order of the files, as one after the other would find them.
                turn.Begin();
                std::vector<std::string> hints = history->Record(*slip, PathString(full.lexically_normal()));
                turn.End();
                return hints;
            };
        summary = CheckIntoReport(doc, app, prompt, ar, report, o.html ? &text : nullptr, hooks);
    } catch (const CNvException& e) {
        return Unchecked(o, name, "'" + VisibleControls(name) + "' kann nicht geprüft werden: " + Cp1252ToUtf8(e.Text()),
                         out, err);
    } catch (const std::bad_alloc&) {
        return Unchecked(o, name, NoMemoryText(name), out, err);
    }
    // A slip belongs to payment files only: those with payment blocks.
    const FileSummary* slip = summary && !summary->blocks.empty() ? &*summary : nullptr;
    // The JSON names the file as it is (its own escaping applies).
    if (o.json) PrintJson(doc, report, Utf8ToCp1252(name), app.m_strSclStand, out, slip);
    else PrintReport(report, out);
    if (o.html && !WriteReport(o, app, doc, report, text, path, bytes, name, slip, err)) return 2;
    if (o.summary && !o.json && slip) {
        out << '\n';
        for (const std::string& line : SummaryLines(*slip)) out << Cp1252ToUtf8(line) << '\n';
    }
    return CheckPassed(doc) ? 0 : 1;
}

// Standard input ("-"): read whole into memory, no further than a file may
// be large, then checked from there (the check reads its file more than once).
int CheckStandardInput(const Options& o, AppValues& app, IPrompt& prompt, std::istream& in, const std::string& name,
                       std::ostream& out, std::ostream& err, CCheckHistory* history, CBatchTurn& turn, bool usable) {
    const std::string unreadable = "'" + VisibleControls(name) + "' kann nicht gelesen werden";
    if (!usable) return Unchecked(o, name, unreadable, out, err);
    const unsigned long long maxBytes = MaxFileBytes(app.GetOptionInt("MAXFILEMB", 0));
    std::string bytes;
    unsigned long long size = 0;
    StreamRead read;
    try {
        read = ReadBounded(in, maxBytes, bytes, &size);
    } catch (const std::bad_alloc&) {
        std::string().swap(bytes);
        return Unchecked(o, name, NoMemoryText(name), out, err);
    }
    if (read == StreamRead::TooLarge) {
        std::string().swap(bytes);
        const std::string why = size ? Format(msg::kFileTooLarge.c_str(), (size + (1ULL << 20) - 1) >> 20, maxBytes >> 20)
                                     : Format(msg::kStreamTooLarge.c_str(), maxBytes >> 20, maxBytes >> 20);
        return Unchecked(o, name, "'" + VisibleControls(name) + "' kann nicht geprüft werden: " + Cp1252ToUtf8(why), out,
                         err);
    }
    if (read == StreamRead::Failed || (&in == &std::cin && StandardInputFailed()))
        return Unchecked(o, name, unreadable, out, err);
    CMemoryStream stream(bytes);
    return CheckOne(o, app, prompt, stream, name, out, err, history, turn, {}, &bytes);
}

}  // namespace

int RunValorixCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunValorixCheck(args, std::cin, out, err);
}

int RunValorixCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    // Before the run opens a file of its own, which could take a closed
    // standard input's place.
    const bool standardInputUsable = &in != &std::cin || StandardInputUsable();
    Options o;
    if (!ParseArgs(args, o, err)) return 2;
    if (o.help) {
        out << kUsage << kOptionHelp;
        return 0;
    }
    if (o.version) return PrintVersion(o, out, err);
    if (o.publishScl) return PublishScl(o, out, err);
    AppValues app;
    app.m_strVersion = VersionFromBuild(VALORIX_BUILD_VERSION);
    if (o.updateScl) {
        if (!app.Startup(o.dataDir, std::nullopt)) {
            err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
            return 2;
        }
        app.CompleteSclIniPath();
        return UpdateScl(o, app, out, err);
    }
    if (o.importBlz || o.importScl) {
        // The file goes to the data folder unless a target is named.
        std::string target;
        if (o.files.size() == 2) {
            target = o.files[1];
        } else {
            if (!app.Startup(o.dataDir, std::nullopt)) {
                err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
                return 2;
            }
            target = o.importBlz ? app.BlzTargetPath() : app.m_strDataFolder + "/NVSCL.INI";
        }
        bool ok;
        std::string message;
        if (o.importBlz) {
            const BlzImportResult r = ImportBlzFile(o.files[0], target, o.validFrom.value_or(""));
            ok = r.ok;
            message = r.message;
        } else {
            const SclImportResult r = ImportSclDirectory(o.files[0], target);
            for (const std::string& warning : r.warnings) err << "valorix-check: Warnung: " << Cp1252ToUtf8(warning) << '\n';
            ok = r.ok;
            message = r.message;
        }
        (ok ? out : err) << (ok ? "" : "valorix-check: ") << Cp1252ToUtf8(message) << '\n';
        return ok ? 0 : 2;
    }
    // The report goes through a new file and a rename: never in the place of the file it reports on.
    if (o.html && o.files.front() != "-" && OverwritesInput(*o.html, o.files.front(), err)) return 2;
    if (o.html && o.scl && OverwritesInput(*o.html, *o.scl, err)) return 2;
    // Standard input redirected from the file the report would replace.
    if (o.html && o.files.front() == "-" && &in == &std::cin &&
        OverwritesInput(*o.html, o.name.value_or("-"), err, StandardInputIsFile(*o.html)))
        return 2;
    if (o.sax) app.ForceSaxMode(true);
    if (o.scl && !IsFile(*o.scl)) {
        err << "valorix-check: SCL-Verzeichnis '" << VisibleControls(*o.scl) << "' kann nicht gelesen werden\n";
        return 2;
    }
    if (!app.Startup(o.dataDir, o.scl)) {
        err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
        return 2;
    }
    if (o.listHistory || o.clearHistory) return History(o, app, out, err);
    if (!app.m_schemasWritten)
        err << "valorix-check: Die Schemadateien können nicht in den Datenordner '"
            << VisibleControls(NativeSeparators(app.m_strDataFolder))
            << "' geschrieben werden! Dateien können nicht gegen ihr Schema geprüft werden.\n";
    // The history is kept unless this run or the profile switches it off.
    std::unique_ptr<CCheckHistory> history;
    if (!o.noHistory && HistorySwitchedOn(app.GetOptionInt("HISTORY", 1)))
        history = std::make_unique<CCheckHistory>(HistorySettings{app.m_strDataFolder, o.historyDays, 0});
    const std::vector<CheckInput> inputs = CollectInputs(o);
    // One set-up of the parser library for the whole run, shared by every thread.
    XercesSession session;
    auto checkFile = [&](size_t index, std::ostream& fileOut, std::ostream& fileErr, CBatchTurn& turn) {
        const CheckInput& input = inputs[index];
        CStderrPrompt prompt(fileErr);
        if (!input.refusal.empty()) return Unchecked(o, input.name, input.refusal, fileOut, fileErr);
        if (input.standardInput) return CheckStandardInput(o, app, prompt, in, input.name, fileOut, fileErr,
                                                           history.get(), turn, standardInputUsable);
        CInputFile file;
        const CInputFile::Status opened = file.Open(input.path);
        if (opened == CInputFile::Status::Open)
            return CheckOne(o, app, prompt, file.Stream(), input.name, fileOut, fileErr, history.get(), turn,
                            input.path);
        return Unchecked(o, input.name,
                         opened == CInputFile::Status::NotRegular
                             ? Cp1252ToUtf8(NotRegularFileText(PathText(input.path)))
                             : "'" + VisibleControls(input.path) + "' kann nicht gelesen werden",
                         fileOut, fileErr);
    };
    const unsigned threads = o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    if (threads > 1 && inputs.size() > 1) app.m_spareCore = false;  // the files keep every core busy
    return RunBatch(inputs.size(), threads, checkFile, out, err);
}

}  // namespace valorix
