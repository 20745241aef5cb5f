#include "xml/textpage.h"

#include <cctype>

#include <algorithm>
#include <cstring>

namespace valorix {

char FoldCase(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char>(c + 32);
    return ch;
}

namespace {
bool IsWordChar(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0xC0;
}
}  // namespace

void CTextPageModel::SetText(const std::string& text) { Take(text, false); }

void CTextPageModel::ShareText(const std::string& text) { Take(text, true); }

void CTextPageModel::Take(const std::string& text, bool share) {
    m_lineStarts.assign(1, 0);
    m_page = &m_text;
    if (text.find('\r') == std::string::npos) {
        // No carriage return: the text as it is, its lines found by memchr.
        if (share) {
            m_text = std::string();
            m_page = &text;
        } else {
            m_text = text;
        }
        const std::string& t = *m_page;
        for (const char* p = t.data();
             (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(t.data() + t.size() - p))));) {
            ++p;
            m_lineStarts.push_back(static_cast<long>(p - t.data()));
        }
    } else {
        m_text.assign(text.size(), '\0');
        size_t n = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\r') {
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                c = '\n';
            }
            m_text[n++] = c;
            if (c == '\n') m_lineStarts.push_back(static_cast<long>(n));
        }
        m_text.resize(n);
        m_text.shrink_to_fit();
    }
    m_marks.clear();
    m_forward.clear();
    m_backward.clear();
    m_selStart = m_selEnd = 0;
    m_firstVisibleLine = 0;
}

int CTextPageModel::LineFromChar(long pos) const {
    auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return static_cast<int>(it - m_lineStarts.begin()) - 1;
}

long CTextPageModel::LineIndex(int line) const {
    if (line < 0 || line >= static_cast<int>(m_lineStarts.size())) return -1;
    return m_lineStarts[static_cast<size_t>(line)];
}

long CTextPageModel::Find(const std::string& what, long from, long to, const SearchOptions& o) const {
    const std::string& text = *m_page;
    const long n = static_cast<long>(text.size());
    const long len = static_cast<long>(what.size());
    if (len == 0 || n == 0) return -1;
    auto matchesAt = [&](long p) {
        if (o.matchCase) {
            if (std::memcmp(text.data() + p, what.data(), static_cast<size_t>(len)) != 0) return false;
        } else {
            for (long k = 0; k < len; ++k)
                if (FoldCase(text[static_cast<size_t>(p + k)]) != FoldCase(what[static_cast<size_t>(k)])) return false;
        }
        if (o.wholeWord) {
            if (IsWordChar(what.front()) && p > 0 && IsWordChar(text[static_cast<size_t>(p - 1)])) return false;
            if (IsWordChar(what.back()) && p + len < n && IsWordChar(text[static_cast<size_t>(p + len)])) return false;
        }
        return true;
    };
    // The remembered searches are kept per pattern and options.
    auto memoKey = [&] { return std::string(o.wholeWord ? "w" : "-") + (o.matchCase ? "c" : "-") + what; };
    if (o.forward) {
        if (from < 0) from = 0;
        const long end = (to < 0 || to > n) ? n : to;
        const char first = what.front();
        const char firstFolded = FoldCase(first);
        // A first character that only matches itself (case matters, or it is
        // no letter, like the "<" of a tag) is found by the library's search.
        const unsigned char firstByte = static_cast<unsigned char>(first);
        const bool exactFirst = o.matchCase || (firstByte < 0x80 && !std::isalpha(firstByte));
        auto scan = [&](long p, long stop) {  // the first match beginning in [p, stop), or -1
            const long last = std::min(stop, end - len + 1);  // one past the last place a match may begin
            while (p < last) {
                if (exactFirst) {
                    const void* hit = std::memchr(text.data() + p, first, static_cast<size_t>(last - p));
                    if (!hit) return -1L;
                    p = static_cast<const char*>(hit) - text.data();
                } else if (FoldCase(text[static_cast<size_t>(p)]) != firstFolded) {
                    ++p;
                    continue;
                }
                if (matchesAt(p)) return p;
                ++p;
            }
            return -1L;
        };
        if (end < n) return scan(from, end);
        // The walks search each element's start tag from just after the one
        // before: it nearly always stands a few bytes on, and is found there
        // without the remembered searches (which stay true: the text is the same).
        constexpr long kNear = 512;
        if (from < n - kNear) {
            const long near = scan(from, from + kNear);
            if (near >= 0) return near;
        }
        // Forward to the end of the text: the last such search tells that no
        // match begins between its own place and its result (a failed one:
        // the end), so only places before those are read again.
        ForwardResult& last = m_forward[memoKey()];
        if (last.from >= 0 && from >= last.from && (last.found < 0 || from <= last.found)) return last.found;
        long result;
        if (last.from >= 0 && from < last.from) {
            result = scan(from, last.from);
            if (result < 0) result = last.found;
        } else {
            result = scan(from, n);
        }
        last.from = from;
        last.found = result;
        return result;
    }
    const long lowest = to < 0 ? 0 : to;
    const long top = std::min(from, n) - len;  // the last place a match may begin
    if (lowest > 0) {
        for (long p = top; p >= lowest; --p)
            if (matchesAt(p)) return p;
        return -1;
    }
    // Backward to the start of the text: the last such search tells that no
    // match begins between its result and its own last place, so only the
    // places beyond those are read again (marks of nested elements search
    // backward from one end tag after the other).
    BackwardResult& last = m_backward[memoKey()];
    if (last.top >= 0 && top >= last.found && top <= last.top) return last.found;
    long p = top;
    const long stop = last.top >= 0 && top > last.top ? last.top : -1;  // below it the last search knows
    while (p > stop && !matchesAt(p)) --p;
    const long result = p > stop ? p : (stop >= 0 ? last.found : -1);
    last.top = top;
    last.found = result;
    return result;
}

void CTextPageModel::SetSel(long start, long end) {
    m_selStart = start;
    m_selEnd = end;
}

void CTextPageModel::FormatSelection(uint32_t rgb) {
    if (m_selEnd > m_selStart) m_marks.push_back({m_selStart, m_selEnd, rgb});
}

void CTextPageModel::SetCaret(long pos) { m_selStart = m_selEnd = pos; }

}  // namespace valorix
