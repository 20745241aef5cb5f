#include "xml/textcolumns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace valorix {

namespace {
// Parser columns of one byte of UTF-8: a continuation byte adds none, the
// lead byte of four adds two (a surrogate pair for the parser).
int ByteWeight(unsigned char b) { return ((b & 0xC0) != 0x80) + ((b & 0xF8) == 0xF0); }
}  // namespace

CTextColumns::CTextColumns(const std::string& text, bool utf8) : m_text(text), m_utf8(utf8) {
    if (!m_utf8) return;
    if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0) m_bomEnd = 3;
    const long size = static_cast<long>(m_text.size());
    m_counts.reserve(static_cast<size_t>(size / kStep + 1));
    int64_t count = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
    for (long block = 0; block <= size; block += kStep) {
        m_counts.push_back(count);
        const long end = std::min(block + kStep, size);
        long pos = std::max(block, m_bomEnd);
        // Eight ASCII bytes at a time are eight columns.
        for (uint64_t word; pos + 8 <= end; pos += 8) {
            std::memcpy(&word, bytes + pos, 8);
            if (word & 0x8080808080808080ULL) break;
            count += 8;
        }
        for (; pos < end; ++pos) count += ByteWeight(bytes[pos]);
    }
}

int CTextColumns::Weight(long pos) const {
    if (pos < m_bomEnd) return 0;  // the byte-order mark is no column
    return ByteWeight(static_cast<unsigned char>(m_text[static_cast<size_t>(pos)]));
}

long CTextColumns::CharsBefore(long pos) const {
    pos = std::clamp<long>(pos, 0, static_cast<long>(m_text.size()));
    const long k = pos / kStep;
    int64_t count = m_counts[static_cast<size_t>(k)];
    for (long p = k * kStep; p < pos; ++p) count += Weight(p);
    return static_cast<long>(count);
}

long CTextColumns::CharsBetween(long from, long to) const {
    if (!m_utf8) return to - from;
    return CharsBefore(to) - CharsBefore(from);
}

long CTextColumns::Advance(long from, long chars, long limit) const {
    limit = std::min<long>(limit, static_cast<long>(m_text.size()));
    if (chars < 0) return from + chars;  // in front of `from`: no character is skipped there
    if (chars == 0 || from >= limit) return from;
    if (!m_utf8) return std::min(from + chars, limit);
    const int64_t target = CharsBefore(from) + chars;
    // Start at the last table entry not beyond the target and not before `from`.
    const auto it = std::upper_bound(m_counts.begin(), m_counts.end(), target);
    long p = std::max<long>(from, static_cast<long>(it - m_counts.begin() - 1) * kStep);
    int64_t count = CharsBefore(p);
    while (p < limit && Weight(p) == 0) ++p;  // a table entry may fall inside a character
    while (p < limit && count < target) {
        count += Weight(p);
        ++p;
        while (p < limit && Weight(p) == 0) ++p;  // the rest of the character
    }
    return p;
}

}  // namespace valorix
