// The view's page "Text": the document bytes, one character per byte as the
// text page model holds them, read-only, with the findings marked bold red or
// blue. The model answers every question about positions; the control shows
// the same text as UTF-8, so each of its positions is mapped.
#pragma once
#include <wx/stc/stc.h>

#include <vector>

#include "ui/textpage.h"

namespace valorix::gui {

class CTextPageCtrl : public wxStyledTextCtrl, public ITextPage {
public:
    CTextPageCtrl(wxWindow* parent, wxWindowID id);

    void SetText(const std::string& text) override;
    void ShareText(const std::string& text) override;
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

    long ToStc(long pos) const;
    long FromStc(long pos) const;

private:
    /// Shows the model's text in the control.
    void ShowModelText();

    CTextPageModel m_model;
    // Page positions of the bytes above 0x7F and the extra UTF-8 bytes the
    // control holds before each of them (cumulative, one more entry).
    std::vector<long> m_wide;
    std::vector<long> m_extraBefore;
    bool m_frozen = false;
};

}  // namespace valorix::gui
