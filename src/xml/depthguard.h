// A guard against absurdly deep element nesting. The parser resolves namespace
// prefixes by walking its element stack, so a file nested a hundred thousand
// levels deep costs time quadratic in the depth. Payment files are a dozen
// levels deep; a light scan of the text finds a file that is not, before any
// parse starts.
#pragma once
#include <optional>
#include <string>

namespace valorix {

/// Deepest nesting the checker accepts.
constexpr int kMaxElementDepth = 1000;

struct DepthExcess {
    int line;    ///< 1-based line of the start tag that exceeds the limit
    int column;  ///< 1-based column (bytes) of that tag's "<"
};

/// Scans the text's tags (skipping comments, CDATA sections, processing
/// instructions and declarations; quoted attribute values may hold ">") and
/// reports the first start tag nested deeper than `limit`.
std::optional<DepthExcess> FindExcessiveNesting(const std::string& text, int limit = kMaxElementDepth);

/// The finding's text.
std::string DepthExcessText(int limit = kMaxElementDepth);

}  // namespace valorix
