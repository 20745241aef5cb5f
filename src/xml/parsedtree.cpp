#include "xml/parsedtree.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/XMLAttr.hpp>
#include <xercesc/framework/XMLElementDecl.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <unordered_map>

#include "platform/strutil.h"
#include "xml/elementguard.h"
#include "xml/entityresolver.h"
#include "xml/grammarload.h"
#include "xml/parserfindings.h"
#include "xml/nvexception.h"
#include "xml/xmlstr.h"

using namespace xercesc;

namespace valorix {


namespace {
constexpr uint32_t kNoNode = UINT32_MAX;

// The nodes of one tree, in document order, in one block of memory that starts
// with a header naming the tree. A node reaches the header from its own index
// (it is `self` places after the first node), so the static accessors find the
// tree of any node without a field in the node for it.
class NodeArray {
public:
    explicit NodeArray(const CElementTree& owner) : m_owner(&owner) { Reserve(64); }
    ~NodeArray() { ::operator delete(m_block); }
    NodeArray(const NodeArray&) = delete;
    NodeArray& operator=(const NodeArray&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear() { m_size = 0; }
    DomNode& operator[](size_t index) { return Nodes()[index]; }
    const DomNode& operator[](size_t index) const { return Nodes()[index]; }
    void push_back(const DomNode& node) {
        if (m_size == m_capacity) Reserve(2 * m_capacity);
        Nodes()[m_size++] = node;
    }

    /// The tree whose array holds `node`.
    static const CElementTree* TreeOf(const DomNode* node) {
        const auto* first = reinterpret_cast<const std::byte*>(node - node->self);
        return reinterpret_cast<const Header*>(first - kNodesAt)->tree;
    }

private:
    struct Header {
        const CElementTree* tree;
    };
    static_assert(std::is_trivially_copyable_v<DomNode>);
    static_assert(sizeof(DomNode) == 9 * sizeof(uint32_t), "nine indices, nothing more: the walk reads millions");
    // The first node follows the header at the nodes' alignment.
    static constexpr size_t kNodesAt = (sizeof(Header) + alignof(DomNode) - 1) / alignof(DomNode) * alignof(DomNode);

    DomNode* Nodes() const { return reinterpret_cast<DomNode*>(m_block + kNodesAt); }
    void Reserve(size_t capacity) {
        auto* block = static_cast<std::byte*>(::operator new(kNodesAt + capacity * sizeof(DomNode)));
        new (block) Header{m_owner};
        if (m_block) {
            std::memcpy(block + kNodesAt, m_block + kNodesAt, m_size * sizeof(DomNode));
            ::operator delete(m_block);
        }
        m_block = block;
        m_capacity = capacity;
    }

    const CElementTree* m_owner;
    std::byte* m_block = nullptr;
    size_t m_size = 0, m_capacity = 0;
};

const CElementTree* TreeOf(const DomNode* node) { return NodeArray::TreeOf(node); }
}  // namespace

// The parsed document: nodes in document order and the arenas they point into.
class CElementTree {
public:
    NodeArray nodes{*this};
    std::vector<std::string> names;  // CP1252, by id
    std::unordered_map<std::u16string, uint32_t> nameIds;
    std::vector<std::string> uris;
    std::unordered_map<std::u16string, uint32_t> uriIds;
    std::string text;                // the character data, CP1252
    struct Attribute {
        uint32_t nameId;
        uint32_t value, valueLength;  // in attrText
    };
    std::vector<Attribute> attrs;
    std::string attrText;
    std::string encoding;  // as the XML declaration names it

    uint32_t Intern(std::unordered_map<std::u16string, uint32_t>& ids, std::vector<std::string>& table,
                    const XMLCh* s) {
        const char16_t* u = reinterpret_cast<const char16_t*>(s ? s : u"");
        auto [it, added] = ids.try_emplace(u, static_cast<uint32_t>(table.size()));
        if (added) table.push_back(Utf16ToCp1252(u));
        return it->second;
    }
};

namespace {

// The tree parser: the same scanner, settings and messages as the document
// parser of the library, but its events build the compact element tree instead
// of library nodes, and the element guard reads them first.
class CTreeBuilder : public XercesDOMParser {
public:
    explicit CTreeBuilder(CElementTree& tree) : m_tree(tree) {}

