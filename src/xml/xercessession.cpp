#include "xml/xercessession.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "xml/nvexception.h"
#include "xml/xmlstr.h"

using namespace xercesc;

namespace valorix {

XercesSession::XercesSession() {
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& e) {
        throw CNvException("Error during Xerces-c Initialization.\r\n  Exception message: " + X2A(e.getMessage()));
    }
}

XercesSession::~XercesSession() { XMLPlatformUtils::Terminate(); }

}  // namespace valorix
