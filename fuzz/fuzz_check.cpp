// libFuzzer target: the whole check of one file's bytes, in tree mode and in
// event mode, with a data folder and an SCL directory of its own. Every input
// must end in a report or in the checker's own exception, within the run's
// time and memory limits, without a sanitizer report.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/app.h"
#include "cli/cli.h"
#include "core/checkdocument.h"
#include "platform/prompt.h"
#include "rules/sclimport.h"
#include "ui/viewmodel.h"
#include "xml/nvexception.h"

namespace {

struct Setup {
    valorix::AppValues tree, events;
    valorix::CSilentPrompt prompt;
};

Setup* g_setup = nullptr;

void CheckOnce(valorix::AppValues& app, const std::string& bytes) {
    std::istringstream in(bytes);
    valorix::CheckDocument doc(app, g_setup->prompt);
    valorix::CArchive ar{in, "fuzz.xml"};
    valorix::COutputList report;
    try {
        valorix::CheckIntoReport(doc, app, g_setup->prompt, ar, report);
    } catch (const valorix::CNvException&) {
        // a file that cannot be checked: a message, not a fault
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Everything the check writes stays below one folder of its own.
    char folder[] = "/tmp/valorix-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    const std::string base = folder;
    setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    const std::string scl = base + "/NVSCL.INI";
    if (!valorix::ImportSclDirectory(VALORIX_SOURCE_DIR "/tests/fixtures/scl/scl-directory.csv", scl).ok) std::abort();
    g_setup = new Setup;
    g_setup->events.ForceSaxMode(true);
    if (!g_setup->tree.Startup(base + "/data", scl) || !g_setup->events.Startup(base + "/data", scl)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckOnce(g_setup->tree, bytes);
    CheckOnce(g_setup->events, bytes);
    return 0;
}
