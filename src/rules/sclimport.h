// Import of the Bundesbank's SCL directory (a semicolon-separated text file)
// into the directory file the BIC check reads ("NVSCL.INI").
#pragma once
#include <string>
#include <vector>

namespace valorix {

struct SclImportResult {
    bool ok = false;
    std::string message;  ///< CP1252: what was written, or why nothing was
    int banks = 0;
    std::string stand;    ///< YYMMDD
    std::vector<std::string> warnings;  ///< CP1252: a BIC listed twice with other flags (the first line counts)
    std::string content;  ///< the directory file's text (ReadSclDirectoryCsv only)
};

/// Reads `source` as ImportSclDirectory does, without writing anything; the
/// directory file's text is in `content`.
SclImportResult ReadSclDirectoryCsv(const std::string& source);

/// Reads `source` ("Gueltig ab / valid from DD.MM.YYYY", the header line
/// "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC",
/// then one line per bank with 0/1 flags) and writes `target` through a
/// temporary file and a rename, so a failed import never damages an existing
/// directory.
SclImportResult ImportSclDirectory(const std::string& source, const std::string& target);

}  // namespace valorix
