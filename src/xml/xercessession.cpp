#include "xml/xercessession.h"

#include <mutex>

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "xml/encodings.h"
#include "xml/nvexception.h"
#include "xml/xmlstr.h"

using namespace xercesc;

namespace valorix {
namespace {
// The library's own count of initialisations is not guarded: ours is.
std::mutex g_sessionMutex;
int g_sessions = 0;
}  // namespace

XercesSession::XercesSession() {
    std::lock_guard<std::mutex> lock(g_sessionMutex);
    if (g_sessions > 0) {
        ++g_sessions;
        return;
    }
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& e) {
        throw CNvException("Error during Xerces-c Initialization.\r\n  Exception message: " + X2A(e.getMessage()));
    }
    // Only names a document declares are looked up, so the extra names are
    // there for every parse; a document in another encoding never meets them.
    RegisterExtraEncodings();
    ++g_sessions;
}

XercesSession::~XercesSession() {
    std::lock_guard<std::mutex> lock(g_sessionMutex);
    if (--g_sessions == 0) XMLPlatformUtils::Terminate();
}

}  // namespace valorix
