#include "xml/xmlparserdocument.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <new>
#include <unordered_map>

#include "platform/strutil.h"
#include "xml/elementguard.h"
#include "xml/entityresolver.h"
#include "xml/grammarload.h"
#include "xml/errorreporter.h"
#include "xml/nvexception.h"
#include "xml/xmlstr.h"

using namespace xercesc;

namespace valorix {


namespace {
// Kinds of detail records produced here.
constexpr uint8_t kKindOutOfMemory = 2;
constexpr uint8_t kKindXmlException = 3;
constexpr uint8_t kKindDomException = 4;
constexpr uint8_t kKindOther = 255;
constexpr uint8_t kKindFatal = 1;
constexpr uint8_t kKindError = 0;

// The tree parser with the element guard on its own element events.
class CGuardedDOMParser : public XercesDOMParser {
public:
    void startDocument() override {
        m_guard.Reset();
        XercesDOMParser::startDocument();
    }
    void startElement(const XMLElementDecl& decl, const unsigned int urlId, const XMLCh* const prefix,
                      const RefVectorOf<XMLAttr>& attrs, const XMLSize_t attrCount, const bool isEmpty,
                      const bool isRoot) override {
        m_guard.Open(getScanner()->getLocator(), attrCount);
        XercesDOMParser::startElement(decl, urlId, prefix, attrs, attrCount, isEmpty, isRoot);
        if (isEmpty) m_guard.Close();  // no end event follows
    }
    void endElement(const XMLElementDecl& decl, const unsigned int urlId, const bool isRoot,
                    const XMLCh* const prefix) override {
        m_guard.Close();
        XercesDOMParser::endElement(decl, urlId, isRoot, prefix);
    }

private:
    CElementGuard m_guard;
};
}  // namespace

CXmlParserDocument::CXmlParserDocument(std::string text, bool readFromFile, std::string schema,
                                       bool registerEncodings)
    : m_register(registerEncodings),
      m_text(std::move(text)),
      m_schema(std::move(schema)),
      m_readFromFile(readFromFile) {
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& e) {
        throw CNvException("Error during Xerces-c Initialization.\r\n  Exception message: " + X2A(e.getMessage()));
    }
    m_initialised = true;
    if (m_register) RegisterExtraEncodings(m_encodingBuffers);
}

CXmlParserDocument::~CXmlParserDocument() {
    m_reporter.reset();
    m_parser.reset();  // frees the tree
    m_resolver.reset();
    m_security.reset();
    m_encodingBuffers.clear();
    if (m_initialised) XMLPlatformUtils::Terminate();
}

CXmlParserDocument::ParseOutcome CXmlParserDocument::RunParse() {
    ParseOutcome out;
    const bool withSchema = !m_schema.empty();
    m_parser = std::make_unique<CGuardedDOMParser>();
    m_parser->setValidationScheme(XercesDOMParser::Val_Never);
    m_parser->setDoNamespaces(withSchema);
    m_parser->setDoSchema(withSchema);
    m_parser->setValidationSchemaFullChecking(false);
    m_parser->setCreateEntityReferenceNodes(false);
    m_parser->useScanner(XMLUni::fgSGXMLScanner);
    m_security = std::make_unique<SecurityManager>();
    m_security->setEntityExpansionLimit(kEntityExpansionLimit);
    m_parser->setSecurityManager(m_security.get());
    // The document is untrusted: schemas come only from the schema's own folder,
    // and no DTD, external entity or schema location named by the file is read.
    m_resolver = std::make_unique<CSafeEntityResolver>(m_schema);
    m_parser->setXMLEntityResolver(m_resolver.get());
    m_parser->setDisableDefaultEntityResolution(true);
    m_parser->setLoadExternalDTD(false);
    m_parser->setLoadSchema(false);

    m_reporter = std::make_unique<DOMTreeErrorReporter>();
    if (withSchema) {
        if (LoadSchemaGrammar(*m_parser, *m_resolver)) {
            m_parser->setValidationScheme(XercesDOMParser::Val_Always);
            m_parser->useCachedGrammarInParse(true);
        } else {
            out.records.push_back({SchemaLoadFailedText(m_schema), kKindError});
        }
    }
    m_parser->setErrorHandler(m_reporter.get());

    std::string exceptionText;
    uint8_t exceptionKind = 0;
    try {
        if (m_readFromFile) {
            m_parser->parse(m_text.c_str());
        } else {
            MemBufInputSource source(reinterpret_cast<const XMLByte*>(m_text.data()), m_text.size(), "InMem", false);
            source.setCopyBufToStream(false);  // the text is read in place
            m_parser->parse(source);
        }
    } catch (const LimitExcess& e) {
        out.excess = e;
    } catch (const OutOfMemoryException&) {
        exceptionText = A("Nicht genügend Speicher");
        exceptionKind = kKindOutOfMemory;
    } catch (const std::bad_alloc&) {
        exceptionText = A("Nicht genügend Speicher");
        exceptionKind = kKindOutOfMemory;
    } catch (const XMLException& e) {
        exceptionText = A("Während des Parsens trat ein Fehler auf\r\n   Meldung: ") + X2A(e.getMessage());
        exceptionKind = kKindXmlException;
    } catch (const DOMException& e) {
        XMLCh buf[2048];
        buf[0] = 0;
        DOMImplementation::loadDOMExceptionMsg(e.code, buf, 2047);
        exceptionText = Format(A("DOM Fehler während des Parsens:\r\nDOMException Code : %d\r\nMeldung: %s").c_str(),
                               static_cast<int>(e.code), X2A(buf).c_str());
        exceptionKind = kKindDomException;
    } catch (...) {
        exceptionText = A("Während des Parsens trat ein Fehler auf");
        exceptionKind = kKindOther;
    }
    if (!exceptionText.empty()) {
        out.records.push_back({exceptionText, exceptionKind});
    } else if (!out.excess) {
        m_document = m_parser->getDocument();
        if (m_document && m_document->getDocumentElement()) m_root = m_cursor = m_document->getDocumentElement();
    }
    return out;
}

