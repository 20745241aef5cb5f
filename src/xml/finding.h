// A finding of a check: what the parser or a rule says about one place of
// the file. The parsers, the rule passes of both modes and the whole-file
// checks all report findings of this one shape; the front ends read them in
// the order they were found.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace valorix {

/// How a finding is marked: warnings in blue, all others in red. The values
/// are those of the JSON report's "kind"; the last three are failures of the
/// parser library itself.
enum class FindingKind : uint8_t { Error = 0, Fatal = 1, Warning = 2, XmlException = 3, DomException = 4, Other = 255 };

struct Finding {
    std::string text;  ///< CP1252
    int line = 0;      ///< 1-based; 0 or -1: no position
    int column = 0;
    FindingKind kind = FindingKind::Error;

    bool operator==(const Finding&) const = default;
};

using Findings = std::vector<Finding>;

}  // namespace valorix
