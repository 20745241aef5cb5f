#include "xml/depthguard.h"

#include <cstring>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

std::optional<DepthExcess> FindExcessiveNesting(const std::string& text, int limit) {
    const size_t n = text.size();
    int depth = 0;
    size_t i = 0;
    auto skipPast = [&](const char* end) {
        const size_t pos = text.find(end, i);
        i = pos == std::string::npos ? n : pos + std::strlen(end);
    };
    while (i < n) {
        const size_t lt = text.find('<', i);
        if (lt == std::string::npos) break;
        i = lt + 1;
        if (i >= n) break;
        const char c = text[i];
        if (text.compare(i, 3, "!--") == 0) {
            skipPast("-->");
        } else if (text.compare(i, 8, "![CDATA[") == 0) {
            skipPast("]]>");
        } else if (c == '?') {
            skipPast("?>");
        } else if (c == '!') {
            // A declaration, possibly with an internal subset in brackets.
            int brackets = 0;
            while (i < n && !(text[i] == '>' && brackets == 0)) {
                if (text[i] == '[') ++brackets;
                else if (text[i] == ']') --brackets;
                ++i;
            }
            ++i;
        } else if (c == '/') {
            skipPast(">");
            if (depth > 0) --depth;
        } else {
            char quote = 0;
            while (i < n && (quote || text[i] != '>')) {
                if (quote) {
                    if (text[i] == quote) quote = 0;
                } else if (text[i] == '"' || text[i] == '\'') {
                    quote = text[i];
                }
                ++i;
            }
            const bool empty = i < n && text[i - 1] == '/';
            ++i;
            if (!empty && ++depth > limit) {
                int line = 1;
                size_t lineStart = 0;
                for (size_t k = 0; k < lt; ++k)
                    if (text[k] == '\n') {
                        ++line;
                        lineStart = k + 1;
                    }
                return DepthExcess{line, static_cast<int>(lt - lineStart + 1)};
            }
        }
    }
    return std::nullopt;
}

std::string DepthExcessText(int limit) {
    return Format(A("Die Elemente sind tiefer als %d Ebenen verschachtelt, die Datei wird nicht verarbeitet!").c_str(),
                  limit);
}

}  // namespace valorix
