#include "gui/outputlist.h"

#include <wx/clipbrd.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>

#include "gui/ids.h"
#include "gui/wxstr.h"
#include "ui/framelogic.h"

namespace valorix::gui {

COutputListCtrl::COutputListCtrl(wxWindow* parent, wxWindowID id, const CScreenText* screen)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_NO_HEADER | wxLC_SINGLE_SEL | wxBORDER_NONE),
      m_screen(screen) {
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    InsertColumn(0, wxString());
    Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent& e) { Activate(e.GetIndex()); });
    Bind(wxEVT_CONTEXT_MENU, &COutputListCtrl::OnContextMenu, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
        e.Skip();
        CallAfter([this] { FitColumn(); });  // once the new client size holds
    });
}

void COutputListCtrl::SetLines(const COutputList* lines) {
    m_lines = lines;
    const long count = static_cast<long>(LineCount());
    SetItemCount(count);
    // One column as wide as the longest line, so that the list scrolls sideways.
    size_t longest = 0;
    for (long i = 0; i < count; ++i)
        if (m_lines->Lines()[static_cast<size_t>(i)].text.size() > m_lines->Lines()[longest].text.size())
            longest = static_cast<size_t>(i);
    m_textWidth = count > 0 ? GetTextExtent(W(m_lines->Lines()[longest].text, m_screen)).x + 24 : 0;
    FitColumn();
    Refresh();
}

void COutputListCtrl::FitColumn() {
    // The column spans the window, or the longest line where it is wider.
    const int width = std::max({GetClientSize().x, m_textWidth, 100});
    if (GetColumnWidth(0) != width) SetColumnWidth(0, width);
}

wxString COutputListCtrl::OnGetItemText(long item, long) const {
    if (!m_lines || item < 0 || static_cast<size_t>(item) >= m_lines->Lines().size()) return wxString();
    return W(m_lines->Lines()[static_cast<size_t>(item)].text, m_screen);
}

void COutputListCtrl::Activate(long line) {
    if (!m_lines || line < 0 || static_cast<size_t>(line) >= m_lines->Lines().size()) return;
    const long position = m_lines->Lines()[static_cast<size_t>(line)].position;
    if (position != 0 && position != -1 && m_navigate) m_navigate(position);
}

bool COutputListCtrl::CopyAll() {
    if (LineCount() == 0) return false;
    wxClipboardLocker lock;
    if (!lock) return false;
    wxTheClipboard->SetData(new wxTextDataObject(W(OutputCopyText(*m_lines), m_screen)));
    wxTheClipboard->Flush();
    return true;
}

void COutputListCtrl::OnContextMenu(wxContextMenuEvent& e) {
    wxMenu menu;
    menu.Append(ID_EDIT_COPY, U("&Kopieren"));
    menu.AppendSeparator();
    menu.Append(ID_VIEW_OUTPUTWND, U("&Ausblenden"));
    wxPoint pt = e.GetPosition();
    pt = pt == wxDefaultPosition ? wxPoint(0, 0) : ScreenToClient(pt);
    PopupMenu(&menu, pt);  // the chosen command goes up to the frame
    SetFocus();
}

}  // namespace valorix::gui
