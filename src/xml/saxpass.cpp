#include "xml/saxpass.h"

#include <new>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <cstring>
#include <memory>
#include <optional>

#include "platform/codepage.h"
#include "platform/strutil.h"
#include "xml/elementguard.h"
#include "xml/encodings.h"
#include "xml/entityresolver.h"
#include "xml/parserfindings.h"
#include "xml/grammarload.h"
#include "xml/nvexception.h"
#include "xml/parsedtree.h"
#include "xml/xercessession.h"
#include "xml/xmlstr.h"

using namespace xercesc;

namespace valorix {

bool CProcessXmlDoc::StartElement(const std::string&, const std::string&, const std::string&,
                                  const std::vector<std::string>&, const std::vector<std::string>&) {
    return true;
}
bool CProcessXmlDoc::Characters(const std::string&, bool) { return true; }
void CProcessXmlDoc::EndElement(const std::string&, const std::string&, const std::string&) {}

bool CStdXmlDoc::StartElement(const std::string&, const std::string& qName, const std::string&,
                              const std::vector<std::string>&, const std::vector<std::string>&) {
    m_elementStack.push_back(qName);
    return true;
}

std::string CStdXmlDoc::CurrentPath() const {
    std::string path;
    for (size_t i = 0; i < m_elementStack.size(); ++i) {
        if (i) path += '/';
        path += m_elementStack[i];
    }
    return path;
}

bool CStdXmlDoc::Characters(const std::string& text, bool) {
    const std::string path = CurrentPath();
    if (!m_paths.empty() && m_paths.back() == path) m_values.back() += text;
    else {
        m_paths.push_back(path);
        m_values.push_back(text);
    }
    return true;
}

void CStdXmlDoc::EndElement(const std::string&, const std::string&, const std::string&) {
    if (!m_elementStack.empty()) m_elementStack.pop_back();
}

const std::string& CNVContenhandler::Uri(const XMLCh* uri) {
    // The reader hands out the same pooled string for a namespace again and again.
    if (uri && uri == m_lastUriPointer &&
        std::memcmp(uri, m_lastUri.c_str(), (m_lastUri.size() + 1) * sizeof(char16_t)) == 0)
        return m_lastUriText;
    const char16_t* u = reinterpret_cast<const char16_t*>(uri ? uri : u"");
    if (m_lastUri != u) {
        m_lastUri = u;
        m_lastUriText = Utf16ToCp1252(u);
    }
    m_lastUriPointer = uri;
    return m_lastUriText;
}

void CNVContenhandler::startDocument() {
    m_continued = false;
    m_openNames.clear();
    m_guard.Reset();
    if (m_processor) m_processor->StartDocument();
}

void CNVContenhandler::endDocument() {
    m_continued = false;
    if (m_processor) m_processor->EndDocument();
}

void CNVContenhandler::startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                                    const Attributes& attrs) {
    m_continued = false;
    m_guard.Open(m_locator, attrs.getLength());
    if (!m_processor) return;
    std::vector<std::string> names, values;
    for (XMLSize_t i = 0; i < attrs.getLength(); ++i) {
        names.push_back(X2A(attrs.getLocalName(i)));
        values.push_back(X2A(attrs.getValue(i)));
    }
    // Without a prefix the reader hands out one string as both names.
    OpenNames open{X2A(localname), std::string()};
    open.qualified = qname == localname ? open.local : X2A(qname);
    if (!m_processor->StartElement(open.local, open.qualified, Uri(uri), names, values)) throw CNvException("Abbruch");
    m_openNames.push_back(std::move(open));
}

void CNVContenhandler::endElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname) {
    m_continued = false;
    m_guard.Close();
    if (!m_processor) return;
    // An end tag names what its start tag named: the names converted there serve.
    if (m_openNames.empty()) {
        m_processor->EndElement(X2A(localname), X2A(qname), Uri(uri));
        return;
    }
    const OpenNames open = std::move(m_openNames.back());
    m_openNames.pop_back();
    m_processor->EndElement(open.local, open.qualified, Uri(uri));
}

void CNVContenhandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_processor && m_processor->WantsCharacters()) {
        const std::string text = Utf16ToCp1252(reinterpret_cast<const char16_t*>(chars), length);
        if (!m_processor->Characters(text, m_continued)) throw CNvException("Abbruch");
    }
    m_continued = true;
}

void CNVContenhandler::GetPosition(int& column, int& line) const {
    if (!m_locator) return;
    column = static_cast<int>(m_locator->getColumnNumber());
    line = static_cast<int>(m_locator->getLineNumber());
}

namespace {

void AddRecord(CProcessXmlDoc* p, const std::string& text, int line, int column, FindingKind kind) {
    p->m_findings.push_back(Finding{text, line, column, kind});
}

}  // namespace