    void startDocument() override {
        m_guard.Reset();
        m_open.clear();
        m_declNames.clear();
        m_uris.clear();
        m_pending.clear();
        m_tree.nodes.clear();
        m_tree.nodes.push_back(DomNode{0, kNoNode, kNoNode, 1, Name(u"#document"), Uri(nullptr), 0, 0, 0});
        m_open.push_back(0);
        m_lastChild.assign(1, kNoNode);
    }
    void endDocument() override { Finish(); }
    void resetDocument() override {}
    void XMLDecl(const XMLCh* const, const XMLCh* const encoding, const XMLCh* const, const XMLCh* const) override {
        m_tree.encoding = X2A(encoding);
    }
    void startElement(const XMLElementDecl& decl, const unsigned int urlId, const XMLCh* const prefix,
                      const RefVectorOf<XMLAttr>& attrs, const XMLSize_t attrCount, const bool isEmpty,
                      const bool) override {
        m_guard.Open(getScanner()->getLocator(), attrCount);
        FlushText();
        XMLScanner* scanner = getScanner();
        // Names as the library's tree has them: with namespaces the prefix and
        // the base name, and the namespace of the element's URI id. A
        // declaration without prefix always gives the same name, a URI id the
        // same namespace: both are looked up once.
        const bool namespaces = scanner->getDoNamespaces();
        const bool prefixed = namespaces && prefix && *prefix;
        const XMLCh* declName = namespaces ? decl.getBaseName() : decl.getFullName();
        uint32_t nameId;
        auto known = prefixed ? m_declNames.end() : m_declNames.find(&decl);
        if (known != m_declNames.end() && known->second.first == reinterpret_cast<const char16_t*>(declName)) {
            nameId = known->second.second;
        } else {
            std::u16string qname;
            if (namespaces) {
                if (prefixed) qname = reinterpret_cast<const char16_t*>(prefix), qname += u':';
                qname += reinterpret_cast<const char16_t*>(decl.getBaseName());
            } else {
                qname = reinterpret_cast<const char16_t*>(decl.getFullName());
            }
            nameId = Name(qname.c_str());
            if (!prefixed) m_declNames[&decl] = {reinterpret_cast<const char16_t*>(declName), nameId};
        }
        uint32_t uriId;
        if (!namespaces || urlId == scanner->getEmptyNamespaceId()) {
            uriId = Uri(nullptr);
        } else {
            auto [it, added] = m_uris.try_emplace(urlId, 0);
            if (added) it->second = Uri(scanner->getURIText(urlId));
            uriId = it->second;
        }
        const auto index = static_cast<uint32_t>(m_tree.nodes.size());
        const auto textAt = static_cast<uint32_t>(m_tree.text.size());
        m_tree.nodes.push_back(DomNode{index, m_open.back(), m_lastChild.back(), index + 1, nameId, uriId,
                                       static_cast<uint32_t>(m_tree.attrs.size()), textAt, textAt});
        m_lastChild.back() = index;
        // The library keeps an element's attributes ordered by qualified name.
        m_sorted.clear();
        for (XMLSize_t i = 0; i < attrCount; ++i) m_sorted.push_back(attrs.elementAt(i));
        std::stable_sort(m_sorted.begin(), m_sorted.end(), [](const XMLAttr* x, const XMLAttr* y) {
            return XMLString::compareString(x->getQName(), y->getQName()) < 0;
        });
        for (const XMLAttr* a : m_sorted) {
            const std::string value = X2A(a->getValue());
            m_tree.attrs.push_back(CElementTree::Attribute{Name(reinterpret_cast<const char16_t*>(a->getQName())),
                                                           static_cast<uint32_t>(m_tree.attrText.size()),
                                                           static_cast<uint32_t>(value.size())});
            m_tree.attrText += value;
        }
        if (isEmpty) {
            Close(index);
            m_guard.Close();  // no end event follows
        } else {
            m_open.push_back(index);
            m_lastChild.push_back(kNoNode);
        }
    }
    void endElement(const XMLElementDecl&, const unsigned int, const bool, const XMLCh* const) override {
        m_guard.Close();
        FlushText();
        if (m_open.size() > 1) {
            Close(m_open.back());
            m_open.pop_back();
            m_lastChild.pop_back();
        }
    }
    void docCharacters(const XMLCh* const chars, const XMLSize_t length, const bool cdataSection) override {
        // One run of text or one CDATA section is converted as a whole, as the
        // library's text nodes are.
        if (cdataSection != m_pendingCdata) FlushText();
        m_pendingCdata = cdataSection;
        m_pending.append(reinterpret_cast<const char16_t*>(chars), length);
    }
    void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length, const bool cdataSection) override {
        docCharacters(chars, length, cdataSection);
    }
    void docComment(const XMLCh* const) override { FlushText(); }
    void docPI(const XMLCh* const, const XMLCh* const) override { FlushText(); }
    void startEntityReference(const XMLEntityDecl&) override {}
    void endEntityReference(const XMLEntityDecl&) override {}
    void handleElementPSVI(const XMLCh* const, const XMLCh* const, PSVIElement*) override {}
    void handlePartialElementPSVI(const XMLCh* const, const XMLCh* const, PSVIElement*) override {}
    void handleAttributesPSVI(const XMLCh* const, const XMLCh* const, PSVIAttributeList*) override {}

