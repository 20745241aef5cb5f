#include "ui/viewmodel.h"

#include <algorithm>


#include "platform/strutil.h"

namespace valorix {

CStructureModel::CStructureModel() { Clear(); }

void CStructureModel::Clear() {
    m_rows.clear();
    m_values.clear();
    m_lateValuesEnd = 0;
    m_strings.assign(1, std::string());
    m_stringIds.clear();
    m_stringIds.emplace(std::string(), 0);
    m_selected = kNoRow;
    m_index.reset();
    m_rows.push_back(Row{kNoRow, 0, 0, 0, 0, 0, 0, 0, 0, kNoImage, kGroup | kExpanded | kTreeExpanded});
}

uint32_t CStructureModel::Intern(std::string_view text) {
    auto it = m_stringIds.find(text);
    if (it != m_stringIds.end()) return it->second;
    const auto id = static_cast<uint32_t>(m_strings.size());
    m_strings.emplace_back(text);
    m_stringIds.emplace(m_strings.back(), id);
    return id;
}

RowId CStructureModel::AddRow(RowId parent, std::string_view name, std::string_view value, uint8_t icon,
                              std::string_view description) {
    const auto id = static_cast<RowId>(m_rows.size());
    m_rows.push_back(Row{parent, Intern(name), description.empty() ? 0 : Intern(description), 0, 0, 0, 0, 0, icon,
                         kNoImage, kExpanded});
    Row& row = m_rows.back();
    row.valueOffset = m_values.size();
    row.valueLength = static_cast<uint32_t>(value.size());
    m_values.append(value);
    m_rows[parent].flags |= kGroup;
    ++m_rows[parent].childCount;
    m_index.reset();
    return id;
}

void CStructureModel::SetValue(RowId row, std::string_view value) {
    Row& r = m_rows[row];
    r.valueOffset = m_values.size();
    r.valueLength = static_cast<uint32_t>(value.size());
    m_values.append(value);
    m_lateValuesEnd = m_values.size();
}

std::string_view CStructureModel::Value(RowId row) const {
    const Row& r = m_rows[row];
    return std::string_view(m_values).substr(r.valueOffset, r.valueLength);
}

void CStructureModel::Truncate(RowId first) {
    if (first == kGridRoot || first >= m_rows.size()) return;
    // Values are appended as rows are built, so the first removed row's value
    // starts where the kept rows' values end, except values given to rows
    // after they were built: those are kept.
    const uint64_t end = std::max<uint64_t>(m_rows[first].valueOffset, m_lateValuesEnd);
    for (RowId r = first; r < m_rows.size(); ++r) --m_rows[m_rows[r].parent].childCount;
    m_rows.resize(first);
    if (end < m_values.size()) m_values.resize(end);
    if (m_selected != kNoRow && m_selected >= first) m_selected = kNoRow;
    m_index.reset();
}

void CStructureModel::SetFlag(RowId row, uint8_t flag, bool on) {
    if (on) m_rows[row].flags |= flag;
    else m_rows[row].flags &= static_cast<uint8_t>(~flag);
}

void CStructureModel::EnsureVisible(RowId row) {
    if (row == kNoRow) return;
    for (RowId p = m_rows[row].parent; p != kNoRow; p = m_rows[p].parent) m_rows[p].flags |= kExpanded;
}

void CStructureModel::SetTreeItem(RowId row, int image) {
    m_rows[row].treeImage = static_cast<uint8_t>(image);
    m_index.reset();
}

const CStructureModel::Index& CStructureModel::Children() const {
    if (m_index) return *m_index;
    auto index = std::make_unique<Index>();
    const size_t n = m_rows.size();
    index->childBegin.assign(n + 1, 0);
    index->itemBegin.assign(n + 1, 0);
    // Counts per parent, turned into starts; rows come in the order they were
    // added, so filling in row order keeps every child list in that order.
    for (size_t r = 1; r < n; ++r) {
        const RowId p = m_rows[r].parent;
        ++index->childBegin[p + 1];
        if (m_rows[r].treeImage != kNoImage) ++index->itemBegin[p + 1];
    }
    for (size_t i = 0; i < n; ++i) {
        index->childBegin[i + 1] += index->childBegin[i];
        index->itemBegin[i + 1] += index->itemBegin[i];
    }
    index->children.resize(index->childBegin[n]);
    index->items.resize(index->itemBegin[n]);
    std::vector<uint32_t> nextChild(index->childBegin.begin(), index->childBegin.end() - 1);
    std::vector<uint32_t> nextItem(index->itemBegin.begin(), index->itemBegin.end() - 1);
    for (size_t r = 1; r < n; ++r) {
        const RowId p = m_rows[r].parent;
        index->children[nextChild[p]++] = static_cast<uint32_t>(r);
        if (m_rows[r].treeImage != kNoImage) index->items[nextItem[p]++] = static_cast<uint32_t>(r);
    }
    m_index = std::move(index);
    return *m_index;
}

RowId CStructureModel::Child(RowId row, size_t i) const { return Children().children[Children().childBegin[row] + i]; }

size_t CStructureModel::TreeChildCount(RowId row) const {
    const Index& x = Children();
    return x.itemBegin[row + 1] - x.itemBegin[row];
}

RowId CStructureModel::TreeChild(RowId row, size_t i) const { return Children().items[Children().itemBegin[row] + i]; }

std::string ProgressPercentText(int lower, int upper, int pos) {
    if (upper == lower) return "100%";
    const long long percent = (static_cast<long long>(pos) - lower) * 100 / (static_cast<long long>(upper) - lower);
    return Format("%d%c", static_cast<int>(percent == 100 ? percent : percent % 100), '%');
}

}  // namespace valorix
