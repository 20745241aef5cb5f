// The schema store: the embedded schemas and their extraction into the data folder.
#pragma once
#include <span>
#include <string>

namespace valorix {

struct SchemaRow {
    int id;
    const char* fileName;  ///< in the data folder
    const char* source;    ///< the embedded file, below the schema folder of the build
};
/// The schemas in extraction order; a resource may be written under two names.
/// Generated from the schema rows of the build (cmake/EmbedSchemas.cmake),
/// the one place that gives a schema its id.
extern const std::span<const SchemaRow> kSchemaTable;
constexpr int kSchemaSetVersion = 3;

/// Writes the resource to a new file beside `path` and renames it into
/// place; false, with `path` as it was, when it cannot be written whole or
/// `path` is write-protected.
bool WriteResourceToFile(const std::string& path, int id);
/// Writes the schemas into `dataFolder` as the stored schema-set version
/// requires, nothing when all are in place; false when one of them (or the
/// version file) could not be written.
bool ExtractSchemas(const std::string& dataFolder);

}  // namespace valorix
