#include "ui/framelogic.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

FocusPlace NextPane(FocusPlace from, bool forward, bool outputVisible, bool structureVisible) {
    switch (from) {
    case FocusPlace::View:
        if (forward) return outputVisible ? FocusPlace::Output : FocusPlace::Structure;
        return structureVisible ? FocusPlace::Structure : FocusPlace::Output;
    case FocusPlace::Output:
        if (forward) return structureVisible ? FocusPlace::Structure : FocusPlace::View;
        return FocusPlace::View;
    case FocusPlace::Structure:
        if (forward) return FocusPlace::View;
        return outputVisible ? FocusPlace::Output : FocusPlace::View;
    case FocusPlace::Other:
        break;
    }
    return FocusPlace::Other;
}

CopyAction CopyRule(CopyFocus focus, bool textHasSelection, bool outputHasLines, bool editHasSelection,
                    bool textPageActive) {
    switch (focus) {
    case CopyFocus::TextPage: return textHasSelection ? CopyAction::TextSelection : CopyAction::None;
    case CopyFocus::OutputList: return outputHasLines ? CopyAction::OutputLines : CopyAction::None;
    case CopyFocus::EditControl: return editHasSelection ? CopyAction::EditSelection : CopyAction::None;
    case CopyFocus::StructureTree:
        return textPageActive && textHasSelection ? CopyAction::TextSelection : CopyAction::None;
    case CopyFocus::Other: break;
    }
    return CopyAction::None;
}

std::string OutputCopyText(const COutputList& list) {
    std::string out;
    for (const OutputLine& line : list.Lines()) {
        if (&line != &list.Lines().front()) out += "\r\n";
        out += line.text;
    }
    return out;
}

void CScreenText::SetPath(const std::string& path) {
    m_path = path;
    m_engineName = PathText(path);
    if (Cp1252ToUtf8(m_engineName) == path) m_engineName.clear();  // the code page holds the name
}

std::string CScreenText::Convert(std::string_view text) const {
    if (m_engineName.empty()) return Cp1252ToUtf8(text);
    std::string out;
    size_t from = 0;
    for (size_t hit; (hit = text.find(m_engineName, from)) != std::string_view::npos; from = hit + m_engineName.size()) {
        out += Cp1252ToUtf8(text.substr(from, hit - from));
        out += m_path;
    }
    out += Cp1252ToUtf8(text.substr(from));
    return out;
}

std::string AbbreviatePath(const std::string& path, size_t max) {
    // Characters, not bytes: the names are UTF-8.
    auto chars = [](const std::string& s) {
        return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    if (chars(path) <= max) return path;
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string root = !path.empty() && path[0] == '/' ? "/" : "";
    std::string tail = "/" + name;
    if (root.size() + 3 + chars(tail) > max) return name;
    // Prepend whole folders from the end while the result stays within `max`.
    size_t end = slash;
    while (end != std::string::npos && end > 0) {
        const size_t start = path.rfind('/', end - 1);
        const size_t from = start == std::string::npos ? 0 : start;
        const std::string folder = path.substr(from, end - from);  // "/dir"
        if (root.size() + 3 + chars(folder) + chars(tail) > max) break;
        tail = folder + tail;
        if (start == std::string::npos) break;
        end = start;
    }
    return root + "..." + tail;
}

void CRecentFiles::Load(const CProfile& profile) {
    m_files.clear();
    for (size_t i = 1; i <= kMax; ++i) {
        const std::string f = profile.GetString("Recent File List", Format("File%u", static_cast<unsigned>(i)), "");
        if (!f.empty()) m_files.push_back(f);
    }
}

void CRecentFiles::Save(CProfile& profile) const {
    for (size_t i = 1; i <= kMax; ++i)
        profile.WriteString("Recent File List", Format("File%u", static_cast<unsigned>(i)),
                            i <= m_files.size() ? m_files[i - 1] : std::string());
}

void CRecentFiles::Add(const std::string& path) {
    Remove(path);
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > kMax) m_files.resize(kMax);
}

void CRecentFiles::Remove(const std::string& path) { std::erase(m_files, path); }

std::string CRecentFiles::MenuLabel(size_t index) const {
    std::string name = AbbreviatePath(m_files[index], 30);
    // A "&" in the name is shown, not taken as the entry's mnemonic.
    std::string escaped;
    for (char c : name) {
        if (c == '&') escaped += '&';
        escaped += c;
    }
    return Format("&%u ", static_cast<unsigned>(index + 1)) + escaped;
}

std::vector<std::vector<std::string>> PaginatePrintText(const std::string& text,
                                                        const std::function<int(const std::string&)>& measure,
                                                        int width, int linesPerPage, int tabWidth) {
    std::vector<std::string> lines;
    auto wrap = [&](const std::string& logical) {
        std::string cur;
        size_t lastSpace = std::string::npos;  // in `cur`
        auto append = [&](char c) {
            std::string candidate = cur + c;
            if (!cur.empty() && measure(candidate) > width) {
                if (lastSpace != std::string::npos) {
                    lines.push_back(cur.substr(0, lastSpace + 1));
                    cur = cur.substr(lastSpace + 1);
                } else {
                    lines.push_back(cur);
                    cur.clear();
                }
                lastSpace = cur.rfind(' ');
                candidate = cur + c;
            }
            cur = std::move(candidate);
            if (c == ' ') lastSpace = cur.size() - 1;
        };
        for (char c : logical) {
            if (c == '\t' && tabWidth > 0) {
                // Spaces up to the next tab stop.
                const int space = std::max(1, measure(" "));
                const int x = measure(cur);
                const int stop = (x / tabWidth + 1) * tabWidth;
                for (int filled = x; filled < stop; filled += space) append(' ');
            } else {
                append(c);
            }
        }
        lines.push_back(cur);
    };
    size_t i = 0;
    while (i < text.size()) {
        const size_t cr = text.find('\r', i);
        wrap(text.substr(i, cr == std::string::npos ? std::string::npos : cr - i));
        if (cr == std::string::npos) break;
        i = cr + 1;
        while (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
    std::vector<std::vector<std::string>> pages;
    const size_t per = static_cast<size_t>(std::max(1, linesPerPage));
    for (size_t p = 0; p < lines.size(); p += per)
        pages.emplace_back(lines.begin() + static_cast<long>(p),
                           lines.begin() + static_cast<long>(std::min(lines.size(), p + per)));
    return pages;
}

std::vector<std::string> SummaryPageLines(const FileSummary* summary, bool checked) {
    if (summary && !summary->blocks.empty()) return SummaryLines(*summary);
    if (!checked) return {};
    return {A("Kein Begleitzettel: Die Datei enthält keine Zahlungsaufträge (Überweisungen oder Lastschriften).")};
}

std::string SummaryPageText(const std::vector<std::string>& lines, const char* lineEnd) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : lineEnd) + lines[i];
    return text;
}

}  // namespace valorix
