#include "gui/textpagectrl.h"

#include <algorithm>

#include "platform/codepage.h"

namespace valorix::gui {
namespace {
enum Style { kRedStyle = 1, kBlueStyle = 2 };  // 0 is the plain text
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
    const std::string& page = m_model.GetText();
    m_wide.clear();
    m_extraBefore.assign(1, 0);
    SetReadOnly(false);
    ClearAll();
    // The control holds UTF-8: the text goes in in pieces, each converted on
    // the way, so that no second copy of a large text is made.
    constexpr size_t kPiece = 1 << 20;
    std::string utf8;
    long extra = 0;
    for (size_t from = 0; from < page.size(); from += kPiece) {
        const size_t end = std::min(page.size(), from + kPiece);
        utf8.clear();
        for (size_t i = from; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(page[i]);
            if (c < 0x80) {
                utf8 += static_cast<char>(c);
                continue;
            }
            const std::string wide = Cp1252ToUtf8(std::string_view(&page[i], 1));
            utf8 += wide;
            m_wide.push_back(static_cast<long>(i));
            extra += static_cast<long>(wide.size()) - 1;
            m_extraBefore.push_back(extra);
        }
        AppendTextRaw(utf8.data(), static_cast<int>(utf8.size()));  // new text has the plain style
    }
    SetReadOnly(true);
    EmptyUndoBuffer();
}

long CTextPageCtrl::ToStc(long pos) const {
    // The extra bytes of the wide characters in front of `pos`.
    const size_t k = static_cast<size_t>(std::lower_bound(m_wide.begin(), m_wide.end(), pos) - m_wide.begin());
    return pos + m_extraBefore[k];
}

long CTextPageCtrl::FromStc(long pos) const {
    // The wide characters that start before `pos` in the control.
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