bool CXmlParserDocument::Parse(std::vector<std::string>& texts, std::vector<int>& lines, std::vector<int>& columns,
                               std::vector<uint8_t>& kinds) {
    texts.clear();
    lines.clear();
    columns.clear();
    kinds.clear();
    ParseOutcome outcome = RunParse();
    for (const auto& [text, kind] : outcome.records) {
        texts.push_back(text);
        lines.push_back(-1);
        columns.push_back(-1);
        kinds.push_back(kind);
    }
    for (const auto& refusal : m_resolver->Refusals()) {
        texts.push_back(RefusalText(refusal.systemId));
        lines.push_back(refusal.line);
        columns.push_back(refusal.column);
        kinds.push_back(kKindFatal);
    }
    for (size_t i = 0; i < m_reporter->m_raw.size(); ++i) {
        texts.push_back(m_reporter->m_raw[i]);
        lines.push_back(m_reporter->m_lines[i]);
        columns.push_back(m_reporter->m_columns[i]);
        kinds.push_back(m_reporter->m_kinds[i]);
    }
    if (outcome.excess) {
        texts.push_back(outcome.excess->text);
        lines.push_back(outcome.excess->line);
        columns.push_back(outcome.excess->column);
        kinds.push_back(kKindFatal);
    }
    m_reporter->resetErrors();
    return texts.empty();
}

bool CXmlParserDocument::ParseMessages(std::vector<std::string>& texts) {
    texts.clear();
    ParseOutcome outcome = RunParse();
    for (const auto& record : outcome.records) texts.push_back(record.first);
    for (const auto& refusal : m_resolver->Refusals()) texts.push_back(RefusalText(refusal.systemId));
    for (const std::string& t : m_reporter->m_formatted) texts.push_back(t);
    if (outcome.excess)
        texts.push_back(Format(kFatalFormat, outcome.excess->line, outcome.excess->column, outcome.excess->text.c_str()));
    m_reporter->resetErrors();
    return texts.empty();
}

DomNode* CXmlParserDocument::GetDocument() const { return m_document; }

bool CXmlParserDocument::SetCurrent(DomNode* node) {
    if (!node || !m_document) return false;
    if (node == m_document) {
        DOMElement* root = m_document->getDocumentElement();
        if (!root) return false;
        m_root = m_cursor = root;
        return true;
    }
    if (node->getOwnerDocument() != m_document) return false;
    m_cursor = node;
    return true;
}

bool CXmlParserDocument::MoveToParent() {
    if (!m_cursor || !m_cursor->getParentNode()) return false;
    m_cursor = m_cursor->getParentNode();
    return true;
}

bool CXmlParserDocument::MoveToNextSibling() {
    if (!m_cursor || !m_cursor->getNextSibling()) return false;
    m_cursor = m_cursor->getNextSibling();
    return true;
}