int RunSaxPass(const std::string& source, CProcessXmlDoc* processor, const std::string& schemaPath, bool fullRecords) {
    // The handler that hands the events to the processor.
    auto handler = std::make_unique<CNVContenhandler>(processor);
    if (processor) processor->m_handler = handler.get();
    const bool withSchema = !schemaPath.empty();
    int result = 0;
    std::string errorText;
    std::optional<LimitExcess> excess;
    // The parser library, with the encodings it does not know by itself.
    XercesSession session;
    // The reader; the schema comes only from its own folder, nothing the document names is read.
    std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
    CSafeEntityResolver resolver(schemaPath);
    SecurityManager security;
    security.setEntityExpansionLimit(kEntityExpansionLimit);
    if (auto* impl = dynamic_cast<SAX2XMLReaderImpl*>(reader.get())) impl->setXMLEntityResolver(&resolver);
    else throw CNvException("Error during Xerces-c Initialization.\r\n  Exception message: no entity resolver");
    reader->setProperty(XMLUni::fgXercesSecurityManager, &security);
    reader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
    reader->setFeature(XMLUni::fgXercesLoadExternalDTD, false);
    reader->setFeature(XMLUni::fgXercesLoadSchema, false);
    // The schema scanner, as in the tree parse: a document type declaration is
    // passed over, so no entity it declares is expanded and no external subset
    // is read, and both modes see the same document.
    reader->setProperty(XMLUni::fgXercesScannerName, const_cast<XMLCh*>(XMLUni::fgSGXMLScanner));
    bool grammarLoaded = false;
    if (withSchema) {
        grammarLoaded = LoadSchemaGrammar(*reader, resolver);
        if (!grammarLoaded) {
            if (processor) AddRecord(processor, SchemaLoadFailedText(schemaPath), -1, -1, FindingKind::Error);
            else errorText = SchemaLoadFailedText(schemaPath);
        }
    }
    // Namespaces are resolved in every pass, as the tree parse's scanner does:
    // detection needs the root's namespace from the well-formedness pass.
    reader->setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(XMLUni::fgXercesSchema, withSchema);
    reader->setFeature(XMLUni::fgXercesSchemaFullChecking, false);
    reader->setFeature(XMLUni::fgXercesIdentityConstraintChecking, true);
    reader->setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, true);
    if (!grammarLoaded) {
        reader->setFeature(XMLUni::fgSAX2CoreValidation, false);
    } else {
        reader->setFeature(XMLUni::fgXercesUseCachedGrammarInParse, true);
        reader->setFeature(XMLUni::fgSAX2CoreValidation, true);
        reader->setFeature(XMLUni::fgXercesDynamic, false);
    }
    // Its findings.
    ParserFindings reporter;
    reader->setErrorHandler(&reporter);
    reader->setContentHandler(handler.get());
    // The pass over the text.
    try {
        MemBufInputSource input(reinterpret_cast<const XMLByte*>(source.data()), source.size(), "InMem", false);
        input.setCopyBufToStream(false);  // the text is read in place
        reader->parse(input);
    } catch (const OutOfMemoryException&) {
        throw std::bad_alloc();  // the file cannot be checked at all: its caller names it
    } catch (const XMLException& e) {
        errorText = "An error occurred during parsing\r\n   Message: " + X2A(e.getMessage());
    } catch (const SAXException& e) {
        errorText = "\nError during parsing: '" + source + "=\r\nSAXException is:  " + X2A(e.getMessage());
    } catch (const LimitExcess& e) {
        excess = e;
    } catch (const CNvException& e) {
        errorText = e.Text().substr(0, 99);
    } catch (int code) {
        if (code == -1) result = -1;
        else errorText = "An error occurred during parsing\r\n ";
    }
    // The findings, to the processor or into the error text: refusals, the parser's findings, a limit.
    for (const auto& refusal : resolver.Refusals()) {
        const std::string text = RefusalText(refusal.systemId);
        if (processor) AddRecord(processor, text, refusal.line, refusal.column, FindingKind::Fatal);
        else errorText += (errorText.empty() ? "" : "\r\n") + text;
    }
    if (processor) processor->m_schemaRecordsBegin = processor->m_findings.size();
    for (size_t i = 0; i < reporter.m_findings.size(); ++i) {
        if (processor) {
            if (fullRecords) processor->m_findings.push_back(reporter.m_findings[i]);
            else processor->m_findings.push_back(Finding{reporter.m_formatted[i]});
        } else {
            errorText += (errorText.empty() ? "" : "\r\n") + reporter.m_formatted[i];
        }
    }
    if (processor) processor->m_schemaRecordsEnd = processor->m_findings.size();
    if (excess) {
        if (processor) {
            AddRecord(processor, excess->text, excess->line, excess->column, FindingKind::Fatal);
        } else {
            errorText += (errorText.empty() ? "" : "\r\n") +
                         Format(kFatalFormat, excess->line, excess->column, excess->text.c_str());
        }
    }
    // The handler and the reader go.
    if (processor) processor->m_handler = nullptr;
    reader.reset();
    if (!errorText.empty()) throw CNvException(errorText);
    return result;
}

bool IsValidAgainst(const std::string& text, const std::string& schemaPath) {
    try {
        return RunSaxPass(text, nullptr, schemaPath, false) == 0;
    } catch (const CNvException&) {
        return false;
    }
}

}  // namespace valorix
