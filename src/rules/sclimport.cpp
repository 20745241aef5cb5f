#include "rules/sclimport.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/strutil.h"
#include "rules/scldirectory.h"

namespace valorix {

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0, semi;
    while ((semi = line.find(';', start)) != std::string::npos) {
        fields.push_back(Trim(line.substr(start, semi - start)));
        start = semi + 1;
    }
    fields.push_back(Trim(line.substr(start)));
    while (!fields.empty() && fields.back().empty()) fields.pop_back();  // trailing empty fields
    return fields;
}

SclImportResult Fail(const std::string& utf8) {
    SclImportResult r;
    r.message = A(utf8);
    return r;
}

// A line of the source as a message may quote it: UTF-8, at most 80
// characters, control characters visible.
std::string Excerpt(const std::string& line) {
    const std::string utf8 = VisibleControls(AsUtf8(line));
    size_t cut = 0, characters = 0;
    while (cut < utf8.size() && characters < 80) {
        ++cut;
        while (cut < utf8.size() && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) ++cut;
        ++characters;
    }
    return cut < utf8.size() ? utf8.substr(0, cut) + "…" : utf8;
}

bool IsFlag(const std::string& s) { return s == "0" || s == "1"; }

bool ValidBic(const std::string& bic) {
    if (bic.size() != 8 && bic.size() != 11) return false;
    for (char c : bic)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

}  // namespace

SclImportResult ReadSclDirectoryCsv(const std::string& source) {
    CInputFile file;
    switch (file.Open(source)) {
        case CInputFile::Status::Open: break;
        case CInputFile::Status::NotRegular: return Fail(Cp1252ToUtf8(NotRegularFileText(ShownPath(source))));
        case CInputFile::Status::Missing:
            return Fail("Die Datei '" + VisibleControls(NativeSeparators(source)) + "' kann nicht gelesen werden.");
    }
    std::istream& in = file.Stream();
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (!lines.empty() && StartsWith(lines[0], "\xEF\xBB\xBF")) lines[0].erase(0, 3);

    // First line: the date from which the directory is valid.
    const std::string head = lines.empty() ? std::string() : SplitFields(lines[0]).empty() ? std::string() : SplitFields(lines[0])[0];
    const std::string marker = "gueltig ab / valid from ";
    int day = 0, month = 0, year = 0;
    char extra = 0;
    if (head.size() < marker.size() || !EqualsNoCase(head.substr(0, marker.size()), marker) ||
        std::sscanf(head.c_str() + marker.size(), "%2d.%2d.%4d%c", &day, &month, &year, &extra) != 3 ||
        day < 1 || day > 31 || month < 1 || month > 12 || year < 2000 || year > 2099 ||
        !IsPlausibleStand(Format("%02d%02d%02d", year % 100, month, day)))
        return Fail("Die erste Zeile nennt kein Gültigkeitsdatum (\"Gueltig ab / valid from TT.MM.JJJJ\").");

    // Header: the columns by name.
    if (lines.size() < 2) return Fail("Die Kopfzeile des SCL-Verzeichnisses fehlt.");
    const std::vector<std::string> header = SplitFields(lines[1]);
    const char* const names[] = {"BIC", "SERVICE SCT", "SERVICE COR", "SERVICE B2B", "SERVICE COR1"};
    int column[5];
    for (int k = 0; k < 5; ++k) {
        column[k] = -1;
        for (size_t i = 0; i < header.size(); ++i)
            if (EqualsNoCase(header[i], names[k])) column[k] = static_cast<int>(i);
        if (column[k] < 0)
            return Fail(std::string("Die Kopfzeile des SCL-Verzeichnisses enthält keine Spalte '") + names[k] +
                        "'. Erwartet: BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC");
    }

    std::ostringstream out;
    SclImportResult r;
    r.stand = Format("%02d%02d%02d", year % 100, month, day);
    out << "[BIC]\r\nSTAND=" << r.stand << "\r\n";
    std::map<std::string, std::pair<std::string, size_t>> seen;  // BIC -> flags and line of its first entry
    for (size_t n = 2; n < lines.size(); ++n) {
        if (Trim(lines[n]).empty()) continue;
        const std::vector<std::string> fields = SplitFields(lines[n]);
        auto field = [&](int k) { return column[k] < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(column[k])] : std::string(); };
        const std::string bic = ToUpperAscii(field(0));
        std::string flags;
        for (int k = 1; k < 5; ++k) flags += field(k);
        bool ok = ValidBic(bic) && flags.size() == 4;
        for (int k = 1; k < 5 && ok; ++k) ok = IsFlag(field(k));
        if (!ok)
            return Fail(Format("Zeile %d des SCL-Verzeichnisses ist fehlerhaft: ", static_cast<int>(n + 1)) +
                        Excerpt(lines[n]));
        const auto [first, isNew] = seen.emplace(bic, std::make_pair(flags, n));
        if (!isNew) {
            if (first->second.first != flags)
                r.warnings.push_back(
                    A(Format("Die BIC %s steht zweimal mit verschiedenen Kennzeichen im SCL-Verzeichnis: Zeile %d (%s, "
                             "gilt) und Zeile %d (%s).",
                             bic.c_str(), static_cast<int>(first->second.second + 1), first->second.first.c_str(),
                             static_cast<int>(n + 1), flags.c_str())));
            continue;
        }
        out << bic << "=" << flags << "\r\n";
        ++r.banks;
    }
    if (r.banks == 0) return Fail("Das SCL-Verzeichnis enthält keine Institute.");

    r.content = out.str();
    r.ok = true;
    return r;
}

SclImportResult ImportSclDirectory(const std::string& source, const std::string& target) {
    if (SameFile(source, target))
        return Fail("Die Zieldatei '" + VisibleControls(NativeSeparators(target)) + "' ist die Eingabedatei '" +
                    VisibleControls(NativeSeparators(source)) + "' selbst und wird nicht überschrieben.");
    SclImportResult r = ReadSclDirectoryCsv(source);
    if (!r.ok) return r;
    if (!WriteFileAtomically(target, r.content))
        return Fail("Die Datei '" + VisibleControls(NativeSeparators(target)) + "' kann nicht geschrieben werden.");
    r.content.clear();
    r.message = Format(A("SCL-Verzeichnis mit %d Instituten (Stand %s) nach '%s' geschrieben.").c_str(), r.banks,
                       r.stand.c_str(), ShownPath(target).c_str());
    return r;
}

}  // namespace valorix
