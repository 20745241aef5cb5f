#include "ui/visiblerows.h"

#include <algorithm>

namespace valorix {

size_t CVisibleRows::ChildCount(RowId row) const {
    return m_kind == Kind::Grid ? m_model.ChildCount(row) : m_model.TreeChildCount(row);
}

RowId CVisibleRows::Child(RowId row, size_t index) const {
    return m_kind == Kind::Grid ? m_model.Child(row, index) : m_model.TreeChild(row, index);
}

bool CVisibleRows::IsExpanded(RowId row) const {
    return m_kind == Kind::Grid ? m_model.IsExpanded(row) : m_model.IsTreeExpanded(row);
}

void CVisibleRows::SetFlag(RowId row, bool expanded) {
    if (m_kind == Kind::Grid) m_model.SetExpanded(row, expanded);
    else m_model.SetTreeExpanded(row, expanded);
}

void CVisibleRows::AppendBelow(RowId row, int depth, std::vector<RowId>& lines, std::vector<uint16_t>& depths) const {
    // Depth first with an explicit stack: documents may nest deeply.
    struct Open {
        RowId row;
        size_t next;
        int depth;
    };
    std::vector<Open> open{{row, 0, depth}};
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == ChildCount(top.row)) {
            open.pop_back();
            continue;
        }
        const RowId child = Child(top.row, top.next++);
        const int childDepth = top.depth;
        lines.push_back(child);
        depths.push_back(static_cast<uint16_t>(std::min(childDepth, 0xFFFF)));
        if (IsExpanded(child) && ChildCount(child) != 0) open.push_back({child, 0, childDepth + 1});
    }
}

void CVisibleRows::Rebuild() {
    m_lines.clear();
    m_depths.clear();
    AppendBelow(kGridRoot, 0, m_lines, m_depths);
}

bool CVisibleRows::SetExpanded(size_t line, bool expanded) {
    if (line >= m_lines.size()) return false;
    const RowId row = m_lines[line];
    if (ChildCount(row) == 0 || IsExpanded(row) == expanded) return false;
    SetFlag(row, expanded);
    const uint16_t depth = m_depths[line];
    if (expanded) {
        std::vector<RowId> lines;
        std::vector<uint16_t> depths;
        AppendBelow(row, depth + 1, lines, depths);
        m_lines.insert(m_lines.begin() + static_cast<long>(line) + 1, lines.begin(), lines.end());
        m_depths.insert(m_depths.begin() + static_cast<long>(line) + 1, depths.begin(), depths.end());
    } else {
        size_t end = line + 1;
        while (end < m_lines.size() && m_depths[end] > depth) ++end;
        m_lines.erase(m_lines.begin() + static_cast<long>(line) + 1, m_lines.begin() + static_cast<long>(end));
        m_depths.erase(m_depths.begin() + static_cast<long>(line) + 1, m_depths.begin() + static_cast<long>(end));
    }
    return true;
}

long CVisibleRows::LineOf(RowId row) const {
    const auto it = std::find(m_lines.begin(), m_lines.end(), row);
    return it == m_lines.end() ? -1 : static_cast<long>(it - m_lines.begin());
}

long CVisibleRows::Reveal(RowId row) {
    if (row == kNoRow || row == kGridRoot || row >= m_model.Size()) return -1;
    if (m_kind == Kind::Tree && !m_model.IsTreeItem(row)) return -1;
    std::vector<RowId> above;  // the ancestors, nearest first
    for (RowId p = m_model.Parent(row); p != kGridRoot && p != kNoRow; p = m_model.Parent(p)) above.push_back(p);
    // From the top down: a collapsed one is on a line once those above it are expanded.
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        if (IsExpanded(*it)) continue;
        const long line = LineOf(*it);
        if (line < 0) return -1;
        SetExpanded(static_cast<size_t>(line), true);
    }
    return LineOf(row);
}

}  // namespace valorix
