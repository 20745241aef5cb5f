// Where an element of the text page ends. The tree walk knows where an
// element's start tag stands; the end of that same element is found by reading
// the markup from there, depth by depth: a nested element of the same name, a
// later one, an empty-element tag "<X/>", comments, CDATA sections and quoted
// attribute values (which may hold ">") all end where they really end.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace valorix {

class CTextColumns;

/// The position after the tag that begins at `p` ("<" of a start or end tag),
/// honouring quoted attribute values (which may hold ">"); -1 when it does
/// not end. `empty` tells an empty-element tag "<X/>".
long TagEnd(const std::string& text, size_t p, bool& empty);

/// The extents of the elements of one text. A question about an element reads
/// its whole subtree once and keeps what it learnt about every element in it:
/// questions about elements inside that subtree (the walk asks about an
/// element, then about the elements within it) are answered without reading
/// the text again, so nested elements cost no more than flat ones.
class CElementExtents {
public:
    CElementExtents(const std::string& text, const CTextColumns& columns) : m_text(text), m_columns(columns) {}

    /// The position just after the element whose start tag begins at `start`
    /// (its end tag's ">" or its "/>"); -1 when `start` is no start tag or the
    /// element does not end. `childStarts`, when given, receives the start-tag
    /// positions of the element's children in order.
    long End(long start, std::vector<long>* childStarts = nullptr);

    /// Characters of the element's text content: the character data of it and
    /// its descendants, without the markup and without the white space that
    /// only lays out the tags; an entity or character reference counts one.
    /// 0 when the element does not end.
    long ContentChars(long start);

private:
    /// The element's index among the kept ones, after reading its subtree
    /// when it is not among them; -1 when `start` is no start tag.
    int32_t Find(long start);
    void ReadSubtree(long start);

    const std::string& m_text;
    const CTextColumns& m_columns;
    // The elements of the subtree read last, in document order.
    std::vector<long> m_starts, m_ends, m_chars;
    std::vector<int32_t> m_firstChild, m_nextSibling;
};

}  // namespace valorix
