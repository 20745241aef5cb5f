#include "xml/entityresolver.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <filesystem>

#include "platform/strutil.h"
#include "xml/xmlstr.h"

namespace valorix {
namespace fs = std::filesystem;

namespace {

std::string StripFileScheme(const std::string& s) {
    if (StartsWith(s, "file://")) return s.substr(7);
    return s;
}

// The file a schema reference names, or "" when it is not a plain local path.
std::string SchemaFileOf(const std::string& systemId, const std::string& baseUri) {
    std::string sys = StripFileScheme(systemId);
    if (sys.empty() || Contains(sys, "://") || Contains(sys, "%")) return {};
    if (sys[0] == '/') return sys;
    std::string base = StripFileScheme(baseUri);
    if (base.empty() || base[0] != '/') return {};
    return fs::path(base).parent_path().string() + "/" + sys;
}

}  // namespace

std::string RefusalText(const std::string& systemId) {
    return A("Der externe Verweis '") + systemId + A("' wird aus Sicherheitsgründen nicht geladen!");
}

CSafeEntityResolver::CSafeEntityResolver(const std::string& schemaPath) {
    if (schemaPath.empty()) return;
    const size_t slash = schemaPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : schemaPath.substr(0, slash);
    std::error_code ec;
    fs::path canon = fs::weakly_canonical(folder, ec);
    if (!ec) m_allowedFolder = canon.string();
}

xercesc::InputSource* CSafeEntityResolver::resolveEntity(xercesc::XMLResourceIdentifier* id) {
    const std::string systemId = X2A(id->getSystemId());
    if (m_loadingSchema && !m_allowedFolder.empty()) {
        std::string file = SchemaFileOf(systemId, X2A(id->getBaseURI()));
        if (!file.empty()) {
            std::error_code ec;
            fs::path canon = fs::weakly_canonical(file, ec);
            if (!ec && canon.parent_path().string() == m_allowedFolder && fs::is_regular_file(canon, ec)) {
                std::u16string wide = A2X(canon.string());
                return new xercesc::LocalFileInputSource(XP(wide));
            }
        }
    }
    int line = -1, column = -1;
    if (const xercesc::Locator* loc = id->getLocator()) {
        line = static_cast<int>(loc->getLineNumber());
        column = static_cast<int>(loc->getColumnNumber());
    }
    m_refusals.push_back({systemId, line, column});
    // An empty source: nothing is read, from disk or from the network.
    static const XMLByte kEmpty[] = {0};
    auto* src = new xercesc::MemBufInputSource(kEmpty, 0, id->getSystemId() ? id->getSystemId() : u"");
    return src;
}

}  // namespace valorix
