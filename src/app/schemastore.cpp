#include "app/schemastore.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/resources.h"
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
    const std::string content = LoadBinaryResource("#" + std::to_string(id));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return true;
}

bool ExtractSchemas(const std::string& dataFolder) {
    const std::string versionFile = dataFolder + "/XSDVERS.INI";
    const bool rewriteAll = ReadIniInt(versionFile, "XSD", "VERS", 0) != kSchemaSetVersion;
    bool written = true;
    for (const SchemaRow& row : kSchemaTable) {
        const std::string path = dataFolder + "/" + row.fileName;
        if (const char* slash = std::strrchr(row.fileName, '/')) {
            std::error_code ec;
            std::filesystem::create_directories(FsPath(dataFolder + "/" + std::string(row.fileName, slash)), ec);
        }
        if ((rewriteAll || !EntryExists(path)) && !WriteResourceToFile(path, row.id)) written = false;
    }
    WriteIniString(versionFile, "XSD", "VERS", std::to_string(kSchemaSetVersion));
    return written;
}

}  // namespace valorix
