// A guard against absurd element structures. The parser resolves namespace
// prefixes by walking its element stack, so a file nested a hundred thousand
// levels deep costs time quadratic in the depth, and the document tree finds
// an element's attributes by a linear search, so forty thousand attributes on
// one element cost time quadratic in their number. Payment files are a dozen
// levels deep with a few attributes. The guard reads the parser's own element
// events, so it sees the elements whatever the file's encoding, and stops the
// parse at the first element beyond a limit.
#pragma once
#include <string>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class Locator;
XERCES_CPP_NAMESPACE_END

namespace valorix {

/// Deepest nesting the checker accepts.
constexpr int kMaxElementDepth = 1000;
/// Most attributes (namespace declarations included) one element may carry.
constexpr size_t kMaxAttributes = 256;

/// Thrown out of the parse when an element exceeds a limit.
struct LimitExcess {
    int line;    ///< the parser's position just after that start tag
    int column;
    std::string text;  ///< the finding (CP1252)
};

class CElementGuard {
public:
    explicit CElementGuard(int limit = kMaxElementDepth) : m_limit(limit) {}
    /// An element with `attributes` attributes opens; throws LimitExcess at
    /// the locator's position when it lies deeper than the limit or carries
    /// too many attributes.
    void Open(const xercesc::Locator* locator, size_t attributes);
    void Close() {
        if (m_depth > 0) --m_depth;
    }
    void Reset() { m_depth = 0; }

private:
    int m_limit;
    int m_depth = 0;
};

/// The findings' texts.
std::string DepthExcessText(int limit = kMaxElementDepth);
std::string AttributeExcessText(size_t limit = kMaxAttributes);

}  // namespace valorix
