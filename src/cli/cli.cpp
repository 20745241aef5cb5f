#include "cli/cli.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>

#include <nlohmann/json.hpp>

#include "app/app.h"
#include "cli/report.h"
#include "core/messages.h"
#include "core/tavrel1doc.h"
#include "online/onlinecheck.h"
#include "online/version.h"
#include "platform/codepage.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/sclimport.h"
#include "ui/structureview.h"
#include "xml/nvexception.h"

namespace valorix {
namespace {

const char* const kUsage =
    "Aufruf: valorix-check [--sax] [--json] [--data-dir ORDNER] [--scl DATEI] DATEI...\n"
    "        valorix-check [--data-dir ORDNER] --import-scl SCL-DATEI [ZIELDATEI]\n"
    "        valorix-check [--json] [--data-dir ORDNER] --update-scl\n"
    "        valorix-check --publish-scl SCL-DATEI AUSGABEORDNER [--program-version V --update-url URL]\n";

// Messages go to stderr; questions are answered with No.
class CStderrPrompt : public IPrompt {
public:
    explicit CStderrPrompt(std::ostream& err) : m_err(err) {}
    void Message(const std::string& text) override { m_err << Cp1252ToUtf8(text) << '\n'; }
    bool AskYesNo(const std::string& text) override {
        Message(text);
        return false;
    }

private:
    std::ostream& m_err;
};

struct Options {
    bool sax = false;
    bool json = false;
    bool importScl = false;
    bool updateScl = false;
    bool publishScl = false;
    std::optional<std::string> programVersion;
    std::optional<std::string> updateUrl;
    std::optional<std::string> dataDir;
    std::optional<std::string> scl;
    std::vector<std::string> files;
};

// Parses the arguments; returns false (after printing why) on a usage error.
bool ParseArgs(const std::vector<std::string>& args, Options& o, std::ostream& err) {
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
            o.files.push_back(a);
        } else if (a == "--") {
            onlyFiles = true;
        } else if (a == "--sax") {
            o.sax = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--import-scl") {
            o.importScl = true;
        } else if (a == "--update-scl") {
            o.updateScl = true;
        } else if (a == "--publish-scl") {
            o.publishScl = true;
        } else if (a == "--data-dir" || a == "--scl" || a == "--program-version" || a == "--update-url") {
            if (i + 1 >= args.size()) {
                err << "valorix-check: " << a << " braucht einen Wert\n" << kUsage;
                return false;
            }
            (a == "--scl" ? o.scl : a == "--data-dir" ? o.dataDir : a == "--program-version" ? o.programVersion : o.updateUrl) =
                args[++i];
        } else {
            err << "valorix-check: unbekannte Option '" << a << "'\n" << kUsage;
            return false;
        }
    }
    const int modes = o.importScl + o.updateScl + o.publishScl;
    const bool usage = modes > 1 || (o.updateScl && !o.files.empty()) ||
                       (o.publishScl && (o.files.size() != 2 || o.programVersion.has_value() != o.updateUrl.has_value())) ||
                       (!o.publishScl && (o.programVersion || o.updateUrl)) ||
                       (!o.updateScl && o.files.empty()) || (o.importScl && o.files.size() > 2);
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
    CBatchPrompt(std::ostream& out, bool quiet, const CTavrel1App& app) : m_out(out), m_quiet(quiet), m_app(app) {}
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
    bool OpenUrl(const std::string&) override { return false; }
    std::vector<std::string> lines;

private:
    std::ostream& m_out;
    bool m_quiet;
    const CTavrel1App& m_app;
};

