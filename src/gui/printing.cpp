#include "gui/printing.h"

#include <wx/dc.h>

#include "gui/wxstr.h"
#include "ui/framelogic.h"

namespace valorix::gui {

COutputPrintout::COutputPrintout(std::string text, const wxFont& font, const CScreenText* screen)
    : wxPrintout(wxString::FromUTF8("Ausgabe")), m_text(std::move(text)), m_font(font), m_screen(screen) {}

void COutputPrintout::OnPreparePrinting() {
    m_pages.clear();
    wxDC* dc = GetDC();
    if (!dc) return;
    // The page is laid out in screen pixels, mapped onto the printer's (or
    // the preview's) own: the screen font keeps its size on paper.
    MapScreenSizeToPage();
    dc->SetFont(m_font.IsOk() ? m_font : *wxNORMAL_FONT);
    int screenX = 96, screenY = 96;
    GetPPIScreen(&screenX, &screenY);
    // Half an inch of margin on every side.
    m_margin = screenX / 2;
    const wxRect page = GetLogicalPageRect();
    const int width = page.width - 2 * m_margin;
    const int height = page.height - 2 * (screenY / 2);
    wxCoord w = 0, h = 0, descent = 0, leading = 0;
    dc->GetTextExtent("Xg", &w, &h, &descent, &leading);
    m_lineHeight = std::max(1, h + leading);
    auto measure = [this, dc](const std::string& piece) { return dc->GetTextExtent(W(piece, m_screen)).x; };
    const int tabWidth = 8 * std::max(1, dc->GetTextExtent(" ").x);
    m_pages = PaginatePrintText(m_text, measure, std::max(1, width), std::max(1, height / m_lineHeight), tabWidth);
}

void COutputPrintout::GetPageInfo(int* minPage, int* maxPage, int* from, int* to) {
    *minPage = 1;
    *maxPage = static_cast<int>(m_pages.size());
    *from = 1;
    *to = static_cast<int>(m_pages.size());
}

bool COutputPrintout::OnPrintPage(int page) {
    wxDC* dc = GetDC();
    if (!dc || !HasPage(page)) return false;
    MapScreenSizeToPage();
    dc->SetFont(m_font.IsOk() ? m_font : *wxNORMAL_FONT);
    dc->SetTextForeground(*wxBLACK);
    int y = m_margin;
    for (const std::string& line : m_pages[static_cast<size_t>(page - 1)]) {
        dc->DrawText(W(line, m_screen), m_margin, y);
        y += m_lineHeight;
    }
    return true;
}

}  // namespace valorix::gui
