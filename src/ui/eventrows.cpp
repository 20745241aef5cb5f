#include "ui/eventrows.h"

namespace valorix {

CEventRows::CEventRows(CGridModel* grid, CTreeModel* tree, std::vector<CGridRow*>& rows, ITextPage* text,
                       IProgress* progress)
    : m_grid(grid), m_tree(tree), m_rows(rows), m_text(text), m_progress(progress) {}

void CEventRows::OnStartElement(const std::string& qName, const std::vector<std::string>& attrNames,
                                const std::vector<std::string>& attrValues, bool first) {
    CGridRow* row = nullptr;
    if (m_grid) {
        auto created = std::make_unique<CGridRow>(qName, "");
        created->group = true;
        auto it = m_occurrences.find(qName);
        created->m_nOccurrence = it == m_occurrences.end() ? 0 : it->second + 1;
        m_occurrences[qName] = created->m_nOccurrence;
        if (m_text) {
            const long p = m_text->Find("<" + qName, m_cursor, -1, {true, true, true});
            if (p >= 0) {
                created->m_nTextPos = static_cast<int>(p);
                m_cursor = p + 1;
            }
        }
        m_rows.push_back(created.get());
        if (!m_openRows.empty() && m_openRows.back()) row = m_openRows.back()->AddSubItem(std::move(created));
        else if (!m_root) row = (m_root = std::move(created)).get();
        for (size_t i = 0; row && i < attrNames.size(); ++i)
            row->AddSubItem(std::make_unique<CGridRow>(attrNames[i], attrValues[i], "", 3));
    }
    CTreeItem* item = nullptr;
    if (m_tree) {
        CTreeItem* parent = m_openItems.empty() ? nullptr : m_openItems.back();
        item = m_tree->InsertItem(qName, first ? 0 : 1, parent, row);
        if (row) row->m_hTreeItem = item;
    }
    m_openRows.push_back(row);
    m_openItems.push_back(item);
}

void CEventRows::OnCharacters(const std::string& text) {
    if (!m_openItems.empty() && m_openItems.back()) m_openItems.back()->image = 4;
    CGridRow* row = m_openRows.empty() ? nullptr : m_openRows.back();
    if (!row) return;
    if (!row->children.empty()) {
        m_rows.push_back(row->AddSubItem(std::make_unique<CGridRow>("Text", text, "", 5)));
    } else {
        row->group = false;
        row->value = text;
    }
}

void CEventRows::OnEndElement(bool root) {
    if (!m_openRows.empty()) m_openRows.pop_back();
    if (!m_openItems.empty()) m_openItems.pop_back();
    if (root) AddRootToGrid();
}

bool CEventRows::OnProgress(int count, bool checkCancel) {
    if (!m_progress) return false;
    m_progress->SetPos(count);
    return checkCancel && m_progress->CheckCancelButton();
}

void CEventRows::OnCancel() { AddRootToGrid(); }

void CEventRows::AddRootToGrid() {
    if (m_grid && m_root) m_grid->AddProperty(std::move(m_root));
}

int CEventRows::ProgressUpper() const {
    if (!m_progress) return -1;
    int lower = 0, upper = 0;
    m_progress->GetRange(lower, upper);
    return upper;
}

void CEventRows::ExpandTree(int limit) {
    if (!m_tree) return;
    std::vector<CTreeItem*> items;
    m_tree->ForEach([&](const CTreeItem& item, int depth) {
        if (limit < 0 || depth <= limit) items.push_back(const_cast<CTreeItem*>(&item));
    });
    for (CTreeItem* item : items) m_tree->Expand(item);
}

}  // namespace valorix