    /// Ends what a stopped parse left open: the elements read so far stand.
    void Finish() {
        FlushText();
        while (!m_open.empty()) {
            Close(m_open.back());
            m_open.pop_back();
        }
        m_lastChild.clear();
    }

private:
    uint32_t Name(const char16_t* s) {
        return m_tree.Intern(m_tree.nameIds, m_tree.names, reinterpret_cast<const XMLCh*>(s));
    }
    uint32_t Uri(const XMLCh* s) { return m_tree.Intern(m_tree.uriIds, m_tree.uris, s); }
    void FlushText() {
        if (m_pending.empty()) return;
        m_tree.text += Utf16ToCp1252(m_pending.data(), m_pending.size());
        m_pending.clear();
    }
    void Close(uint32_t index) {
        DomNode& n = m_tree.nodes[index];
        n.subtreeEnd = static_cast<uint32_t>(m_tree.nodes.size());
        n.textEnd = static_cast<uint32_t>(m_tree.text.size());
    }

    CElementTree& m_tree;
    CElementGuard m_guard;
    std::vector<uint32_t> m_open;  // the document and the elements not yet ended
    std::vector<uint32_t> m_lastChild;  // per open element: its last child so far, or kNoNode
    std::u16string m_pending;      // text not yet converted
    bool m_pendingCdata = false;
    std::vector<const XMLAttr*> m_sorted;
    // Names of unprefixed elements by declaration, with the name they were made from.
    std::unordered_map<const XMLElementDecl*, std::pair<std::u16string, uint32_t>> m_declNames;
    std::unordered_map<unsigned int, uint32_t> m_uris;                // namespaces by URI id
};
}  // namespace

ParsedTree::ParsedTree(std::string text, std::string schema) : m_text(std::move(text)), m_schema(std::move(schema)) {}

ParsedTree::~ParsedTree() {
    m_reporter.reset();
    m_parser.reset();
    m_tree.reset();
    m_resolver.reset();
    m_security.reset();
}

ParsedTree::ParseOutcome ParsedTree::RunParse(const std::string& text) {
    ParseOutcome out;
    const bool withSchema = !m_schema.empty();
    m_parser.reset();  // it fills the tree it was made for
    m_tree = std::make_unique<CElementTree>();
    m_document = m_cursor = nullptr;
    auto builder = std::make_unique<CTreeBuilder>(*m_tree);
    CTreeBuilder& tree = *builder;
    m_parser = std::move(builder);
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

    m_reporter = std::make_unique<ParserFindings>();
    if (withSchema) {
        if (LoadSchemaGrammar(*m_parser, *m_resolver)) {
            m_parser->setValidationScheme(XercesDOMParser::Val_Always);
            m_parser->useCachedGrammarInParse(true);
        } else {
            out.records.push_back(Finding{SchemaLoadFailedText(m_schema), -1, -1, FindingKind::Error});
        }
    }
    m_parser->setErrorHandler(m_reporter.get());

    std::string exceptionText;
    FindingKind exceptionKind = FindingKind::Error;
    try {
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "InMem", false);
        source.setCopyBufToStream(false);  // the text is read in place
        m_parser->parse(source);
    } catch (const LimitExcess& e) {
        out.excess = e;
    } catch (const OutOfMemoryException&) {
        // The file cannot be checked at all: its caller names it.
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const XMLException& e) {
        exceptionText = A("Während des Parsens trat ein Fehler auf\r\n   Meldung: ") + X2A(e.getMessage());
        exceptionKind = FindingKind::XmlException;
    } catch (const DOMException& e) {
        XMLCh buf[2048];
        buf[0] = 0;
        DOMImplementation::loadDOMExceptionMsg(e.code, buf, 2047);
        exceptionText = Format(A("DOM Fehler während des Parsens:\r\nDOMException Code : %d\r\nMeldung: %s").c_str(),
                               static_cast<int>(e.code), X2A(buf).c_str());
        exceptionKind = FindingKind::DomException;
    } catch (...) {
        exceptionText = A("Während des Parsens trat ein Fehler auf");
        exceptionKind = FindingKind::Other;
    }
    if (!exceptionText.empty()) {
        out.records.push_back(Finding{exceptionText, -1, -1, exceptionKind});
    } else if (!out.excess) {
        // A parse stopped by a fatal error keeps the elements read so far.
        tree.Finish();
        if (!m_tree->nodes.empty()) {
            m_document = &m_tree->nodes[0];
            if (m_tree->nodes.size() > 1) m_cursor = &m_tree->nodes[1];
        }
    }
    return out;
}

