#include "ui/viewmodel.h"

#include <algorithm>

#include "platform/strutil.h"

namespace valorix {

CGridRow* CGridRow::AddSubItem(std::unique_ptr<CGridRow> row) {
    row->parent = this;
    group = true;
    children.push_back(std::move(row));
    return children.back().get();
}

void CGridRow::RemoveSubItem(CGridRow* row) {
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [row](const std::unique_ptr<CGridRow>& r) { return r.get() == row; }),
                   children.end());
}

void CGridModel::RemoveAll() {
    m_rows.clear();
    m_selected = nullptr;
}

CGridRow* CGridModel::AddProperty(std::unique_ptr<CGridRow> row) {
    m_rows.push_back(std::move(row));
    return m_rows.back().get();
}

void CGridModel::EnsureVisible(CGridRow* row) {
    for (CGridRow* p = row ? row->parent : nullptr; p; p = p->parent) p->expanded = true;
}

CTreeItem* CTreeModel::InsertItem(const std::string& text, int image, CTreeItem* parent, CGridRow* data) {
    auto item = std::make_unique<CTreeItem>();
    item->text = text;
    item->image = image;
    item->data = data;
    item->parent = parent;
    auto& list = parent ? parent->children : m_roots;
    list.push_back(std::move(item));
    return list.back().get();
}

std::string ProgressPercentText(int lower, int upper, int pos) {
    if (upper == lower) return "100%";
    const long long percent = (static_cast<long long>(pos) - lower) * 100 / (static_cast<long long>(upper) - lower);
    return Format("%d%c", static_cast<int>(percent == 100 ? percent : percent % 100), '%');
}

}  // namespace valorix
