// The lines of a virtual hierarchical view: the structure grid or the
// structure tree as far as it is expanded, in display order, each line one
// row of the structure store with its depth. A view draws only the lines on
// screen and asks this list for them; expanding and collapsing splice the
// list instead of rebuilding it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/viewmodel.h"

namespace valorix {

class CVisibleRows {
public:
    enum class Kind { Grid, Tree };

    CVisibleRows(CStructureModel& model, Kind kind) : m_model(model), m_kind(kind) {}

    /// Reads the lines anew from the store (after a fill).
    void Rebuild();
    size_t Count() const { return m_lines.size(); }
    RowId At(size_t line) const { return m_lines[line]; }
    /// 0 for the top-level rows (the grid's rows, the tree's roots).
    int Depth(size_t line) const { return m_depths[line]; }

    /// The row's children as this view shows them.
    size_t ChildCount(RowId row) const;
    RowId Child(RowId row, size_t index) const;
    bool IsExpanded(RowId row) const;

    /// Expands or collapses the row on `line`; false when it has no children
    /// or already is so.
    bool SetExpanded(size_t line, bool expanded);
    /// Expands every collapsed row above `row` and returns its line; -1 when
    /// the row is not one of this view's rows.
    long Reveal(RowId row);
    /// The line of a row that is shown, else -1.
    long LineOf(RowId row) const;

private:
    void SetFlag(RowId row, bool expanded);
    /// Appends the shown lines below `row` (depth of its children: `depth`).
    void AppendBelow(RowId row, int depth, std::vector<RowId>& lines, std::vector<uint16_t>& depths) const;

    CStructureModel& m_model;
    Kind m_kind;
    std::vector<RowId> m_lines;
    std::vector<uint16_t> m_depths;
};

}  // namespace valorix
