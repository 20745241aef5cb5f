#include "ui/eventrows.h"

namespace valorix {

CEventRows::CEventRows(CStructureModel* model, std::vector<RowId>& rows, ITextPage* text, IProgress* progress)
    : m_model(model), m_rows(rows), m_progress(progress), m_place(text) {}

void CEventRows::OnStartElement(const std::string& qName, const std::vector<std::string>& attrNames,
                                const std::vector<std::string>& attrValues, bool first) {
    if (!m_model) return;
    const RowId parent = m_openRows.empty() ? kGridRoot : m_openRows.back();
    const RowId row = m_model->AddRow(parent, qName, "");
    m_model->SetGroup(row, true);
    m_model->SetOccurrence(row, m_place.NextOccurrence(qName));
    m_place.FindStartTag(*m_model, row, qName);
    m_rows.push_back(row);
    for (size_t i = 0; i < attrNames.size(); ++i) m_model->AddRow(row, attrNames[i], attrValues[i], kAttributeIcon);
    m_model->SetTreeItem(row, first ? kImageRoot : kImageGroup);
    m_openRows.push_back(row);
}

void CEventRows::OnCharacters(const std::string& text) {
    if (!m_model || m_openRows.empty()) return;
    const RowId row = m_openRows.back();
    m_model->SetTreeImage(row, kImageLeaf);
    if (m_model->ChildCount(row) != 0) {
        m_rows.push_back(m_model->AddRow(row, "Text", text, kTextIcon));
    } else {
        m_model->SetGroup(row, false);
        m_model->SetValue(row, text);
    }
}

void CEventRows::OnEndElement(bool) {
    if (!m_openRows.empty()) m_openRows.pop_back();
}

bool CEventRows::OnProgress(int count, bool checkCancel) {
    if (!m_progress) return false;
    m_progress->SetPos(count);
    return checkCancel && m_progress->CheckCancelButton();
}

void CEventRows::OnCancel() {}

int CEventRows::ProgressUpper() const {
    if (!m_progress) return -1;
    int lower = 0, upper = 0;
    m_progress->GetRange(lower, upper);
    return upper;
}

void CEventRows::ExpandTree(int limit) {
    if (!m_model) return;
    m_model->ForEachTreeItem([&](RowId item, int depth) {
        if (limit < 0 || depth <= limit) m_model->ExpandTreeItem(item);
    });
}

}  // namespace valorix
