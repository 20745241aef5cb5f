#include "app/schemastore.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/resources.h"
#include "platform/inifile.h"
#include "platform/paths.h"

namespace valorix {

const SchemaRow kSchemaTable[] = {  // as many rows as kSchemaCount, or the declaration conflicts
    // The editions after 3.0: the DK subsets in one folder per data-format
    // version, beside the container that imports them by their plain names;
    // the ISO originals apart, for comparison.
    {370, "GBIC_5/pain.001.001.09.xsd", "current/dk/pain.001.001.09_GBIC_5.xsd"},
    {371, "GBIC_5/pain.008.001.08.xsd", "current/dk/pain.008.001.08_GBIC_5.xsd"},
    {372, "GBIC_5/pain.007.001.09.xsd", "current/dk/pain.007.001.09_GBIC_5.xsd"},
    {363, "GBIC_5/container.nnn.001.GBIC4.xsd", "current/dk/container.nnn.001.GBIC4.xsd"},
    {360, "GBIC_4/pain.001.001.09.xsd", "current/dk/pain.001.001.09_GBIC_4.xsd"},
    {361, "GBIC_4/pain.008.001.08.xsd", "current/dk/pain.008.001.08_GBIC_4.xsd"},
    {362, "GBIC_4/pain.007.001.09.xsd", "current/dk/pain.007.001.09_GBIC_4.xsd"},
    {363, "GBIC_4/container.nnn.001.GBIC4.xsd", "current/dk/container.nnn.001.GBIC4.xsd"},
    {364, "pain.002.001.10.xsd", "current/dk/pain.002.001.10.xsd"},
    {355, "camt.052.001.08.xsd", "current/iso/camt.052.001.08.xsd"},
    {356, "camt.053.001.08.xsd", "current/iso/camt.053.001.08.xsd"},
    {365, "camt.054.001.08.xsd", "current/dk/camt.054.001.08.xsd"},
    {352, "ISO/pain.001.001.09.xsd", "current/iso/pain.001.001.09.xsd"},
    {353, "ISO/pain.008.001.08.xsd", "current/iso/pain.008.001.08.xsd"},
    {354, "ISO/pain.002.001.10.xsd", "current/iso/pain.002.001.10.xsd"},
    {357, "ISO/camt.054.001.08.xsd", "current/iso/camt.054.001.08.xsd"},
    {348, "container.nnn.001.02.xsd", "container.nnn.001.02.xsd"},
    {349, "pain.001.001.03.xsd", "pain.001.001.03.xsd"},
    {350, "pain.008.001.02.xsd", "pain.008.001.02.xsd"},
    {351, "pain.002.001.03.xsd", "pain.002.001.03.xsd"},
    {346, "ISO.A.pain.001.001.03.xsd", "ISO.A.pain.001.001.03.xsd"},
    {347, "ISO.A.pain.008.001.02.xsd", "ISO.A.pain.008.001.02.xsd"},
    {342, "ISO.pain.001.001.03.austrian.003.xsd", "ISO.pain.001.001.03.austrian.003.xsd"},
    {343, "ISO.pain.008.001.02.austrian.003.xsd", "ISO.pain.008.001.02.austrian.003.xsd"},
    {344, "RB6.0_pain.001_codelists.xsd", "RB6.0_pain.001_codelists.xsd"},
    {345, "RB6.0_pain.008_codelists.xsd", "RB6.0_pain.008_codelists.xsd"},
    {341, "BbkXmwBasis.xsd", "BbkXmwBasis.xsd"},
    {340, "BbkXmwAwzel.xsd", "BbkXmwAwzel.xsd"},
    {336, "container.nnn.003.02.xsd", "container.nnn.003.02.xsd"},
    {337, "pain.001.003.03.xsd", "pain.001.003.03.xsd"},
    {338, "pain.008.003.02.xsd", "pain.008.003.02.xsd"},
    {339, "pain.002.003.03.xsd", "pain.002.003.03.xsd"},
    {333, "ZKA.camt.052.001.02.v02.xsd", "ZKA.camt.052.001.02.v02.xsd"},
    {334, "ZKA.camt.053.001.02.v02.xsd", "ZKA.camt.053.001.02.v02.xsd"},
    {335, "ZKA.camt.054.001.02.v02.xsd", "ZKA.camt.054.001.02.v02.xsd"},
    {329, "ISO.pain.001.001.02.austrian.002.xsd", "ISO.pain.001.001.02.austrian.002.xsd"},
    {330, "ISO.pain.008.001.01.austrian.002.xsd", "ISO.pain.008.001.01.austrian.002.xsd"},
    {331, "ISO.pain.001.001.03.austrian.001.xsd", "ISO.pain.001.001.03.austrian.001.xsd"},
    {332, "ISO.pain.008.001.02.austrian.001.xsd", "ISO.pain.008.001.02.austrian.001.xsd"},
    {325, "container.nnn.002.02.xsd", "container.nnn.002.02.xsd"},
    {326, "pain.001.002.03.xsd", "pain.001.002.03.xsd"},
    {327, "pain.008.002.02.xsd", "pain.008.002.02.xsd"},
    {328, "pain.002.002.03.xsd", "pain.002.002.03.xsd"},
    {321, "container.nnn.002.xsd", "container.nnn.002.xsd"},
    {322, "pain.001.002.02.xsd", "pain.001.002.02.xsd"},
    {323, "pain.008.002.01.xsd", "pain.008.002.01.xsd"},
    {324, "pain.002.002.02.xsd", "pain.002.002.02.xsd"},
    {320, "pain.008.001.01.xsd", "pain.008.001.01.xsd"},
    {319, "pain.008.001.01.grp.xsd", "pain.008.001.01.grp.xsd"},
    {318, "pain.008.001.01.con.xsd", "pain.008.001.01.con.xsd"},
    {311, "pain.001.001.02.xsd", "pain.001.001.02.xsd"},
    {313, "pain.001.001.02.grp.xsd", "pain.001.001.02.grp.xsd"},
    {312, "pain.001.001.02.con.xsd", "pain.001.001.02.con.xsd"},
};

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
            std::filesystem::create_directories(dataFolder + "/" + std::string(row.fileName, slash), ec);
        }
        if ((rewriteAll || !EntryExists(path)) && !WriteResourceToFile(path, row.id)) written = false;
    }
    WriteIniString(versionFile, "XSD", "VERS", std::to_string(kSchemaSetVersion));
    return written;
}

}  // namespace valorix
