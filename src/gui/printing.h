// The printout of the output pane's lines ("Ausgabe Drucken"): the print
// text cut into pages by the toolkit-free pagination, drawn page by page.
#pragma once
#include <wx/font.h>
#include <wx/print.h>

#include <string>
#include <vector>

#include "ui/framelogic.h"

namespace valorix::gui {

class COutputPrintout : public wxPrintout {
public:
    /// `text`: the print text (CP1252, lines joined by carriage returns);
    /// `font`: the screen font to scale to the printer; `screen` (may be
    /// null) names the open file by its real name.
    COutputPrintout(std::string text, const wxFont& font, const CScreenText* screen = nullptr);

    void OnPreparePrinting() override;
    bool HasPage(int page) override { return page >= 1 && page <= static_cast<int>(m_pages.size()); }
    void GetPageInfo(int* minPage, int* maxPage, int* from, int* to) override;
    bool OnPrintPage(int page) override;

    const std::vector<std::vector<std::string>>& Pages() const { return m_pages; }

private:

    std::string m_text;
    wxFont m_font;
    const CScreenText* m_screen;
    std::vector<std::vector<std::string>> m_pages;
    int m_margin = 0;
    int m_lineHeight = 1;
};

}  // namespace valorix::gui
