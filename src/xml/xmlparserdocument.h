// CXmlParserDocument: the document-tree parse of a text held in memory, with
// optional validation against one schema file, detail records for everything
// the parser reports, and a cursor over the resulting tree.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "xml/elementguard.h"
#include "xml/encodings.h"

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class XercesDOMParser;
class DOMDocument;
class DOMNode;
class SecurityManager;
XERCES_CPP_NAMESPACE_END

namespace valorix {

class DOMTreeErrorReporter;
class CSafeEntityResolver;
using DomNode = xercesc::DOMNode;


class CXmlParserDocument {
public:
    /// `schema` empty: a parse without schema. Throws CNvException when the
    /// parser library cannot be initialised.
    CXmlParserDocument(std::string text, bool readFromFile, std::string schema, bool registerEncodings);
    virtual ~CXmlParserDocument();
    CXmlParserDocument(const CXmlParserDocument&) = delete;
    CXmlParserDocument& operator=(const CXmlParserDocument&) = delete;

    /// Only texts: an exception text, then the reporter's formatted texts.
    virtual bool ParseMessages(std::vector<std::string>& texts);
    /// Fills the four record arrays; TRUE when well-formed and (with a schema) valid.
    virtual bool Parse(std::vector<std::string>& texts, std::vector<int>& lines, std::vector<int>& columns,
                       std::vector<uint8_t>& kinds);

    DomNode* GetDocument() const;
    DomNode* GetCurrent() const { return m_cursor; }
    bool SetCurrent(DomNode* node);
    bool MoveToParent();
    bool MoveToNextSibling();
    bool MoveToPreviousSibling();
    bool MoveToLastChild();
    static int GetNodeType(const DomNode* node);
    static int GetChildCount(const DomNode* node);
    static DomNode* GetChild(int index, const DomNode* node);
    int GetElementChildren(std::vector<DomNode*>& list) const;
    int FindElements(const std::string& name, std::vector<DomNode*>& list) const;
    int CountElements(const std::string& name) const;
    int CountDescendants() const;
    int CountAllElements() const;
    int GetAttributes(std::vector<std::string>& names, std::vector<std::string>& values) const;
    std::string GetName() const;
    std::string GetText() const;
    std::string GetNamespace() const;
    std::string GetEncoding() const;

    /// Sibling navigation without moving the cursor (null at the end).
    static DomNode* FirstChild(const DomNode* node);
    static DomNode* NextSibling(const DomNode* node);
    static DomNode* PreviousSibling(const DomNode* node);
    static DomNode* LastChild(const DomNode* node);
    static DomNode* ParentOf(const DomNode* node);
    /// Qualified name of a node ("" for null).
    static std::string NameOf(const DomNode* node);
    static bool IsElement(const DomNode* node) { return GetNodeType(node) == 1; }

    /// Text content of any node (all text below it, concatenated), without
    /// recursion, so that deep documents cannot exhaust the stack.
    static std::string TextOf(const DomNode* node);

private:
    /// Every element in document order with its interned tag name and the end
    /// of its subtree, built once on first use: the searches below run over it
    /// instead of navigating the tree node by node.
    struct ElementIndex {
        std::vector<DomNode*> nodes;
        std::vector<uint32_t> nameIds;
        std::vector<uint32_t> subtreeEnd;  // one past the element's last descendant
        std::unordered_map<const DomNode*, uint32_t> position;
        std::unordered_map<std::u16string, uint32_t> names;
    };
    const ElementIndex& Index() const;
    /// The index range of the cursor's descendant elements; false when the
    /// cursor is no element with children.
    bool SubtreeOfCursor(uint32_t& first, uint32_t& end) const;

    struct ParseOutcome {
        // Records without position: a schema that cannot be loaded, an exception.
        std::vector<std::pair<std::string, uint8_t>> records;
        std::optional<LimitExcess> excess;  // the parse stopped at an element beyond a limit
    };
    ParseOutcome RunParse();

    EncodingBuffers m_encodingBuffers;
    bool m_register;
    std::string m_text;
    std::string m_schema;
    bool m_readFromFile;
    std::unique_ptr<xercesc::XercesDOMParser> m_parser;
    std::unique_ptr<DOMTreeErrorReporter> m_reporter;
    std::unique_ptr<CSafeEntityResolver> m_resolver;
    std::unique_ptr<xercesc::SecurityManager> m_security;
    xercesc::DOMDocument* m_document = nullptr;
    DomNode* m_root = nullptr;
    DomNode* m_cursor = nullptr;
    bool m_initialised = false;
    mutable std::unique_ptr<ElementIndex> m_index;
};

}  // namespace valorix
