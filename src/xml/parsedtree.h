// ParsedTree: the document-tree parse of a text held in memory, with
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
#include "xml/finding.h"
#include "xml/xercessession.h"

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class XercesDOMParser;
class SecurityManager;
XERCES_CPP_NAMESPACE_END

namespace valorix {

class ParserFindings;
class CSafeEntityResolver;
class CElementTree;

/// One node of a parsed document: the document itself (the first node) or one
/// of its elements. The nodes are the entries of one array in document order,
/// so an element's descendants are the entries up to its subtree end; names
/// are ids of the tree's name table, character data and attributes ranges of
/// its arenas. Nothing is allocated per node; the array's block starts with a
/// header naming its tree, which a node reaches through `self`.
struct DomNode {
    uint32_t self;        ///< index in the array
    uint32_t parent;      ///< the document's own: kNoNode
    uint32_t previous;    ///< the previous sibling; kNoNode for a first child and the document
    uint32_t subtreeEnd;  ///< one past the last descendant
    uint32_t nameId;
    uint32_t uriId;
    uint32_t attrBegin;   ///< attributes up to the next node's attrBegin
    uint32_t textBegin;   ///< character data of the subtree, in document order
    uint32_t textEnd;
};

class ParsedTree {
public:
    /// `schema` empty: a parse without schema. Throws CNvException when the
    /// parser library cannot be initialised.
    ParsedTree(std::string text, std::string schema);
    ~ParsedTree();
    ParsedTree(const ParsedTree&) = delete;
    ParsedTree& operator=(const ParsedTree&) = delete;

    /// Appends the parse's findings; true when there are none (well-formed
    /// and, with a schema, valid).
    bool Parse(Findings& findings);
    /// The same for `text` instead of the parser's own text; the text is only
    /// read, so another pass may read it at the same time.
    bool Parse(const std::string& text, Findings& findings);

    /// Exchanges the document text with `text`: a caller lends its text for a
    /// parse and takes it back after it, so that it is never held twice.
    void SwapText(std::string& text) noexcept { m_text.swap(text); }

    DomNode* GetDocument() const;
    DomNode* GetCurrent() const { return m_cursor; }
    bool SetCurrent(DomNode* node);
    int GetElementChildren(std::vector<DomNode*>& list) const;
    int FindElements(const std::string& name, std::vector<DomNode*>& list) const;
    int CountElements(const std::string& name) const;
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
    static bool IsElement(const DomNode* node) { return node && node->self != 0; }

    /// Text content of any node (all character data below it, concatenated).
    static std::string TextOf(const DomNode* node);
    /// The character data after a node's last child element (all of it when
    /// it has none): what an event pass gathers between that child's end and
    /// the node's own end.
    static std::string TailTextOf(const DomNode* node);

private:
    /// The index range of the cursor's descendant elements; false when the
    /// cursor is no element with children.
    bool SubtreeOfCursor(uint32_t& first, uint32_t& end) const;
    /// The cursor's node, writable (nodes are read-only for callers).
    DomNode* Node(uint32_t index) const;

    struct ParseOutcome {
        // Records without position: a schema that cannot be loaded, an exception.
        Findings records;
        std::optional<LimitExcess> excess;  // the parse stopped at an element beyond a limit
    };
    ParseOutcome RunParse(const std::string& text);

    XercesSession m_session;  ///< first: it outlives everything that uses the library
    std::string m_text;
    std::string m_schema;
    std::unique_ptr<xercesc::XercesDOMParser> m_parser;
    std::unique_ptr<ParserFindings> m_reporter;
    std::unique_ptr<CSafeEntityResolver> m_resolver;
    std::unique_ptr<xercesc::SecurityManager> m_security;
    std::unique_ptr<CElementTree> m_tree;  ///< null until a parse has built one
    DomNode* m_document = nullptr;
    DomNode* m_cursor = nullptr;
};

}  // namespace valorix