int UpdateScl(const Options& o, CTavrel1App& app, std::ostream& out) {
    CBatchPrompt prompt(out, o.json, app);
    const OnlineSettings settings = OnlineSettings::FromProfile(app.m_profile);
    const std::string before = app.m_strSclStand;
    bool asked = false, replaced = false;
    const int result = RunOnlineCheck(app, prompt, settings, false);
    if (result == kWantsSclDirectory) {
        DownloadSclDirectory(app, prompt, settings, false);
        replaced = app.m_strSclStand != before;
    } else {
        // Asked when the check got as far as the date comparison.
        asked = std::none_of(prompt.lines.begin(), prompt.lines.end(), [](const std::string& l) {
            return StartsWith(l, "Der aktuelle Stand der SCL Datei") || StartsWith(l, "Es besteht derzeit keine");
        });
    }
    const int status = replaced || asked ? 0 : 1;
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

// The two files an update server serves, from the Bundesbank's SCL file.
int PublishScl(const Options& o, std::ostream& out, std::ostream& err) {
    const std::string folder = o.files[1] + "/valorix";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const SclImportResult r = ImportSclDirectory(o.files[0], folder + "/NVSCL.map");
    if (!r.ok) {
        err << "valorix-check: " << Cp1252ToUtf8(r.message) << '\n';
        return 2;
    }
    std::string markers;
    if (o.programVersion) markers += "<p>Programmversion: PRGVER : #" + *o.programVersion + "# URL : #" + *o.updateUrl + "#</p>\n";
    markers += "<p>Stand des SCL Verzeichnisses: STAND2 : #20" + r.stand + "</p>\n";
    std::ofstream page(folder + "/SCL2.htm", std::ios::binary | std::ios::trunc);
    page << "<!DOCTYPE html>\n<html lang=\"de\">\n<head><meta charset=\"utf-8\"><title>Valorix Aktualisierung</title></head>\n"
            "<body>\n<h1>Valorix Aktualisierung</h1>\n"
         << markers << "</body>\n</html>\n";
    if (!page) {
        err << "valorix-check: '" << VisibleControls(folder) << "/SCL2.htm' kann nicht geschrieben werden\n";
        return 2;
    }
    out << Cp1252ToUtf8(r.message) << '\n' << "Statusseite nach '" << VisibleControls(folder) << "/SCL2.htm' geschrieben.\n";
    return 0;
}

}  // namespace

void CheckIntoReport(CTavrel1Doc& doc, CTavrel1App& app, IPrompt& prompt, CArchive& ar, COutputList& report,
                     CStructureModel* structure) {
    doc.Serialize(ar);
    // The same fill and report as the desktop view, drawn into models. The
    // report reads neither the grid nor the structure tree: both are left
    // out unless the caller asks for them.
    ViewTargets targets;
    targets.output = &report;
    targets.structure = structure;
    CStructureView view(doc, app, prompt, targets);
    view.FillView();
}

int RunValorixCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options o;
    if (!ParseArgs(args, o, err)) return 2;
    if (o.publishScl) return PublishScl(o, out, err);
    CTavrel1App app;
    app.m_strVersion = VersionFromBuild(VALORIX_BUILD_VERSION);
    if (o.updateScl) {
        if (!app.Startup(o.dataDir, std::nullopt)) {
            err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
            return 2;
        }
        app.CompleteSclIniPath();
        return UpdateScl(o, app, out);
    }
    if (o.importScl) {
        // The directory goes to the data folder unless a target is named.
        std::string target;
        if (o.files.size() == 2) {
            target = o.files[1];
        } else {
            if (!app.Startup(o.dataDir, std::nullopt)) {
                err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
                return 2;
            }
            target = app.m_strDataFolder + "/NVSCL.INI";
        }
        const SclImportResult r = ImportSclDirectory(o.files[0], target);
        (r.ok ? out : err) << (r.ok ? "" : "valorix-check: ") << Cp1252ToUtf8(r.message) << '\n';
        return r.ok ? 0 : 2;
    }
    if (o.sax) app.ForceSaxMode(true);
    if (o.scl && !IsFile(*o.scl)) {
        err << "valorix-check: SCL-Verzeichnis '" << VisibleControls(*o.scl) << "' kann nicht gelesen werden\n";
        return 2;
    }
    if (!app.Startup(o.dataDir, o.scl)) {
        err << "valorix-check: Datenordner '" << VisibleControls(*o.dataDir) << "' kann nicht angelegt werden\n";
        return 2;
    }
    CStderrPrompt prompt(err);
    int status = 0;
    for (const std::string& file : o.files) {
        CInputFile in;
        const CInputFile::Status opened = in.Open(file);
        if (opened != CInputFile::Status::Open) {
            if (opened == CInputFile::Status::NotRegular)
                err << "valorix-check: " << Cp1252ToUtf8(NotRegularFileText(PathText(file))) << '\n';
            else
                err << "valorix-check: '" << VisibleControls(file) << "' kann nicht gelesen werden\n";
            status = 2;
            continue;
        }
        CTavrel1Doc doc(app, prompt);
        CArchive ar{in.Stream(), PathText(file)};
        COutputList report;
        try {
            CheckIntoReport(doc, app, prompt, ar, report);
        } catch (const CNvException& e) {
            err << "valorix-check: '" << VisibleControls(file) << "' kann nicht geprüft werden: " << Cp1252ToUtf8(e.Text()) << '\n';
            status = 2;
            continue;
        } catch (const std::bad_alloc&) {
            err << "valorix-check: " << Cp1252ToUtf8(Format(msg::kNoMemoryForFile.c_str(), ar.path.c_str())) << '\n';
            status = 2;
            continue;
        }
        if (o.json) PrintJson(doc, report, Utf8ToCp1252(file), out);
        else PrintReport(report, out);
        if (!CheckPassed(doc) && status == 0) status = 1;
    }
    return status;
}

}  // namespace valorix
