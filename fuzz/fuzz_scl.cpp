// libFuzzer target: the SCL directory. Each input is read twice: as the
// Bundesbank's semicolon-separated directory that `--import-scl` imports, and
// as a directory file "NVSCL.INI" as a data folder or a download may hold it.
//
// An import that succeeds writes a directory that is valid, with as many
// banks as it counted, each found with its flags; one that fails writes
// nothing. A directory file, whatever it holds, has a state, and a lookup in
// it answers with flags of a valid directory or with nothing.
#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include "harness.h"
#include "rules/sclimport.h"
#include "rules/scldirectory.h"

namespace {

using valorix::fuzz::Fault;

std::string g_base;
int g_turn = 0;

bool IsFlags(const std::string& s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c != '0' && c != '1') return false;
    return true;
}

// "BIC=flags" of a directory's text as the import made it.
std::map<std::string, std::string> Entries(const std::string& content) {
    std::map<std::string, std::string> entries;
    std::istringstream in(content);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (line == "[BIC]" || line.rfind("STAND=", 0) == 0) continue;
        if (eq == std::string::npos) Fault("Importierte Zeile unlesbar", line);
        entries[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return entries;
}

void Import(const std::string& source, const std::string& bytes) {
    // Two names in turn: the lookup table is cached by path, size and time,
    // and two writes within one tick of the clock may look the same.
    const std::string target = g_base + "/NVSCL-" + std::to_string(g_turn) + ".INI";
    std::filesystem::remove(target);
    const valorix::SclImportResult read = valorix::ReadSclDirectoryCsv(source);
    const valorix::SclImportResult r = valorix::ImportSclDirectory(source, target);
    if (r.ok != read.ok || r.banks != read.banks || r.message.empty()) Fault("Lesen und Import uneins", bytes);
    if (!r.ok) {
        if (std::filesystem::exists(target)) Fault("Gescheiterter Import hat geschrieben", r.message);
        return;
    }
    const valorix::SclFileCheck check = valorix::ValidateSclDirectory(target);
    if (!check.valid || check.banks != r.banks || check.stand != r.stand || valorix::ReadSclStand(target) != r.stand)
        Fault("Importiertes Verzeichnis ungültig: " + check.reason, read.content);
    valorix::RevisitSclDirectory();
    if (valorix::SclDirectoryStateOf(target) != valorix::SclDirectoryState::Valid)
        Fault("Importiertes Verzeichnis nicht verwendbar", read.content);
    const std::map<std::string, std::string> entries = Entries(read.content);
    if (static_cast<long>(entries.size()) != r.banks) Fault("Import zählt falsch", read.content);
    int asked = 0;
    for (const auto& [bic, flags] : entries) {
        if (valorix::SclLookup(target, bic) != flags) Fault("Importierte BIC " + bic + " nicht gefunden", read.content);
        if (++asked == 64) break;
    }
}

void Directory(const std::string& bytes, const uint8_t* data, size_t size) {
    const std::string file = g_base + "/directory-" + std::to_string(g_turn) + ".INI";
    valorix::fuzz::WriteBytes(file, data, size);
    valorix::RevisitSclDirectory();
    const valorix::SclFileCheck check = valorix::ValidateSclDirectory(file);
    const std::string stand = valorix::ReadSclStand(file);
    (void)valorix::SclStandIsNewer(stand, "261201");
    const valorix::SclDirectoryState state = valorix::SclDirectoryStateOf(file);
    // What the download accepts, the check uses.
    if (check.valid && state != valorix::SclDirectoryState::Valid) Fault("Gültiges Verzeichnis nicht verwendbar", bytes);
    valorix::SclDirectoryState worst = valorix::SclDirectoryState::Valid;
    valorix::NoteSclDirectoryNotUsed(worst, state);
    (void)valorix::SclDirectoryHint(worst);
    // The keys the lines begin with, as a check would ask for them.
    size_t start = 0;
    for (int n = 0; n < 32 && start < bytes.size(); ++n) {
        const size_t nl = bytes.find('\n', start);
        const std::string line = bytes.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        const std::string key = line.substr(0, line.find('='));
        for (size_t length : {size_t{8}, size_t{11}}) {
            const std::string flags = valorix::SclLookup(file, key.substr(0, length));
            if (!flags.empty() && (state != valorix::SclDirectoryState::Valid || (check.valid && !IsFlags(flags))))
                Fault("Nachschlagen gibt '" + flags + "' für '" + key + "'", bytes);
        }
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_base = valorix::fuzz::ScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    g_turn ^= 1;
    const std::string source = g_base + "/scl.csv";
    valorix::fuzz::WriteBytes(source, data, size);
    Import(source, bytes);
    Directory(bytes, data, size);
    return 0;
}
