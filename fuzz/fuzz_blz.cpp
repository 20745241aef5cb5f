// libFuzzer target: the bank code file. Each input is read twice: as the
// Bundesbank's file (fixed-width records) that `--import-blz` imports, and as
// a lookup file "BLZBIC.TXT" as a data folder may hold it (edited by hand,
// cut short, from another program).
//
// An import that succeeds writes a lookup file in which every bank code it
// counted is found with its BIC; one that fails writes nothing. A lookup
// file, whatever it holds, answers with a BIC or with nothing.
#include <cstdint>
#include <fstream>
#include <map>
#include <string>

#include "harness.h"
#include "rules/blzdirectory.h"

namespace {

using valorix::fuzz::Fault;

std::string g_base;
int g_turn = 0;

bool IsBic(const std::string& s) {
    if (s.size() != 8 && s.size() != 11) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// The bank codes of a lookup file the import wrote: "code=BIC" lines.
std::map<std::string, std::string> Written(const std::string& path) {
    std::map<std::string, std::string> banks;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line.rfind("STAND=", 0) == 0) continue;
        const size_t eq = line.find('=');
        if (eq != 8 || !IsBic(line.substr(9))) Fault("Importierte Zeile unlesbar", line);
        banks[line.substr(0, 8)] = line.substr(9);
    }
    return banks;
}

void Import(const std::string& source, const std::string& bytes) {
    // Two names in turn: the lookup table is cached by path, size and time,
    // and two writes within one tick of the clock may look the same.
    const std::string target = g_base + "/BLZBIC-" + std::to_string(g_turn) + ".TXT";
    std::filesystem::remove(target);
    const std::string validFrom = bytes.size() % 2 ? "" : "01.12.2026";
    const valorix::BlzImportResult r = valorix::ImportBlzFile(source, target, validFrom);
    if (r.message.empty()) Fault("Import ohne Meldung", bytes);
    if (!r.ok) {
        if (std::filesystem::exists(target)) Fault("Gescheiterter Import hat geschrieben", r.message);
        return;
    }
    (void)valorix::BlzDateText(r.stand);
    const std::map<std::string, std::string> banks = Written(target);
    if (static_cast<long>(banks.size()) != r.banks || banks.empty()) Fault("Import zählt falsch", r.message);
    valorix::UseBlzDirectory(target);
    int asked = 0;
    for (const auto& [code, bic] : banks) {
        if (valorix::BlzLookup(code) != bic) Fault("Importierte Bankleitzahl " + code + " nicht gefunden", bytes);
        if (++asked == 64) break;
    }
}

void Lookup(const std::string& bytes, const uint8_t* data, size_t size) {
    const std::string file = g_base + "/lookup-" + std::to_string(g_turn) + ".TXT";
    valorix::fuzz::WriteBytes(file, data, size);
    valorix::UseBlzDirectory(file);
    // The bank codes the lines begin with, and one that is surely missing.
    size_t start = 0;
    for (int n = 0; n < 32 && start < bytes.size(); ++n) {
        const std::string code = bytes.substr(start, 8);
        const std::string bic = valorix::BlzLookup(code);
        if (!bic.empty() && (!IsBic(bic) || !valorix::BicMatchesListed(bic, bic)))
            Fault("Nachschlagen gibt keine BIC: " + bic, bytes);
        const size_t nl = bytes.find('\n', start);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    (void)valorix::BlzLookup("00000000");
    valorix::RevisitBlzDirectory();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_base = valorix::fuzz::ScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    g_turn ^= 1;
    const std::string source = g_base + "/blz.txt";
    valorix::fuzz::WriteBytes(source, data, size);
    Import(source, bytes);
    Lookup(bytes, data, size);
    valorix::UseBlzDirectory("");
    return 0;
}
