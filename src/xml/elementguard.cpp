#include "xml/elementguard.h"

#include <xercesc/sax/Locator.hpp>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

void CElementGuard::Open(const xercesc::Locator* locator, size_t attributes) {
    const bool tooDeep = ++m_depth > m_limit;
    if (!tooDeep && attributes <= kMaxAttributes) return;
    LimitExcess excess{-1, -1, tooDeep ? DepthExcessText(m_limit) : AttributeExcessText()};
    if (locator) {
        excess.line = static_cast<int>(locator->getLineNumber());
        excess.column = static_cast<int>(locator->getColumnNumber());
    }
    throw excess;
}

std::string DepthExcessText(int limit) {
    return A(Format("Die Elemente sind tiefer als %d Ebenen verschachtelt, die Datei wird nicht verarbeitet!", limit));
}

std::string AttributeExcessText(size_t limit) {
    return A(Format("Ein Element trägt mehr als %zu Attribute, die Datei wird nicht verarbeitet!", limit));
}

}  // namespace valorix
