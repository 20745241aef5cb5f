// The output pane's list: the report lines of the last fill as a virtual
// list (a file may have hundreds of thousands of findings), double-click
// navigation, the context menu, and copying all lines.
#pragma once
#include <wx/listctrl.h>

#include <functional>

#include "ui/framelogic.h"
#include "ui/viewmodel.h"

namespace valorix::gui {

class COutputListCtrl : public wxListCtrl {
public:
    /// `screen` converts the lines for the screen; it must outlive the control.
    COutputListCtrl(wxWindow* parent, wxWindowID id, const CScreenText* screen);

    /// Shows `lines` (null: none); the list must outlive the control's use of it.
    void SetLines(const COutputList* lines);
    const COutputList* Lines() const { return m_lines; }
    size_t LineCount() const { return m_lines ? m_lines->Lines().size() : 0; }
    /// The text position of a double-clicked line with a position (not 0 or -1).
    void OnNavigate(std::function<void(long)> fn) { m_navigate = std::move(fn); }
    /// Puts all lines on the clipboard; false when there are none.
    bool CopyAll();
    /// Runs the double-click action of a line.
    void Activate(long line);
    int ColumnWidth() { return GetColumnWidth(0); }

protected:
    wxString OnGetItemText(long item, long column) const override;

private:
    void OnContextMenu(wxContextMenuEvent&);
    void FitColumn();

    const COutputList* m_lines = nullptr;
    const CScreenText* m_screen;
    int m_textWidth = 0;  ///< of the longest line
    std::function<void(long)> m_navigate;
};

}  // namespace valorix::gui
