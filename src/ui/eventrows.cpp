#include "ui/eventrows.h"

namespace valorix {

CEventRows::CEventRows(CStructureModel* model, std::vector<RowId>& rows, ITextPage* text, IProgress* progress)
    : m_model(model), m_rows(rows), m_text(text), m_progress(progress) {}

void CEventRows::OnStartElement(const std::string& qName, const std::vector<std::string>& attrNames,
                                const std::vector<std::string>& attrValues, bool first) {
    if (!m_model) return;
    const RowId parent = m_openRows.empty() ? kGridRoot : m_openRows.back();
    const RowId row = m_model->AddRow(parent, qName, "");
    m_model->SetGroup(row, true);
    auto it = m_occurrences.find(qName);
    const int occurrence = it == m_occurrences.end() ? 0 : it->second + 1;
    m_occurrences[qName] = occurrence;
    m_model->SetOccurrence(row, occurrence);
    if (m_text) {
        const long p = m_text->Find("<" + qName, m_cursor, -1, {true, true, true});
        if (p >= 0) {
            m_model->SetTextPos(row, static_cast<int>(p));
            m_cursor = p + 1;
        }
    }
    m_rows.push_back(row);
    for (size_t i = 0; i < attrNames.size(); ++i) m_model->AddRow(row, attrNames[i], attrValues[i], 3);
    m_model->SetTreeItem(row, first ? 0 : 1);
    m_openRows.push_back(row);
}

void CEventRows::OnCharacters(const std::string& text) {
    if (!m_model || m_openRows.empty()) return;
    const RowId row = m_openRows.back();
    m_model->SetTreeImage(row, 4);
    if (m_model->ChildCount(row) != 0) {
        m_rows.push_back(m_model->AddRow(row, "Text", text, 5));
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
