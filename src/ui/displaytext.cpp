#include "ui/displaytext.h"

#include <algorithm>

#include "platform/codepage.h"

namespace valorix {

size_t Utf8CharLength(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned c = at(i);
    if (c < 0x80) return 1;
    const auto cont = [&](size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) { return at(k) >= lo && at(k) <= hi; };
    if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

std::string ShownBytes(std::string_view bytes, bool utf8) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t n = c < 0x80 ? 1 : (utf8 ? Utf8CharLength(bytes, i) : 0);
        if (n == 0) {
            out += Cp1252ToUtf8(bytes.substr(i, 1));
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

void CDisplayText::Clear() {
    m_wide.clear();
    m_extraBefore.assign(1, 0);
}

void CDisplayText::Build(const std::string& page, bool utf8, const std::function<void(std::string_view)>& emit,
                         size_t piece) {
    Clear();
    std::string out;
    out.reserve(std::min(page.size(), piece) + 16);
    long extra = 0;
    size_t i = 0;
    while (i < page.size()) {
        // A run of bytes that go as they are: ASCII, or valid UTF-8 in a UTF-8 file.
        const size_t runStart = i;
        while (i < page.size() && i - runStart < piece) {
            const unsigned char c = static_cast<unsigned char>(page[i]);
            if (c < 0x80) {
                ++i;
                continue;
            }
            const size_t n = utf8 ? Utf8CharLength(page, i) : 0;
            if (n == 0) break;
            i += n;
        }
        out.append(page, runStart, i - runStart);
        if (i < page.size() && i - runStart < piece) {
            // A byte shown as its Windows-1252 character.
            const std::string wide = Cp1252ToUtf8(std::string_view(&page[i], 1));
            out += wide;
            m_wide.push_back(static_cast<long>(i));
            extra += static_cast<long>(wide.size()) - 1;
            m_extraBefore.push_back(extra);
            ++i;
        }
        if (out.size() >= piece || i >= page.size()) {
            emit(out);
            out.clear();
        }
    }
}

long CDisplayText::ToDisplay(long pos) const {
    const size_t k = static_cast<size_t>(std::lower_bound(m_wide.begin(), m_wide.end(), pos) - m_wide.begin());
    return pos + m_extraBefore[k];
}

long CDisplayText::FromDisplay(long pos) const {
    // The widened bytes that start before `pos` on the screen.
    size_t lo = 0, hi = m_wide.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (m_wide[mid] + m_extraBefore[mid] < pos) lo = mid + 1;
        else hi = mid;
    }
    if (lo > 0) {
        const long start = m_wide[lo - 1] + m_extraBefore[lo - 1];
        const long width = 1 + m_extraBefore[lo] - m_extraBefore[lo - 1];
        if (pos < start + width) return m_wide[lo - 1];  // inside that character
    }
    return pos - m_extraBefore[lo];
}

}  // namespace valorix
