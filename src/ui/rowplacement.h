// Where the rows of one fill stand, the same for the tree-mode walk and the
// rows of the event pass: each element's occurrence index (elements of the
// same name met before it, in document order, whole document) and its start
// tag, found by a cursor that only moves forward through the text page.
#pragma once
#include <string>
#include <unordered_map>

#include "xml/textpage.h"
#include "ui/viewmodel.h"

namespace valorix {

class CRowPlacement {
public:
    /// `page` null: no start tags are searched.
    explicit CRowPlacement(const ITextPage* page) : m_page(page) {}

    /// The occurrence index of the next element named `name`.
    int NextOccurrence(const std::string& name) {
        auto it = m_occurrences.find(name);
        const int index = it == m_occurrences.end() ? 0 : it->second + 1;
        m_occurrences[name] = index;
        return index;
    }
    /// Counts an element as already met with `index`.
    void Seed(const std::string& name, int index) { m_occurrences[name] = index; }

    /// Searches "<" + `name` (whole word, case-sensitive) from the cursor; a
    /// hit becomes the row's text position and the cursor moves past it.
    void FindStartTag(CStructureModel& model, RowId row, const std::string& name) {
        if (!m_page) return;
        const long p = m_page->Find("<" + name, m_cursor, -1, {true, true, true});
        if (p < 0) return;
        model.SetTextPos(row, static_cast<int>(p));
        m_cursor = p + 1;
    }

private:
    const ITextPage* m_page;
    std::unordered_map<std::string, int> m_occurrences;
    long m_cursor = 0;
};

}  // namespace valorix
