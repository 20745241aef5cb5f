// Where an element of the text page ends. The tree walk knows where an
// element's start tag stands; the end of that same element is found by reading
// the markup from there, depth by depth: a nested element of the same name, a
// later one, an empty-element tag "<X/>", comments, CDATA sections and quoted
// attribute values (which may hold ">") all end where they really end.
#pragma once
#include <string>
#include <vector>

namespace valorix {

class CTextColumns;

/// The position just after the element whose start tag begins at `start`
/// (its end tag's ">" or its "/>"); -1 when `start` is no start tag or the
/// element does not end. `childStarts`, when given, receives the start-tag
/// positions of the element's children in order.
long ElementEnd(const std::string& text, long start, std::vector<long>* childStarts = nullptr);

/// Characters of the text content of the element from `start` (its start tag)
/// to `end` (as ElementEnd gives it): the character data of it and its
/// descendants, without the markup and without the white space that only lays
/// out the tags; an entity or character reference counts one.
long ContentChars(const std::string& text, long start, long end, const CTextColumns& columns);

}  // namespace valorix
