// A guard against absurdly deep element nesting. The parser resolves namespace
// prefixes by walking its element stack, so a file nested a hundred thousand
// levels deep costs time quadratic in the depth. Payment files are a dozen
// levels deep. The guard counts the parser's own element events, so it sees
// the elements whatever the file's encoding, and stops the parse at the first
// element nested too deep.
#pragma once
#include <string>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class Locator;
XERCES_CPP_NAMESPACE_END

namespace valorix {

/// Deepest nesting the checker accepts.
constexpr int kMaxElementDepth = 1000;

/// Thrown out of the parse when an element opens deeper than the limit.
struct DepthExcess {
    int line;    ///< the parser's position just after that start tag
    int column;
};

class CDepthGuard {
public:
    explicit CDepthGuard(int limit = kMaxElementDepth) : m_limit(limit) {}
    /// An element opens; throws DepthExcess at the locator's position when it
    /// lies deeper than the limit.
    void Open(const xercesc::Locator* locator);
    void Close() {
        if (m_depth > 0) --m_depth;
    }
    void Reset() { m_depth = 0; }

private:
    int m_limit;
    int m_depth = 0;
};

/// The finding's text.
std::string DepthExcessText(int limit = kMaxElementDepth);

}  // namespace valorix