bool ParsedTree::Parse(Findings& findings) { return Parse(m_text, findings); }

bool ParsedTree::Parse(const std::string& text, Findings& findings) {
    findings.clear();
    ParseOutcome outcome = RunParse(text);
    findings = std::move(outcome.records);
    for (const auto& refusal : m_resolver->Refusals())
        findings.push_back(Finding{RefusalText(refusal.systemId), refusal.line, refusal.column, FindingKind::Fatal});
    findings.insert(findings.end(), m_reporter->m_findings.begin(), m_reporter->m_findings.end());
    if (outcome.excess)
        findings.push_back(Finding{outcome.excess->text, outcome.excess->line, outcome.excess->column, FindingKind::Fatal});
    m_reporter->resetErrors();
    return findings.empty();
}

DomNode* ParsedTree::GetDocument() const { return m_document; }

DomNode* ParsedTree::Node(uint32_t index) const {
    return m_tree && index < m_tree->nodes.size() ? &m_tree->nodes[index] : nullptr;
}

bool ParsedTree::SetCurrent(DomNode* node) {
    if (!node || !m_document) return false;
    if (node == m_document) {
        DomNode* root = Node(1);
        if (!root) return false;
        m_cursor = root;
        return true;
    }
    if (TreeOf(node) != m_tree.get()) return false;
    m_cursor = node;
    return true;
}

int ParsedTree::GetElementChildren(std::vector<DomNode*>& list) const {
    list.clear();
    for (DomNode* c = FirstChild(m_cursor); c; c = NextSibling(c)) list.push_back(c);
    return static_cast<int>(list.size());
}

bool ParsedTree::SubtreeOfCursor(uint32_t& first, uint32_t& end) const {
    if (!m_cursor || m_cursor->self == 0) return false;
    first = m_cursor->self + 1;
    end = m_cursor->subtreeEnd;
    return true;
}

