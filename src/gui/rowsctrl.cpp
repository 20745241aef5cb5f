#include "gui/rowsctrl.h"

#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>

#include <algorithm>

#include "gui/wxstr.h"

namespace valorix::gui {
namespace {
constexpr int kIndentStep = 16;
constexpr int kButtonWidth = 16;
constexpr int kImageWidth = 20;  // an icon and its gap
}  // namespace

CRowsCtrl::CRowsCtrl(wxWindow* parent, wxWindowID id, CVisibleRows::Kind kind, const CScreenText* screen)
    : wxHVScrolledWindow(parent, id, wxDefaultPosition, wxDefaultSize,
                         wxVSCROLL | wxHSCROLL | wxWANTS_CHARS | wxBORDER_NONE),
      m_kind(kind),
      m_screen(screen) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    m_lineHeight = std::max(18, GetCharHeight() + 6);
    Bind(wxEVT_PAINT, &CRowsCtrl::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CRowsCtrl::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CRowsCtrl::OnLeftDClick, this);
    Bind(wxEVT_RIGHT_DOWN, &CRowsCtrl::OnRightDown, this);
    Bind(wxEVT_KEY_DOWN, &CRowsCtrl::OnKey, this);
    Bind(wxEVT_SIZE, &CRowsCtrl::OnSize, this);
    Bind(wxEVT_SET_FOCUS, &CRowsCtrl::OnFocus, this);
    Bind(wxEVT_KILL_FOCUS, &CRowsCtrl::OnFocus, this);
    SetRowColumnCount(0, 1);
}

CRowsCtrl::~CRowsCtrl() = default;

void CRowsCtrl::SetModel(CStructureModel* model) {
    EndEdit(false);
    m_model = model;
    m_lines = model ? std::make_unique<CVisibleRows>(*model, m_kind) : nullptr;
    Rebuild();
}

void CRowsCtrl::Rebuild() {
    EndEdit(false);
    m_edits.clear();
    m_selected = kNoRow;
    m_contentWidth = 0;
    SetColumnCount(1);
    if (m_lines) m_lines->Rebuild();
    if (m_model && m_kind == CVisibleRows::Kind::Grid) m_selected = m_model->GetCurSel();
    UpdateCount();
    ScrollToRow(0);
}

void CRowsCtrl::UpdateCount() {
    SetRowCount(m_lines ? m_lines->Count() : 0);
    Refresh();
}

std::string CRowsCtrl::DisplayedValue(RowId row) const {
    const auto it = m_edits.find(row);
    if (it != m_edits.end()) return it->second;
    return std::string(m_model->Value(row));
}

int CRowsCtrl::Indent(size_t line) const { return 2 + m_lines->Depth(line) * kIndentStep - XOffset(); }

int CRowsCtrl::XOffset() const {
    return m_kind == CVisibleRows::Kind::Tree ? static_cast<int>(GetVisibleColumnsBegin()) * kColumnStep : 0;
}

void CRowsCtrl::FitColumns() {
    if (m_kind != CVisibleRows::Kind::Tree) return;
    const size_t columns = static_cast<size_t>(std::max(1, (m_contentWidth + kColumnStep - 1) / kColumnStep));
    if (columns != GetColumnCount()) SetColumnCount(columns);
}

int CRowsCtrl::SplitX() const { return std::max(120, GetClientSize().x * 2 / 5); }

wxRect CRowsCtrl::ButtonRect(size_t line) const {
    const int y = static_cast<int>(line - GetVisibleRowsBegin()) * m_lineHeight;
    return wxRect(Indent(line), y + (m_lineHeight - kButtonWidth) / 2, kButtonWidth, kButtonWidth);
}

long CRowsCtrl::HitLine(const wxPoint& pt, bool* onButton) const {
    if (!m_lines || pt.y < 0) return -1;
    const size_t line = GetVisibleRowsBegin() + static_cast<size_t>(pt.y / m_lineHeight);
    if (line >= m_lines->Count()) return -1;
    if (onButton) {
        const RowId row = m_lines->At(line);
        *onButton = m_lines->ChildCount(row) != 0 && ButtonRect(line).Contains(pt);
    }
    return static_cast<long>(line);
}

