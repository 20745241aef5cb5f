#include "ui/elementscan.h"

#include <algorithm>

#include "ui/textcolumns.h"

namespace valorix {

namespace {

// The position after the tag that begins at `p` ("<" of a start or end tag),
// honouring quoted attribute values; -1 when it does not end.
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

// The position after a construct that begins at `p` and ends with `close`; -1 without.
long SkipTo(const std::string& text, size_t p, const char* close, size_t closeLength) {
    const size_t e = text.find(close, p);
    return e == std::string::npos ? -1 : static_cast<long>(e + closeLength);
}

bool IsStartTag(const std::string& text, size_t p) {
    return p + 1 < text.size() && text[p] == '<' && text[p + 1] != '/' && text[p + 1] != '!' && text[p + 1] != '?';
}

}  // namespace

long ElementEnd(const std::string& text, long start, std::vector<long>* childStarts) {
    if (start < 0 || !IsStartTag(text, static_cast<size_t>(start))) return -1;
    bool empty = false;
    long pos = TagEnd(text, static_cast<size_t>(start), empty);
    if (pos < 0 || empty) return pos;
    int depth = 1;
    while (true) {
        const size_t lt = text.find('<', static_cast<size_t>(pos));
        if (lt == std::string::npos) return -1;
        if (text.compare(lt, 4, "<!--") == 0) {
            pos = SkipTo(text, lt + 4, "-->", 3);
        } else if (text.compare(lt, 9, "<![CDATA[") == 0) {
            pos = SkipTo(text, lt + 9, "]]>", 3);
        } else if (text.compare(lt, 2, "<?") == 0) {
            pos = SkipTo(text, lt + 2, "?>", 2);
        } else if (text.compare(lt, 2, "<!") == 0) {
            pos = SkipTo(text, lt + 2, ">", 1);
        } else if (text.compare(lt, 2, "</") == 0) {
            pos = SkipTo(text, lt + 2, ">", 1);
            if (pos >= 0 && --depth == 0) return pos;
        } else {
            if (depth == 1 && childStarts) childStarts->push_back(static_cast<long>(lt));
            pos = TagEnd(text, lt, empty);
            if (pos >= 0 && !empty) ++depth;
        }
        if (pos < 0) return -1;
    }
}

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

long ContentChars(const std::string& text, long start, long end, const CTextColumns& columns) {
    if (start < 0 || end < 0) return 0;
    bool empty = false;
    long pos = TagEnd(text, static_cast<size_t>(start), empty);
    if (empty) return 0;
    long chars = 0;
    while (pos < end) {
        const size_t lt = text.find('<', static_cast<size_t>(pos));
        const long stop = lt == std::string::npos ? end : std::min<long>(static_cast<long>(lt), end);
        chars += DataChars(text, pos, stop, columns);
        if (stop >= end) break;
        if (text.compare(lt, 9, "<![CDATA[") == 0) {
            const long close = SkipTo(text, lt + 9, "]]>", 3);
            if (close < 0) break;
            chars += columns.CharsBetween(static_cast<long>(lt) + 9, close - 3);
            pos = close;
        } else if (text.compare(lt, 4, "<!--") == 0) {
            pos = SkipTo(text, lt + 4, "-->", 3);
        } else {
            pos = TagEnd(text, lt, empty);
        }
        if (pos < 0) break;
    }
    return chars;
}

}  // namespace valorix
