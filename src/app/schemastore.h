// The schema store: the embedded schemas and their extraction into the data folder.
#pragma once
#include <string>

namespace valorix {

struct SchemaRow {
    int id;
    const char* fileName;
};
/// The 37 schemas in extraction order.
extern const SchemaRow kSchemaTable[37];
constexpr int kSchemaSetVersion = 2;

/// Writes the resource to `path` (truncating); false when the file cannot be opened.
bool WriteResourceToFile(const std::string& path, int id);
/// Writes the schemas into `dataFolder` as the stored schema-set version
/// requires; false when one of them could not be written.
bool ExtractSchemas(const std::string& dataFolder);

}  // namespace valorix
