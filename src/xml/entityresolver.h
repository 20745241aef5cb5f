// Entity resolver for untrusted documents. While a schema is being loaded it
// serves files that lie in one folder (the data folder: the schema itself and
// its imports and includes); while the document is parsed it refuses every
// external reference -- DTDs, external entities, schema locations named by the
// document -- without touching the file system or the network. Refusals are
// remembered so the parse can report them.
#pragma once
#include <xercesc/util/XMLEntityResolver.hpp>

#include <string>
#include <vector>

namespace valorix {

/// Entities a document may expand before its parse ends with a fatal finding.
constexpr unsigned kEntityExpansionLimit = 5000;

/// The fatal finding for a refused external reference.
std::string RefusalText(const std::string& systemId);

class CSafeEntityResolver : public xercesc::XMLEntityResolver {
public:
    /// Serves files of the folder of `schemaPath`; an empty path: nothing is served.
    explicit CSafeEntityResolver(const std::string& schemaPath);
    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* id) override;
    /// Between the calls with true and false, files of the allowed folder are served.
    void SetSchemaLoading(bool on) { m_loadingSchema = on; }
    /// The schema's absolute, canonical path (UTF-8); empty when there is none.
    const std::string& SchemaFile() const { return m_schemaFile; }

    struct Refusal {
        std::string systemId;
        int line;
        int column;
    };
    const std::vector<Refusal>& Refusals() const { return m_refusals; }

private:
    std::string m_schemaFile;     // canonical, or empty
    std::string m_allowedFolder;  // canonical, or empty
    std::vector<Refusal> m_refusals;
    bool m_loadingSchema = false;
};

}  // namespace valorix