void CRowsCtrl::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT);
    const wxColour grid = wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT);
    const bool focused = HasFocus() || (m_editor && m_editor->HasFocus());
    const wxColour highlight = wxSystemSettings::GetColour(focused ? wxSYS_COLOUR_HIGHLIGHT : wxSYS_COLOUR_BTNSHADOW);
    const wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(window));
    dc.Clear();
    if (!m_lines) return;
    const bool isGrid = m_kind == CVisibleRows::Kind::Grid;
    const int split = SplitX();
    wxFont normal = GetFont();
    wxFont bold = normal.Bold();
    const size_t first = GetVisibleRowsBegin();
    const size_t end = std::min(m_lines->Count(), GetVisibleRowsEnd() + 1);
    int widest = m_contentWidth;
    for (size_t line = first; line < end; ++line) {
        const RowId row = m_lines->At(line);
        const int y = static_cast<int>(line - first) * m_lineHeight;
        const bool selected = row == m_selected;
        const bool group = isGrid && m_model->IsGroup(row);
        const wxRect nameRect(0, y, isGrid ? split : size.x, m_lineHeight);
        if (selected) {
            dc.SetBrush(wxBrush(highlight));
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.DrawRectangle(isGrid ? wxRect(Indent(line) + kButtonWidth, y, split - Indent(line) - kButtonWidth,
                                             m_lineHeight)
                                    : wxRect(Indent(line) + kButtonWidth, y, size.x, m_lineHeight));
        }
        if (m_lines->ChildCount(row) != 0) {
            wxRendererNative::Get().DrawTreeItemButton(this, dc, ButtonRect(line),
                                                       m_lines->IsExpanded(row) ? int(wxCONTROL_EXPANDED) : 0);
        }
        int x = Indent(line) + kButtonWidth + 2;
        const int image = isGrid ? static_cast<int>(m_model->Icon(row)) : m_model->TreeImage(row);
        if (m_images && (isGrid ? image != 0 : m_model->IsTreeItem(row))) {
            m_images->Draw(image, dc, x, y + (m_lineHeight - 16) / 2, wxIMAGELIST_DRAW_TRANSPARENT);
            x += kImageWidth;
        }
        dc.SetFont(group ? bold : normal);
        dc.SetTextForeground(selected ? highlightText : text);
        dc.SetClippingRegion(nameRect);
        const wxString name = W(m_model->Name(row), m_screen);
        dc.DrawText(name, x, y + (m_lineHeight - dc.GetCharHeight()) / 2);
        dc.DestroyClippingRegion();
        if (!isGrid) widest = std::max(widest, x + XOffset() + dc.GetTextExtent(name).x + 6);
        if (isGrid) {
            const std::string value = DisplayedValue(row);
            dc.SetFont(IsEdited(row) ? bold : normal);
            dc.SetTextForeground(text);
            const wxRect valueRect(split + 4, y, size.x - split - 4, m_lineHeight);
            dc.SetClippingRegion(valueRect);
            dc.DrawText(W(value), valueRect.x, y + (m_lineHeight - dc.GetCharHeight()) / 2);
            dc.DestroyClippingRegion();
            dc.SetPen(wxPen(grid));
            dc.DrawLine(0, y + m_lineHeight - 1, size.x, y + m_lineHeight - 1);
            dc.DrawLine(split, y, split, y + m_lineHeight);
        }
    }
    if (widest > m_contentWidth) {
        m_contentWidth = widest;
        CallAfter([this] { FitColumns(); });  // not while painting
    }
}

void CRowsCtrl::SelectLine(long line, bool notify) {
    if (!m_lines || line < 0 || static_cast<size_t>(line) >= m_lines->Count()) return;
    EndEdit(true);
    const RowId row = m_lines->At(static_cast<size_t>(line));
    const bool changed = row != m_selected;
    m_selected = row;
    if (m_model && m_kind == CVisibleRows::Kind::Grid) m_model->SetCurSel(row);
    if (static_cast<size_t>(line) < GetVisibleRowsBegin() || static_cast<size_t>(line) + 1 >= GetVisibleRowsEnd())
        ScrollToRow(static_cast<size_t>(std::max(0L, line - static_cast<long>(GetVisibleRowsEnd() - GetVisibleRowsBegin()) / 3)));
    Refresh();
    if (changed && notify && m_onSelect) m_onSelect(row);
}

void CRowsCtrl::SelectRow(RowId row, bool notify) {
    if (!m_lines) return;
    const size_t before = m_lines->Count();
    const long line = m_lines->Reveal(row);
    if (m_lines->Count() != before) UpdateCount();
    if (line < 0) return;
    const bool wasSelected = row == m_selected;
    SelectLine(line, notify);
    if (wasSelected && notify && m_onSelect) m_onSelect(row);
}

void CRowsCtrl::Toggle(size_t line, bool expanded) {
    if (!m_lines) return;
    EndEdit(true);
    if (m_lines->SetExpanded(line, expanded)) UpdateCount();
}

void CRowsCtrl::OnLeftDown(wxMouseEvent& e) {
    SetFocus();
    bool onButton = false;
    const long line = HitLine(e.GetPosition(), &onButton);
    if (line < 0) return;
    if (onButton) {
        const RowId row = m_lines->At(static_cast<size_t>(line));
        Toggle(static_cast<size_t>(line), !m_lines->IsExpanded(row));
        return;
    }
    SelectLine(line, true);
}

void CRowsCtrl::OnLeftDClick(wxMouseEvent& e) {
    bool onButton = false;
    const long line = HitLine(e.GetPosition(), &onButton);
    if (line < 0 || onButton) return;
    const RowId row = m_lines->At(static_cast<size_t>(line));
    if (m_kind == CVisibleRows::Kind::Grid && e.GetPosition().x > SplitX()) {
        SelectLine(line, true);
        BeginEdit();
    } else if (m_lines->ChildCount(row) != 0) {
        Toggle(static_cast<size_t>(line), !m_lines->IsExpanded(row));
    }
}