int ParsedTree::FindElements(const std::string& name, std::vector<DomNode*>& list) const {
    list.clear();
    uint32_t first = 0, end = 0;
    if (!SubtreeOfCursor(first, end)) return 0;
    auto id = m_tree->nameIds.find(A2X(name));
    if (id == m_tree->nameIds.end()) return 0;
    for (uint32_t j = first; j < end; ++j)
        if (m_tree->nodes[j].nameId == id->second) list.push_back(&m_tree->nodes[j]);
    return static_cast<int>(list.size());
}

int ParsedTree::CountElements(const std::string& name) const {
    uint32_t first = 0, end = 0;
    if (!SubtreeOfCursor(first, end)) return 0;
    auto id = m_tree->nameIds.find(A2X(name));
    if (id == m_tree->nameIds.end()) return 0;
    int n = 0;
    for (uint32_t j = first; j < end; ++j) n += m_tree->nodes[j].nameId == id->second;
    return n;
}

int ParsedTree::CountAllElements() const {
    return m_document && m_tree->nodes.size() > 1 ? static_cast<int>(m_tree->nodes.size() - 1) : 0;
}

int ParsedTree::GetAttributes(std::vector<std::string>& names, std::vector<std::string>& values) const {
    names.clear();
    values.clear();
    if (!m_cursor || m_cursor->self == 0) return 0;
    const CElementTree& t = *m_tree;
    const uint32_t end = m_cursor->self + 1 < t.nodes.size() ? t.nodes[m_cursor->self + 1].attrBegin
                                                              : static_cast<uint32_t>(t.attrs.size());
    for (uint32_t i = m_cursor->attrBegin; i < end; ++i) {
        names.push_back(t.names[t.attrs[i].nameId]);
        values.push_back(t.attrText.substr(t.attrs[i].value, t.attrs[i].valueLength));
    }
    return static_cast<int>(names.size());
}

std::string ParsedTree::GetName() const { return NameOf(m_cursor); }

std::string ParsedTree::TextOf(const DomNode* node) {
    if (!node) return {};
    const CElementTree* tree = TreeOf(node);
    return tree->text.substr(node->textBegin, node->textEnd - node->textBegin);
}

std::string ParsedTree::TailTextOf(const DomNode* node) {
    if (!node) return {};
    const CElementTree* tree = TreeOf(node);
    const DomNode* last = LastChild(node);
    const uint32_t begin = last ? last->textEnd : node->textBegin;
    return tree->text.substr(begin, node->textEnd - begin);
}

namespace {
DomNode* At(const DomNode* node, uint32_t index) {
    const CElementTree* tree = TreeOf(node);
    return index < tree->nodes.size() ? const_cast<DomNode*>(&tree->nodes[index]) : nullptr;
}
}  // namespace

DomNode* ParsedTree::FirstChild(const DomNode* node) {
    return node && node->subtreeEnd > node->self + 1 ? At(node, node->self + 1) : nullptr;
}

DomNode* ParsedTree::NextSibling(const DomNode* node) {
    if (!node || node->parent == kNoNode) return nullptr;
    const DomNode* parent = At(node, node->parent);
    return node->subtreeEnd < parent->subtreeEnd ? At(node, node->subtreeEnd) : nullptr;
}

DomNode* ParsedTree::PreviousSibling(const DomNode* node) {
    return node && node->previous != kNoNode ? At(node, node->previous) : nullptr;
}

DomNode* ParsedTree::LastChild(const DomNode* node) {
    DomNode* last = nullptr;
    for (DomNode* c = FirstChild(node); c; c = NextSibling(c)) last = c;
    return last;
}

DomNode* ParsedTree::ParentOf(const DomNode* node) {
    return node && node->parent != kNoNode ? At(node, node->parent) : nullptr;
}

std::string ParsedTree::NameOf(const DomNode* node) { return node ? TreeOf(node)->names[node->nameId] : std::string(); }

std::string ParsedTree::GetText() const { return TextOf(m_cursor); }

std::string ParsedTree::GetNamespace() const {
    return m_cursor ? m_tree->uris[m_cursor->uriId] : std::string();
}

std::string ParsedTree::GetEncoding() const { return m_document ? m_tree->encoding : std::string(); }

}  // namespace valorix
