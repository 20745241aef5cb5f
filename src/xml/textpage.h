// The text page: the document text as the user reads it, one character per
// byte, every line end counting as one character. Findings are marked in it.
// ITextPage is what the view logic needs of it; CTextPageModel is the
// in-memory implementation, which the command line uses and the desktop
// text control mirrors.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace valorix {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

struct SearchOptions {
    bool forward = true;
    bool wholeWord = false;
    bool matchCase = false;
};

class ITextPage {
public:
    virtual ~ITextPage() = default;
    /// Replaces the text (which removes all marks); "\r\n" and "\r" become one line end.
    virtual void SetText(const std::string& text) = 0;
    /// Like SetText, but the page may read `text` where it stands instead of
    /// copying it: the text must then stay unchanged until the page is given
    /// another text.
    virtual void ShareText(const std::string& text) { SetText(text); }
    /// How the bytes of the texts given next are read where the page shows
    /// them: as UTF-8, or one character per byte (Windows-1252). The page's
    /// positions count bytes either way.
    virtual void SetTextIsUtf8(bool /*utf8*/) {}
    virtual const std::string& GetText() const = 0;
    /// 0-based line of a position.
    virtual int LineFromChar(long pos) const = 0;
    /// First position of a 0-based line; -1 when the line does not exist.
    virtual long LineIndex(int line) const = 0;
    virtual int GetLineCount() const = 0;
    /// Forward: the first match starting at or after `from` and ending at or
    /// before `to` (-1: the end). Backward: the last match ending at or before
    /// `from` and starting at or after `to` (-1: 0). Returns -1 without a match.
    virtual long Find(const std::string& what, long from, long to, const SearchOptions& options) const = 0;
    virtual void SetSel(long start, long end) = 0;
    virtual void HideSelection(bool hide) = 0;
    /// Formats the selection bold in the colour (RGB).
    virtual void FormatSelection(uint32_t rgb) = 0;
    virtual void SetCaret(long pos) = 0;
    virtual void ScrollToLine(int line) = 0;
    virtual int GetFirstVisibleLine() const = 0;
};

class CTextPageModel : public ITextPage {
public:
    struct Mark {
        long start, end;
        uint32_t rgb;
    };
    CTextPageModel() = default;
    CTextPageModel(const CTextPageModel&) = delete;
    CTextPageModel& operator=(const CTextPageModel&) = delete;

    void SetText(const std::string& text) override;
    /// Like SetText, but a text without carriage returns is read where it
    /// stands, not copied: it must stay unchanged while the page is used.
    void ShareText(const std::string& text) override;
    const std::string& GetText() const override { return *m_page; }
    int LineFromChar(long pos) const override;
    long LineIndex(int line) const override;
    int GetLineCount() const override { return static_cast<int>(m_lineStarts.size()); }
    long Find(const std::string& what, long from, long to, const SearchOptions& options) const override;
    void SetSel(long start, long end) override;
    void HideSelection(bool hide) override { m_selectionHidden = hide; }
    void FormatSelection(uint32_t rgb) override;
    void SetCaret(long pos) override;
    void ScrollToLine(int line) override { m_firstVisibleLine = line; }
    int GetFirstVisibleLine() const override { return m_firstVisibleLine; }

    const std::vector<Mark>& Marks() const { return m_marks; }
    long SelStart() const { return m_selStart; }
    long SelEnd() const { return m_selEnd; }
    bool SelectionHidden() const { return m_selectionHidden; }

private:
    void Take(const std::string& text, bool share);

    std::string m_text;
    const std::string* m_page = &m_text;  ///< the page's text: m_text or a shared one
    std::vector<long> m_lineStarts{0};
    std::vector<Mark> m_marks;
    long m_selStart = 0, m_selEnd = 0;
    bool m_selectionHidden = false;
    int m_firstVisibleLine = 0;
    // The last search to the end of the text, per pattern and options: its
    // place and the match found (-1: none). No match begins in between.
    struct ForwardResult {
        long from = -1;
        long found = -1;
    };
    mutable std::map<std::string, ForwardResult> m_forward;
    // The last backward search to the start of the text, per search: the last
    // place a match could begin, and the match found (-1: none).
    struct BackwardResult {
        long top = -1;
        long found = -1;
    };
    mutable std::map<std::string, BackwardResult> m_backward;
};

/// Case folding of the code page's letters (ASCII and Latin-1).
char FoldCase(char c);

}  // namespace valorix