void CRowsCtrl::OnRightDown(wxMouseEvent& e) {
    // The item under the pointer is selected and the control gets the focus; no menu.
    SetFocus();
    const long line = HitLine(e.GetPosition());
    if (line >= 0) SelectLine(line, true);
}

void CRowsCtrl::OnKey(wxKeyEvent& e) {
    if (!m_lines || m_lines->Count() == 0) {
        e.Skip();
        return;
    }
    const long count = static_cast<long>(m_lines->Count());
    long line = m_selected == kNoRow ? -1 : m_lines->LineOf(m_selected);
    const long page = std::max<long>(1, static_cast<long>(GetVisibleRowsEnd() - GetVisibleRowsBegin()) - 1);
    switch (e.GetKeyCode()) {
    case WXK_UP: SelectLine(std::max(0L, line - 1), true); break;
    case WXK_DOWN: SelectLine(std::min(count - 1, line + 1), true); break;
    case WXK_PAGEUP: SelectLine(std::max(0L, line - page), true); break;
    case WXK_PAGEDOWN: SelectLine(std::min(count - 1, line + page), true); break;
    case WXK_HOME: SelectLine(0, true); break;
    case WXK_END: SelectLine(count - 1, true); break;
    case WXK_LEFT:
    case WXK_NUMPAD_SUBTRACT:
    case '-':
        if (line < 0) break;
        if (m_lines->IsExpanded(m_selected) && m_lines->ChildCount(m_selected) != 0) {
            Toggle(static_cast<size_t>(line), false);
        } else if (e.GetKeyCode() == WXK_LEFT) {
            const RowId parent = m_model->Parent(m_selected);
            if (parent != kGridRoot && parent != kNoRow) SelectRow(parent, true);
        }
        break;
    case WXK_RIGHT:
    case WXK_NUMPAD_ADD:
    case '+':
        if (line >= 0) Toggle(static_cast<size_t>(line), true);
        break;
    case WXK_F2:
    case WXK_RETURN:
        if (!BeginEdit()) e.Skip();
        break;
    default: e.Skip(); return;
    }
}

void CRowsCtrl::OnSize(wxSizeEvent& e) {
    // GTK sizes the control again right after the editor is added: the edit
    // goes on, its editor placed over the value column as it is now.
    PlaceEditor();
    Refresh();
    e.Skip();
}

void CRowsCtrl::PlaceEditor() {
    if (!m_editor || !m_lines) return;
    const long line = m_lines->LineOf(m_editRow);
    if (line < 0) return;
    const int y = (static_cast<int>(line) - static_cast<int>(GetVisibleRowsBegin())) * m_lineHeight;
    const int split = SplitX();
    m_editor->SetSize(split + 1, y, std::max(20, GetClientSize().x - split - 1), m_lineHeight);
}

void CRowsCtrl::OnFocus(wxFocusEvent& e) {
    Refresh();
    e.Skip();
}

bool CRowsCtrl::BeginEdit() {
    if (m_kind != CVisibleRows::Kind::Grid || !m_lines || m_selected == kNoRow) return false;
    const long line = m_lines->LineOf(m_selected);
    if (line < 0) return false;
    EndEdit(true);
    const int y = static_cast<int>(static_cast<size_t>(line) - GetVisibleRowsBegin()) * m_lineHeight;
    const int split = SplitX();
    m_editRow = m_selected;
    m_editor = new wxTextCtrl(this, wxID_ANY, W(DisplayedValue(m_selected)), wxPoint(split + 1, y),
                              wxSize(GetClientSize().x - split - 1, m_lineHeight), wxTE_PROCESS_ENTER | wxBORDER_NONE);
    m_editor->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { CallAfter([this] { EndEdit(true); SetFocus(); }); });
    m_editor->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& k) {
        if (k.GetKeyCode() == WXK_ESCAPE) CallAfter([this] { EndEdit(false); SetFocus(); });
        else k.Skip();
    });
    // The edit ends when the focus has left the editor for good: GTK may take
    // it away and give it back while the editor is being shown.
    m_editor->Bind(wxEVT_KILL_FOCUS, [this, editor = m_editor](wxFocusEvent& f) {
        CallAfter([this, editor] {
            if (m_editor == editor && !editor->HasFocus()) EndEdit(true);
        });
        f.Skip();
    });
    m_editor->SetFocus();
    m_editor->SelectAll();
    return true;
}

void CRowsCtrl::EndEdit(bool keep) {
    if (!m_editor) return;
    wxTextCtrl* editor = m_editor;
    m_editor = nullptr;
    // An edited value is only shown as changed; the document is never written.
    if (keep && m_model && m_editRow < m_model->Size()) {
        const std::string value = C(editor->GetValue());
        if (value != DisplayedValue(m_editRow)) m_edits[m_editRow] = value;
    }
    m_editRow = kNoRow;
    editor->Destroy();
    Refresh();
}

}  // namespace valorix::gui
