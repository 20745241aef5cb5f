// The structure rows of event mode: built by the rule processor's events as
// the pass streams by, through the same grid, tree and text page models as
// the tree-mode walk.
#pragma once
#include <string>
#include <vector>

#include "rules/eventrules.h"
#include "ui/rowplacement.h"
#include "xml/textpage.h"
#include "ui/viewmodel.h"

namespace valorix {

class CEventRows : public IEventSink {
public:
    /// `model` null: no rows are built.
    CEventRows(CStructureModel* model, std::vector<RowId>& rows, ITextPage* text, IProgress* progress);

    void OnStartElement(const std::string& qName, const std::vector<std::string>& attrNames,
                        const std::vector<std::string>& attrValues, bool first) override;
    void OnCharacters(const std::string& text) override;
    void OnEndElement(bool root) override;
    bool OnProgress(int count, bool checkCancel) override;
    void OnCancel() override;
    int ProgressUpper() const override;
    void ExpandTree(int limit) override;

private:
    CStructureModel* m_model;
    std::vector<RowId>& m_rows;
    IProgress* m_progress;
    std::vector<RowId> m_openRows;
    CRowPlacement m_place;
};

}  // namespace valorix
