// The structure grid and the structure tree as one virtual control: it draws
// only the lines on screen, reading them from the visible-lines list over the
// structure store, so that a file of millions of rows costs no widget per
// row. As a grid it has two columns (name with its icon, value) whose values
// can be edited in place (shown as changed, never written back); as a tree it
// shows names with the tree images.
#pragma once
#include <wx/imaglist.h>
#include <wx/textctrl.h>
#include <wx/vscroll.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "ui/framelogic.h"
#include "ui/visiblerows.h"

namespace valorix::gui {

class CRowsCtrl : public wxHVScrolledWindow {
public:
    /// `screen` converts names and values for the screen (null: plain
    /// Windows-1252); it must outlive the control.
    CRowsCtrl(wxWindow* parent, wxWindowID id, CVisibleRows::Kind kind, const CScreenText* screen = nullptr);
    ~CRowsCtrl() override;

    /// Shows the rows of `model` (null: none), read anew.
    void SetModel(CStructureModel* model);
    /// Reads the lines anew after the store changed (a fill).
    void Rebuild();
    void SetImages(wxImageList* images) { m_images = images; }

    RowId GetSelectedRow() const { return m_selected; }
    /// Selects the row, expanding what lies above it and scrolling it into
    /// view; `notify` sends the selection to the listener.
    void SelectRow(RowId row, bool notify);
    /// Called when the user (or SelectRow with notify) changes the selection.
    void OnSelectionChanged(std::function<void(RowId)> fn) { m_onSelect = std::move(fn); }

    const CVisibleRows* Lines() const { return m_lines.get(); }
    /// The value shown for a row: the edited one when there is one.
    std::string DisplayedValue(RowId row) const;
    bool IsEdited(RowId row) const { return m_edits.count(row) != 0; }
    /// Starts editing the selected row's value (grid only); false when it cannot.
    bool BeginEdit();
    /// The in-place editor while it is open, else null.
    wxTextCtrl* Editor() const { return m_editor; }
    /// Ends the edit; `keep` stores the text as the row's changed value.
    void EndEdit(bool keep);

    /// The line at a point of the client area, -1 for none.
    long HitLine(const wxPoint& pt, bool* onButton = nullptr) const;
    int LineHeight() const { return m_lineHeight; }
    /// The client rectangle of a line's expand button.
    wxRect ButtonRect(size_t line) const;

protected:
    wxCoord OnGetRowHeight(size_t) const override { return m_lineHeight; }
    /// Columns are steps of the tree's sideways scrolling; the grid has one
    /// and fits its width.
    wxCoord OnGetColumnWidth(size_t) const override { return kColumnStep; }

private:
    void OnPaint(wxPaintEvent&);
    void OnLeftDown(wxMouseEvent&);
    void OnLeftDClick(wxMouseEvent&);
    void OnRightDown(wxMouseEvent&);
    void OnKey(wxKeyEvent&);
    void OnSize(wxSizeEvent&);
    /// Puts the in-place editor over the edited row's value.
    void PlaceEditor();
    void OnFocus(wxFocusEvent&);
    void SelectLine(long line, bool notify);
    void Toggle(size_t line, bool expanded);
    void UpdateCount();
    int Indent(size_t line) const;
    int SplitX() const;
    /// How far the tree is scrolled sideways, in pixels.
    int XOffset() const;
    /// The tree scrolls sideways as far as its widest line drawn so far needs.
    void FitColumns();
    static constexpr int kColumnStep = 8;


    CVisibleRows::Kind m_kind;
    const CScreenText* m_screen;
    CStructureModel* m_model = nullptr;
    std::unique_ptr<CVisibleRows> m_lines;
    wxImageList* m_images = nullptr;
    RowId m_selected = kNoRow;
    std::function<void(RowId)> m_onSelect;
    std::unordered_map<RowId, std::string> m_edits;
    wxTextCtrl* m_editor = nullptr;
    RowId m_editRow = kNoRow;
    int m_lineHeight = 20;
    int m_contentWidth = 0;  ///< of the widest line drawn
};

}  // namespace valorix::gui
