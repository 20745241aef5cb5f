#include "xml/depthguard.h"

#include <xercesc/sax/Locator.hpp>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

void CDepthGuard::Open(const xercesc::Locator* locator) {
    if (++m_depth <= m_limit) return;
    DepthExcess excess{-1, -1};
    if (locator) {
        excess.line = static_cast<int>(locator->getLineNumber());
        excess.column = static_cast<int>(locator->getColumnNumber());
    }
    throw excess;
}

std::string DepthExcessText(int limit) {
    return Format(A("Die Elemente sind tiefer als %d Ebenen verschachtelt, die Datei wird nicht verarbeitet!").c_str(),
                  limit);
}

}  // namespace valorix
