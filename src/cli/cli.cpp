#include "cli/cli.h"

#include <optional>

#include "app/app.h"
#include "cli/report.h"
#include "core/tavrel1doc.h"
#include "platform/codepage.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "rules/sclimport.h"
#include "ui/structureview.h"
#include "xml/nvexception.h"

namespace valorix {
namespace {

const char* const kUsage =
    "Aufruf: valorix-check [--sax] [--json] [--data-dir ORDNER] [--scl DATEI] DATEI...\n"
    "        valorix-check [--data-dir ORDNER] --import-scl SCL-DATEI [ZIELDATEI]\n";

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
        } else if (a == "--data-dir" || a == "--scl") {
            if (i + 1 >= args.size()) {
                err << "valorix-check: " << a << " braucht einen Wert\n" << kUsage;
                return false;
            }
            (a == "--scl" ? o.scl : o.dataDir) = args[++i];
        } else {
            err << "valorix-check: unbekannte Option '" << a << "'\n" << kUsage;
            return false;
        }
    }
    if (o.files.empty() || (o.importScl && o.files.size() > 2)) {
        err << kUsage;
        return false;
    }
    return true;
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
    CTavrel1App app;
    if (o.importScl) {
        // The directory goes to the data folder unless a target is named.
        std::string target;
        if (o.files.size() == 2) {
            target = o.files[1];
        } else {
            if (!app.Startup(o.dataDir, std::nullopt)) {
                err << "valorix-check: Datenordner '" << *o.dataDir << "' kann nicht angelegt werden\n";
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
        err << "valorix-check: SCL-Verzeichnis '" << *o.scl << "' kann nicht gelesen werden\n";
        return 2;
    }
    if (!app.Startup(o.dataDir, o.scl)) {
        err << "valorix-check: Datenordner '" << *o.dataDir << "' kann nicht angelegt werden\n";
        return 2;
    }
    CStderrPrompt prompt(err);
    int status = 0;
    for (const std::string& file : o.files) {
        CInputFile in;
        const CInputFile::Status opened = in.Open(file);
        if (opened != CInputFile::Status::Open) {
            if (opened == CInputFile::Status::NotRegular)
                err << "valorix-check: " << Cp1252ToUtf8(NotRegularFileText(Utf8ToCp1252(file))) << '\n';
            else
                err << "valorix-check: '" << file << "' kann nicht gelesen werden\n";
            status = 2;
            continue;
        }
        CTavrel1Doc doc(app, prompt);
        CArchive ar{in.Stream(), Utf8ToCp1252(file)};
        COutputList report;
        try {
            CheckIntoReport(doc, app, prompt, ar, report);
        } catch (const CNvException& e) {
            err << "valorix-check: '" << file << "' kann nicht geprüft werden: " << Cp1252ToUtf8(e.Text()) << '\n';
            status = 2;
            continue;
        }
        if (o.json) PrintJson(doc, report, ar.path, out);
        else PrintReport(report, out);
        if (!CheckPassed(doc) && status == 0) status = 1;
    }
    return status;
}

}  // namespace valorix
