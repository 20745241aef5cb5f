#include "xml/entityresolver.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <filesystem>

#include "platform/paths.h"
#include "platform/strutil.h"
#include "xml/xmlstr.h"

namespace valorix {
namespace fs = std::filesystem;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A file URI's path with its %XX escapes decoded; "" for a broken escape.
std::string FileUriPath(const std::string& uri) {
    std::string out;
    for (size_t i = 7; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            out += uri[i];
            continue;
        }
        const int hi = i + 2 < uri.size() ? HexValue(uri[i + 1]) : -1;
        const int lo = hi >= 0 ? HexValue(uri[i + 2]) : -1;
        if (lo < 0) return {};
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

// A reference as a local path (UTF-8): plain paths stay as they are, file URIs
// are decoded, anything else ("http://", ...) gives "".
std::string LocalPath(const std::string& ref) {
#ifdef _WIN32
    // file:///C:/x names the path C:/x
    if (StartsWith(ref, "file:///") && ref.size() > 10 && ref[9] == ':') return FileUriPath(ref).substr(1);
#endif
    if (StartsWith(ref, "file://")) return FileUriPath(ref);
    if (Contains(ref, "://")) return {};
    return ref;
}

// The file a schema reference names, or "" when it is not a local path.
std::string SchemaFileOf(const std::string& systemId, const std::string& baseUri) {
    const std::string sys = LocalPath(systemId);
    if (sys.empty()) return {};
    if (IsRootedPath(sys)) return sys;
    const std::string base = LocalPath(baseUri);
    if (base.empty() || !IsRootedPath(base)) return {};
    return PathString(FsPath(base).parent_path() / FsPath(sys));
}

}  // namespace

std::string RefusalText(const std::string& systemId) {
    return A("Der externe Verweis '") + systemId + A("' wird aus Sicherheitsgründen nicht geladen!");
}

CSafeEntityResolver::CSafeEntityResolver(const std::string& schemaPath) {
    if (schemaPath.empty()) return;
    // One absolute, canonical form, whatever the folder's name: relative,
    // reached through a link, with spaces, "%" or characters beyond ASCII.
    std::error_code ec;
    const fs::path canon = fs::weakly_canonical(fs::absolute(FsPath(schemaPath), ec), ec);
    if (ec) return;
    m_schemaFile = PathString(canon);
    m_allowedFolder = PathString(canon.parent_path());
}

xercesc::InputSource* CSafeEntityResolver::resolveEntity(xercesc::XMLResourceIdentifier* id) {
    const char16_t* sys16 = reinterpret_cast<const char16_t*>(id->getSystemId());
    if (m_loadingSchema && !m_allowedFolder.empty()) {
        const std::string file = SchemaFileOf(Utf16ToUtf8(sys16),
                                              Utf16ToUtf8(reinterpret_cast<const char16_t*>(id->getBaseURI())));
        if (!file.empty()) {
            std::error_code ec;
            const fs::path canon = fs::weakly_canonical(FsPath(file), ec);
            if (!ec && PathString(canon.parent_path()) == m_allowedFolder && fs::is_regular_file(canon, ec)) {
                const std::u16string wide = Utf8ToUtf16(PathString(canon));
                return new xercesc::LocalFileInputSource(XP(wide));
            }
        }
    }
    const std::string systemId = Utf16ToCp1252(sys16);
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