bool CXmlParserDocument::MoveToPreviousSibling() {
    if (!m_cursor || !m_cursor->getPreviousSibling()) return false;
    m_cursor = m_cursor->getPreviousSibling();
    return true;
}

bool CXmlParserDocument::MoveToLastChild() {
    if (!m_cursor || !m_cursor->getLastChild()) return false;
    m_cursor = m_cursor->getLastChild();
    return true;
}

int CXmlParserDocument::GetNodeType(const DomNode* node) { return node ? node->getNodeType() : 0; }

int CXmlParserDocument::GetChildCount(const DomNode* node) {
    return node ? static_cast<int>(node->getChildNodes()->getLength()) : 0;
}

DomNode* CXmlParserDocument::GetChild(int index, const DomNode* node) {
    if (!node || index < 0) return nullptr;
    DomNode* child = node->getFirstChild();
    for (int i = 0; child && i < index; ++i) child = child->getNextSibling();
    return child;
}

int CXmlParserDocument::GetElementChildren(std::vector<DomNode*>& list) const {
    list.clear();
    if (!m_cursor) return 0;
    for (DomNode* c = m_cursor->getFirstChild(); c; c = c->getNextSibling())
        if (c->getNodeType() == DOMNode::ELEMENT_NODE) list.push_back(c);
    return static_cast<int>(list.size());
}

namespace {
bool IsElementWithChildren(const DomNode* n) {
    return n && n->getNodeType() == DOMNode::ELEMENT_NODE && n->getFirstChild();
}
}  // namespace

const CXmlParserDocument::ElementIndex& CXmlParserDocument::Index() const {
    static const ElementIndex kEmpty;
    if (m_index) return *m_index;
    if (!m_document || !m_document->getDocumentElement()) return kEmpty;
    auto index = std::make_unique<ElementIndex>();
    std::unordered_map<std::u16string, uint32_t> names;
    std::unordered_map<const XMLCh*, uint32_t> pooled;  // the tree shares one string per name
    DomNode* root = m_document->getDocumentElement();
    // Document order; each element's subtree ends where the next sibling's (or
    // an ancestor's next sibling's) begins.
    std::vector<uint32_t> open;
    auto add = [&](DomNode* e) {
        const XMLCh* tag = static_cast<DOMElement*>(e)->getTagName();
        auto known = pooled.find(tag);
        if (known == pooled.end()) {
            const auto* text = reinterpret_cast<const char16_t*>(tag);
            const uint32_t id = names.try_emplace(text, static_cast<uint32_t>(names.size())).first->second;
            known = pooled.emplace(tag, id).first;
        }
        const uint32_t i = static_cast<uint32_t>(index->nodes.size());
        index->nodes.push_back(e);
        index->nameIds.push_back(known->second);
        index->subtreeEnd.push_back(0);
        index->position.emplace(e, i);
        return i;
    };
    open.push_back(add(root));
    DomNode* node = root->getFirstChild();
    DomNode* parent = root;
    while (node) {
        DomNode* next = nullptr;
        if (node->getNodeType() == DOMNode::ELEMENT_NODE) {
            const uint32_t i = add(node);
            if (DomNode* first = node->getFirstChild()) {
                open.push_back(i);
                parent = node;
                node = first;
                continue;
            }
            index->subtreeEnd[i] = i + 1;
        }
        next = node->getNextSibling();
        while (!next && parent) {
            // `parent` ends here
            const uint32_t p = open.back();
            open.pop_back();
            index->subtreeEnd[p] = static_cast<uint32_t>(index->nodes.size());
            if (parent == root) {
                parent = nullptr;
                break;
            }
            next = parent->getNextSibling();
            parent = parent->getParentNode();
        }
        node = next;
    }
    while (!open.empty()) {
        index->subtreeEnd[open.back()] = static_cast<uint32_t>(index->nodes.size());
        open.pop_back();
    }
    index->names = std::move(names);
    m_index = std::move(index);
    return *m_index;
}

bool CXmlParserDocument::SubtreeOfCursor(uint32_t& first, uint32_t& end) const {
    if (!IsElementWithChildren(m_cursor)) return false;
    const ElementIndex& index = Index();
    auto it = index.position.find(m_cursor);
    if (it == index.position.end()) return false;
    first = it->second + 1;
    end = index.subtreeEnd[it->second];
    return true;
}

