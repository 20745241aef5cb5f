// Between the text page's positions and the parser's columns.
//
// The text page shows the document one byte per character; the parser counts
// columns in the characters it decoded. For a UTF-8 document the two differ
// after every character written in several bytes: "€" is three bytes and one
// column, a character beyond U+FFFF four bytes and two columns (the parser
// counts UTF-16 units), and a byte-order mark is no column at all. Findings of
// the tree walk are positioned from text positions, and the marks go from the
// parser's columns back to text positions, so both use this one conversion.
//
// Conversions run in time independent of the line's length: a table of the
// character count at every kStep-th byte is built once per text, so a file
// written on one line with a finding per transaction stays linear.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace valorix {

class CTextColumns {
public:
    /// `text` must outlive this object; `utf8`: the parser decodes it as UTF-8
    /// (otherwise one byte is one character).
    CTextColumns(const std::string& text, bool utf8);

    /// Characters (parser columns) in the text between the positions `from` <= `to`.
    long CharsBetween(long from, long to) const;
    /// The position `chars` characters after `from`, at most `limit` (a negative
    /// count steps back byte by byte, as the parser never reports such a column).
    long Advance(long from, long chars, long limit) const;

private:
    static constexpr long kStep = 256;
    int Weight(long pos) const;
    long CharsBefore(long pos) const;

    const std::string& m_text;
    bool m_utf8;
    long m_bomEnd = 0;              // bytes of a UTF-8 byte-order mark at the start
    std::vector<int64_t> m_counts;  // characters before byte k * kStep
};

}  // namespace valorix
