#include "app/schemastore.h"

#include <cstring>
#include <filesystem>

#include "app/resources.h"
#include "platform/filelock.h"
#include "platform/inifile.h"
#include "platform/paths.h"

namespace valorix {

std::string LoadBinaryResource(const std::string& name) {
    if (name.size() < 2 || name[0] != '#') return {};
    int id = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return {};
        id = id * 10 + (name[i] - '0');
    }
    for (size_t i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        if (r.id != id) continue;
        const size_t size = static_cast<size_t>(r.end - r.begin);
        const void* zero = std::memchr(r.begin, 0, size);
        const size_t len = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - r.begin) : size;
        return std::string(reinterpret_cast<const char*>(r.begin), len);
    }
    return {};
}

bool WriteResourceToFile(const std::string& path, int id) {
    if (!MayOverwrite(path)) return false;
    return WriteFileAtomically(path, LoadBinaryResource("#" + std::to_string(id)));
}

namespace {

// A row's file must be written: it is missing, or an empty file that a
// failed write left behind in the place of a schema (an edited one is kept).
bool NeedsWriting(const SchemaRow& row, const std::string& path) {
    if (!EntryExists(path)) return true;
    const FileStamp stamp = StatFile(path);
    return stamp.regular && stamp.size == 0 && !LoadBinaryResource("#" + std::to_string(row.id)).empty();
}

bool SchemasInPlace(const std::string& dataFolder) {
    if (ReadIniInt(dataFolder + "/XSDVERS.INI", "XSD", "VERS", 0) != kSchemaSetVersion) return false;
    for (const SchemaRow& row : kSchemaTable)
        if (NeedsWriting(row, dataFolder + "/" + row.fileName)) return false;
    return true;
}

// How long a run waits for another that writes the schemas.
constexpr int kExtractionWaitMs = 60000;

}  // namespace

bool ExtractSchemas(const std::string& dataFolder) {
    // The usual start: everything in place, nothing written, no lock.
    if (SchemasInPlace(dataFolder)) return true;
    // Runs at once on one folder write one after the other; the next finds
    // the work done. Every file goes into place by a rename, the version
    // file last, so a run that reads them sees either the old file or the
    // new one. A lock not had within the bound changes nothing of that.
    const CFileLock lock(dataFolder + "/XSDVERS.LCK", kExtractionWaitMs);
    if (lock.Held() && SchemasInPlace(dataFolder)) return true;
    const std::string versionFile = dataFolder + "/XSDVERS.INI";
    const bool current = ReadIniInt(versionFile, "XSD", "VERS", 0) == kSchemaSetVersion;
    bool written = true;
    for (const SchemaRow& row : kSchemaTable) {
        const std::string path = dataFolder + "/" + row.fileName;
        if (const char* slash = std::strrchr(row.fileName, '/')) {
            std::error_code ec;
            std::filesystem::create_directories(FsPath(dataFolder + "/" + std::string(row.fileName, slash)), ec);
        }
        if ((!current || NeedsWriting(row, path)) && !WriteResourceToFile(path, row.id)) written = false;
    }
    if (!current && !WriteIniString(versionFile, "XSD", "VERS", std::to_string(kSchemaSetVersion))) written = false;
    return written;
}

}  // namespace valorix
