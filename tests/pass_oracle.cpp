// Checks each file named on the command line twice per mode: as the command
// line does (the validating pass with the guessed schema and classification
// first) and with the parse or collecting pass first (the passes the guess
// stands in for), and prints every file whose result differs in any message,
// finding, state, schema or slip. Exit status 1 when one differs. Run on many
// varied files (tests/pass_oracle.sh), it shows the guess never changes a
// report:
//   valorix-pass-oracle FILE...
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/app.h"
#include "core/checkdocument.h"
#include "platform/prompt.h"
#include "rules/summary.h"
#include "xml/nvexception.h"
#include "xml/xercessession.h"

namespace {

std::string Describe(valorix::AppValues& app, const std::string& bytes, bool guess, int* onePass = nullptr) {
    valorix::CSilentPrompt prompt;
    valorix::CheckDocument doc(app, prompt);
    doc.m_tryOnePass = doc.m_oneEventPass = doc.m_readSlipInPass = guess;
    std::istringstream in(bytes);
    valorix::CArchive ar{in, "f.xml"};
    std::ostringstream out;
    try {
        doc.Serialize(ar);
        if (doc.m_saxCheckReady) doc.RunSaxCheck(nullptr);
    } catch (const valorix::CNvException& e) {
        out << "exception " << e.Text() << '\n';
    } catch (const std::bad_alloc&) {
        out << "no memory\n";
    }
    if (onePass && doc.m_singlePass) ++*onePass;
    const valorix::CheckResult& r = doc.Result();
    out << "state " << r.state << " positive " << r.verdictPositive << " schema " << doc.m_schemaPath << '\n';
    for (const std::string& m : r.messages) out << "message " << m << '\n';
    for (const valorix::Finding& f : r.findings)
        out << "finding " << f.line << '/' << f.column << ' ' << static_cast<int>(f.kind) << ' ' << f.text << '\n';
    if (r.state > 0) {
        std::istringstream file(bytes);
        for (const std::string& l : valorix::SummaryLines(doc.Summary(file))) out << "slip " << l << '\n';
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    valorix::AppValues app;
    if (!app.Startup(std::nullopt, std::nullopt)) return 2;
    valorix::XercesSession session;
    int status = 0;
    int onePass[2] = {0, 0};
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        std::ostringstream all;
        all << file.rdbuf();
        for (bool eventMode : {false, true}) {
            app.ForceSaxMode(eventMode);
            const std::string once = Describe(app, all.str(), true, &onePass[eventMode]), twice = Describe(app, all.str(), false);
            if (once == twice) continue;
            status = 1;
            std::cout << "DIFFERS (" << (eventMode ? "event" : "tree") << " mode): " << argv[i] << '\n'
                      << "--- one pass\n" << once << "--- two passes\n" << twice;
        }
    }
    std::cerr << argc - 1 << " files; the guessed pass stood in tree mode for " << onePass[0] << ", in event mode for "
              << onePass[1] << "; " << (status ? "some results differ" : "every result is the same") << '\n';
    return status;
}
