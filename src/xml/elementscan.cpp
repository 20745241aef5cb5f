#include "xml/elementscan.h"

#include <algorithm>

#include "xml/textcolumns.h"

namespace valorix {

namespace {

}  // namespace

long TagEnd(const std::string& text, size_t p, bool& empty) {
    char quote = 0;
    for (size_t i = p + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            empty = text[i - 1] == '/';
            return static_cast<long>(i + 1);
        }
    }
    return -1;
}

namespace {

// The position after a construct that begins at `p` and ends with `close`; -1 without.
long SkipTo(const std::string& text, size_t p, const char* close, size_t closeLength) {
    const size_t e = text.find(close, p);
    return e == std::string::npos ? -1 : static_cast<long>(e + closeLength);
}

bool IsStartTag(const std::string& text, size_t p) {
    return p + 1 < text.size() && text[p] == '<' && text[p + 1] != '/' && text[p + 1] != '!' && text[p + 1] != '?';
}

}  // namespace

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Characters of the character data in [from, to): references count one, a run
// of nothing but white space counts nothing.
long DataChars(const std::string& text, long from, long to, const CTextColumns& columns) {
    bool blank = true;
    for (long i = from; i < to && blank; ++i) blank = IsBlank(text[static_cast<size_t>(i)]);
    if (blank) return 0;
    long chars = columns.CharsBetween(from, to);
    for (long i = from; i < to; ++i) {
        if (text[static_cast<size_t>(i)] != '&') continue;
        const size_t semi = text.find(';', static_cast<size_t>(i));
        if (semi == std::string::npos || static_cast<long>(semi) >= to) break;
        chars -= static_cast<long>(semi) - i;  // "&amp;" is one character
        i = static_cast<long>(semi);
    }
    return chars;
}
}  // namespace

void CElementExtents::ReadSubtree(long start) {
    m_starts.clear();
    m_ends.clear();
    m_chars.clear();
    m_firstChild.clear();
    m_nextSibling.clear();
    std::vector<int32_t> open;          // the elements not yet ended, outermost first
    std::vector<int32_t> lastChild;     // per open element: its last child so far
    auto add = [&](long at) {
        const auto index = static_cast<int32_t>(m_starts.size());
        m_starts.push_back(at);
        m_ends.push_back(-1);
        m_chars.push_back(0);
        m_firstChild.push_back(-1);
        m_nextSibling.push_back(-1);
        if (!open.empty()) {
            int32_t& last = lastChild.back();
            (last < 0 ? m_firstChild[static_cast<size_t>(open.back())] : m_nextSibling[static_cast<size_t>(last)]) = index;
            last = index;
        }
        return index;
    };
    // An element ends: its characters count for its parent too.
    auto close = [&](long at) {
        const auto index = static_cast<size_t>(open.back());
        m_ends[index] = at;
        open.pop_back();
        lastChild.pop_back();
        if (!open.empty()) m_chars[static_cast<size_t>(open.back())] += m_chars[index];
    };
    bool empty = false;
    const int32_t root = add(start);
    long pos = TagEnd(m_text, static_cast<size_t>(start), empty);
    if (pos < 0) return;
    if (empty) {
        m_ends[static_cast<size_t>(root)] = pos;
        return;
    }
    open.push_back(root);
    lastChild.push_back(-1);
    while (!open.empty()) {
        const size_t lt = m_text.find('<', static_cast<size_t>(pos));
        const long stop = lt == std::string::npos ? static_cast<long>(m_text.size()) : static_cast<long>(lt);
        m_chars[static_cast<size_t>(open.back())] += DataChars(m_text, pos, stop, m_columns);
        if (lt == std::string::npos) return;
        if (m_text.compare(lt, 4, "<!--") == 0) {
            pos = SkipTo(m_text, lt + 4, "-->", 3);
        } else if (m_text.compare(lt, 9, "<![CDATA[") == 0) {
            pos = SkipTo(m_text, lt + 9, "]]>", 3);
            if (pos >= 0) m_chars[static_cast<size_t>(open.back())] += m_columns.CharsBetween(static_cast<long>(lt) + 9, pos - 3);
        } else if (m_text.compare(lt, 2, "<?") == 0) {
            pos = SkipTo(m_text, lt + 2, "?>", 2);
        } else if (m_text.compare(lt, 2, "<!") == 0) {
            pos = SkipTo(m_text, lt + 2, ">", 1);
        } else if (m_text.compare(lt, 2, "</") == 0) {
            pos = SkipTo(m_text, lt + 2, ">", 1);
            if (pos >= 0) close(pos);
        } else {
            const int32_t child = add(static_cast<long>(lt));
            pos = TagEnd(m_text, lt, empty);
            if (pos >= 0 && empty) {
                m_ends[static_cast<size_t>(child)] = pos;
            } else if (pos >= 0) {
                open.push_back(child);
                lastChild.push_back(-1);
            }
        }
        if (pos < 0) return;
    }
}

int32_t CElementExtents::Find(long start) {
    if (start < 0 || !IsStartTag(m_text, static_cast<size_t>(start))) return -1;
    auto it = std::lower_bound(m_starts.begin(), m_starts.end(), start);
    if (it == m_starts.end() || *it != start) {
        ReadSubtree(start);
        return 0;
    }
    return static_cast<int32_t>(it - m_starts.begin());
}

long CElementExtents::End(long start, std::vector<long>* childStarts) {
    const int32_t index = Find(start);
    if (index < 0) return -1;
    const long end = m_ends[static_cast<size_t>(index)];
    if (childStarts) {
        for (int32_t c = m_firstChild[static_cast<size_t>(index)]; c >= 0; c = m_nextSibling[static_cast<size_t>(c)])
            childStarts->push_back(m_starts[static_cast<size_t>(c)]);
    }
    return end;
}

long CElementExtents::ContentChars(long start) {
    const int32_t index = Find(start);
    if (index < 0 || m_ends[static_cast<size_t>(index)] < 0) return 0;
    return m_chars[static_cast<size_t>(index)];
}

}  // namespace valorix