int CXmlParserDocument::FindElements(const std::string& name, std::vector<DomNode*>& list) const {
    list.clear();
    uint32_t first = 0, end = 0;
    if (!SubtreeOfCursor(first, end)) return 0;
    const ElementIndex& index = Index();
    auto id = index.names.find(A2X(name));
    if (id == index.names.end()) return 0;
    for (uint32_t j = first; j < end; ++j)
        if (index.nameIds[j] == id->second) list.push_back(index.nodes[j]);
    return static_cast<int>(list.size());
}

int CXmlParserDocument::CountElements(const std::string& name) const {
    uint32_t first = 0, end = 0;
    if (!SubtreeOfCursor(first, end)) return 0;
    const ElementIndex& index = Index();
    auto id = index.names.find(A2X(name));
    if (id == index.names.end()) return 0;
    int n = 0;
    for (uint32_t j = first; j < end; ++j) n += index.nameIds[j] == id->second;
    return n;
}

int CXmlParserDocument::CountDescendants() const {
    uint32_t first = 0, end = 0;
    if (!SubtreeOfCursor(first, end)) return 0;
    return static_cast<int>(end - first);
}

int CXmlParserDocument::CountAllElements() const {
    if (!m_document || !m_document->getDocumentElement()) return 0;
    return static_cast<int>(Index().nodes.size());
}

int CXmlParserDocument::GetAttributes(std::vector<std::string>& names, std::vector<std::string>& values) const {
    names.clear();
    values.clear();
    if (!m_cursor) return 0;
    DOMNamedNodeMap* attrs = m_cursor->getAttributes();
    if (!attrs) return 0;
    for (XMLSize_t i = 0; i < attrs->getLength(); ++i) {
        DomNode* a = attrs->item(i);
        names.push_back(X2A(a->getNodeName()));
        values.push_back(X2A(a->getNodeValue()));
    }
    return static_cast<int>(names.size());
}

std::string CXmlParserDocument::GetName() const { return m_cursor ? X2A(m_cursor->getNodeName()) : std::string(); }

std::string CXmlParserDocument::TextOf(const DomNode* node) {
    if (!node) return {};
    const auto type = node->getNodeType();
    if (type == DOMNode::TEXT_NODE || type == DOMNode::CDATA_SECTION_NODE) return X2A(node->getNodeValue());
    std::string out;
    DomNode* start = const_cast<DomNode*>(node);
    DomNode* n = start->getFirstChild();
    while (n) {
        const auto t = n->getNodeType();
        if (t == DOMNode::TEXT_NODE || t == DOMNode::CDATA_SECTION_NODE) out += X2A(n->getNodeValue());
        if (n->getFirstChild()) {
            n = n->getFirstChild();
            continue;
        }
        while (n && n != start && !n->getNextSibling()) n = n->getParentNode();
        if (!n || n == start) break;
        n = n->getNextSibling();
    }
    return out;
}

DomNode* CXmlParserDocument::FirstChild(const DomNode* node) { return node ? node->getFirstChild() : nullptr; }
DomNode* CXmlParserDocument::NextSibling(const DomNode* node) { return node ? node->getNextSibling() : nullptr; }
DomNode* CXmlParserDocument::PreviousSibling(const DomNode* node) { return node ? node->getPreviousSibling() : nullptr; }
DomNode* CXmlParserDocument::LastChild(const DomNode* node) { return node ? node->getLastChild() : nullptr; }
DomNode* CXmlParserDocument::ParentOf(const DomNode* node) { return node ? node->getParentNode() : nullptr; }
std::string CXmlParserDocument::NameOf(const DomNode* node) { return node ? X2A(node->getNodeName()) : std::string(); }

std::string CXmlParserDocument::GetText() const { return TextOf(m_cursor); }

std::string CXmlParserDocument::GetNamespace() const {
    if (!m_cursor) return {};
    if (m_cursor->getNodeType() == DOMNode::ELEMENT_NODE) {
        const DOMTypeInfo* info = static_cast<DOMElement*>(m_cursor)->getSchemaTypeInfo();
        if (info && info->getTypeNamespace() && *info->getTypeNamespace()) return X2A(info->getTypeNamespace());
    }
    return X2A(m_cursor->getNamespaceURI());
}

std::string CXmlParserDocument::GetEncoding() const {
    return m_document ? X2A(m_document->getXmlEncoding()) : std::string();
}

}  // namespace valorix
