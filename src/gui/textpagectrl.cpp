#include "gui/textpagectrl.h"

#include <algorithm>
#include <string>

namespace valorix::gui {
namespace {
enum Style { kRedStyle = 1, kBlueStyle = 2 };  // 0 is the plain text
constexpr int kNumberMargin = 0;
}

CTextPageCtrl::CTextPageCtrl(wxWindow* parent, wxWindowID id)
    : wxStyledTextCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE) {
    SetCodePage(wxSTC_CP_UTF8);
    SetLexer(wxSTC_LEX_CONTAINER);  // the marks are the only styling
    wxFont font(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    StyleSetFont(wxSTC_STYLE_DEFAULT, font);
    StyleClearAll();
    StyleSetForeground(kRedStyle, wxColour(255, 0, 0));
    StyleSetBold(kRedStyle, true);
    StyleSetForeground(kBlueStyle, wxColour(0, 0, 255));
    StyleSetBold(kBlueStyle, true);
    SetMarginType(kNumberMargin, wxSTC_MARGIN_NUMBER);
    StyleSetForeground(wxSTC_STYLE_LINENUMBER, wxColour(110, 110, 110));
    SetMarginWidth(1, 0);
    SetUndoCollection(false);
    // Nobody listens to changes of the text: without this the control would
    // hand every insertion on as an event with the inserted text converted.
    SetModEventMask(0);
    SetReadOnly(true);
    SetWrapMode(wxSTC_WRAP_NONE);
    // The selection stays visible when the page has no focus.
    SetSelBackground(true, wxColour(51, 153, 255));
    SetSelForeground(true, *wxWHITE);
}

void CTextPageCtrl::SetText(const std::string& text) {
    m_model.SetText(text);
    ShowModelText();
}

void CTextPageCtrl::ShareText(const std::string& text) {
    m_model.ShareText(text);
    ShowModelText();
}

void CTextPageCtrl::ShowModelText() {
    SetReadOnly(false);
    ClearAll();
    // The text goes in in pieces, each converted on the way where it needs
    // to be, so that no second copy of a large text is made.
    m_display.Build(m_model.GetText(), m_utf8,
                    [this](std::string_view piece) { AppendTextRaw(piece.data(), static_cast<int>(piece.size())); });
    SetReadOnly(true);
    EmptyUndoBuffer();
    // The line-number margin fits the highest number.
    const std::string widest = "_" + std::to_string(std::max(1, m_model.GetLineCount()));
    SetMarginWidth(kNumberMargin, TextWidth(wxSTC_STYLE_LINENUMBER, widest));
}

void CTextPageCtrl::CentreOn(long pos) {
    const int stc = static_cast<int>(ToStc(pos));
    const int line = LineFromPosition(stc);
    SetFirstVisibleLine(std::max(0, line - LinesOnScreen() / 2));
    // The text area's width without the margins.
    int margins = 0;
    for (int m = 0; m < 5; ++m) margins += GetMarginWidth(m);
    const int width = GetClientSize().x - margins;
    const int x = PointFromPosition(stc).x - margins + GetXOffset();  // from the text's left edge
    SetXOffset(std::max(0, x - width / 2));
}

void CTextPageCtrl::SetSel(long start, long end) {
    m_model.SetSel(start, end);
    SetSelection(static_cast<int>(ToStc(start)), static_cast<int>(ToStc(end)));
}

void CTextPageCtrl::HideSelection(bool hide) {
    m_model.HideSelection(hide);
    // While marks are set one after the other nothing is drawn.
    if (hide && !m_frozen) {
        Freeze();
        m_frozen = true;
    } else if (!hide && m_frozen) {
        Thaw();
        m_frozen = false;
    }
}

void CTextPageCtrl::FormatSelection(uint32_t rgb) {
    m_model.FormatSelection(rgb);
    const long start = ToStc(m_model.SelStart()), end = ToStc(m_model.SelEnd());
    if (end <= start) return;
    StartStyling(static_cast<int>(start));
    SetStyling(static_cast<int>(end - start), rgb == kBlue ? kBlueStyle : kRedStyle);
}

void CTextPageCtrl::SetCaret(long pos) {
    m_model.SetCaret(pos);
    GotoPos(static_cast<int>(ToStc(pos)));
}

void CTextPageCtrl::ScrollToLine(int line) {
    m_model.ScrollToLine(line);
    SetFirstVisibleLine(line);
}

int CTextPageCtrl::GetFirstVisibleLine() const { return wxStyledTextCtrl::GetFirstVisibleLine(); }

}  // namespace valorix::gui
