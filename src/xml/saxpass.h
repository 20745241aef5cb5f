// Event mode: the document is streamed through the SAX2 reader and every
// event is handed to a processor, which keeps the element path and applies
// whatever it is built for (the rule processor applies the business rules).
#pragma once
#include <xercesc/sax2/ContentHandler.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "xml/elementguard.h"
#include "xml/finding.h"

namespace valorix {

class CNVContenhandler;

/// Base of all processors: their detail records and the running pass's handler.
class CProcessXmlDoc {
public:
    virtual ~CProcessXmlDoc() = default;
    virtual bool StartElement(const std::string& localName, const std::string& qName, const std::string& uri,
                              const std::vector<std::string>& attrLocalNames, const std::vector<std::string>& attrValues);
    virtual bool Characters(const std::string& text, bool continued);
    /// False when the processor reads no text of the open element: the
    /// reader's characters are then not converted for it.
    virtual bool WantsCharacters() const { return true; }
    virtual void EndElement(const std::string& localName, const std::string& qName, const std::string& uri);
    virtual void StartDocument() {}
    virtual void EndDocument() {}

    Findings m_findings;
    /// The findings of the schema validation: [begin, end) after a pass.
    size_t m_schemaRecordsBegin = 0, m_schemaRecordsEnd = 0;
    CNVContenhandler* m_handler = nullptr;  ///< valid during a pass only
};

/// The standard processor: the stack of open elements and the text of each path.
class CStdXmlDoc : public CProcessXmlDoc {
public:
    bool StartElement(const std::string& localName, const std::string& qName, const std::string& uri,
                      const std::vector<std::string>& attrLocalNames, const std::vector<std::string>& attrValues) override;
    bool Characters(const std::string& text, bool continued) override;
    void EndElement(const std::string& localName, const std::string& qName, const std::string& uri) override;

    /// The open elements joined with "/".
    std::string CurrentPath() const;

    std::vector<std::string> m_elementStack;
    std::vector<std::string> m_paths;
    std::vector<std::string> m_values;
};

/// Translates the reader's callbacks into processor calls (none without a
/// processor) and keeps the nesting within bounds.
class CNVContenhandler : public xercesc::ContentHandler {
public:
    explicit CNVContenhandler(CProcessXmlDoc* processor) : m_processor(processor) {}
    void characters(const XMLCh* const chars, const XMLSize_t length) override;
    void endDocument() override;
    void endElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname) override;
    void ignorableWhitespace(const XMLCh* const, const XMLSize_t) override {}
    void processingInstruction(const XMLCh* const, const XMLCh* const) override {}
    void setDocumentLocator(const xercesc::Locator* const locator) override { m_locator = locator; }
    void startDocument() override;
    void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                      const xercesc::Attributes& attrs) override;
    void startPrefixMapping(const XMLCh* const, const XMLCh* const) override {}
    void endPrefixMapping(const XMLCh* const) override {}
    void skippedEntity(const XMLCh* const) override {}

    /// The reader's current position; both stay untouched without a locator.
    void GetPosition(int& column, int& line) const;

private:
    /// The namespace of an element, converted once per distinct value.
    const std::string& Uri(const XMLCh* uri);

    CProcessXmlDoc* m_processor;
    const xercesc::Locator* m_locator = nullptr;
    const XMLCh* m_lastUriPointer = nullptr;
    std::u16string m_lastUri;
    std::string m_lastUriText;
    bool m_continued = false;
    CElementGuard m_guard;
    struct OpenNames {
        std::string local, qualified;
    };
    std::vector<OpenNames> m_openNames;  // of the elements not yet ended
};

/// Runs one event pass over `source` (the document text). Returns 0 after a
/// completed pass and -1 when the processor cancelled; throws CNvException
/// for any other failure. Findings of the parser go to the processor's records
/// (full records: raw text, line, column, kind).
int RunSaxPass(const std::string& source, CProcessXmlDoc* processor, const std::string& schemaPath, bool fullRecords);
/// True when `text` is valid against the schema: a pass without processor
/// that reports nothing.
bool IsValidAgainst(const std::string& text, const std::string& schemaPath);

}  // namespace valorix
