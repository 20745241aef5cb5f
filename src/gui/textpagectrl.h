// The view's page "Text": the document's text, read-only, with the findings
// marked bold red or blue and the line numbers in a margin. The model holds
// the bytes and answers every question about positions; the control shows the
// characters the file's encoding gives them (UTF-8 as UTF-8, a single-byte
// code page as Windows-1252), and each of its positions is mapped.
#pragma once
#include <wx/stc/stc.h>

#include "ui/displaytext.h"
#include "xml/textpage.h"

namespace valorix::gui {

class CTextPageCtrl : public wxStyledTextCtrl, public ITextPage {
public:
    CTextPageCtrl(wxWindow* parent, wxWindowID id);

    void SetText(const std::string& text) override;
    void ShareText(const std::string& text) override;
    void SetTextIsUtf8(bool utf8) override { m_utf8 = utf8; }
    const std::string& GetText() const override { return m_model.GetText(); }
    int LineFromChar(long pos) const override { return m_model.LineFromChar(pos); }
    long LineIndex(int line) const override { return m_model.LineIndex(line); }
    int GetLineCount() const override { return m_model.GetLineCount(); }
    long Find(const std::string& what, long from, long to, const SearchOptions& options) const override {
        return m_model.Find(what, from, to, options);
    }
    void SetSel(long start, long end) override;
    void HideSelection(bool hide) override;
    void FormatSelection(uint32_t rgb) override;
    void SetCaret(long pos) override;
    void ScrollToLine(int line) override;
    int GetFirstVisibleLine() const override;

    const CTextPageModel& Model() const { return m_model; }
    /// The selection in page positions.
    long SelStart() const { return FromStc(GetSelectionStart()); }
    long SelEnd() const { return FromStc(GetSelectionEnd()); }
    /// The style (0 plain, 1 red, 2 blue) at a page position.
    int StyleOf(long pos) { return GetStyleAt(static_cast<int>(ToStc(pos))); }

    long ToStc(long pos) const { return m_display.ToDisplay(pos); }
    long FromStc(long pos) const { return m_display.FromDisplay(pos); }
    /// Scrolls the page position into the middle of the view, across too.
    void CentreOn(long pos);

private:
    /// Shows the model's text in the control.
    void ShowModelText();

    CTextPageModel m_model;
    CDisplayText m_display;
    bool m_utf8 = false;
    bool m_frozen = false;
};

}  // namespace valorix::gui
