// The structure view's logic: it rebuilds grid, tree, text page and output
// list from a checked document. In tree mode it walks the parsed document and
// places a row for each element (the check has applied the rules already);
// in event mode the rule pass it starts draws the rows. Then it builds the
// report.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rules/summary.h"
#include "ui/checkreport.h"
#include "xml/textcolumns.h"
#include "xml/textpage.h"
#include "ui/viewmodel.h"
#include "xml/parsedtree.h"

namespace valorix {

class CheckDocument;
class AppValues;
class IPrompt;

/// What a fill draws into. Null members are not there.
struct ViewTargets {
    CStructureModel* structure = nullptr;  ///< grid rows and tree items
    ITextPage* text = nullptr;
    COutputList* output = nullptr;
    IBrowserPage* browser = nullptr;
    /// The file's name as the file system has it (UTF-8) for the browser
    /// page; empty: the document's name is taken.
    std::string filePath;
    /// The text page's marks when the page is no CTextPageModel; null: none.
    std::function<const std::vector<CTextPageModel::Mark>*()> marks;
    /// A report line (Windows-1252) as the screen shows it (UTF-8); null: plain conversion.
    std::function<std::string(std::string_view)> lineText;
    /// Creates the progress dialog for large documents, with its caption and
    /// status line; null, or returning null: none.
    std::function<std::unique_ptr<IProgress>(const std::string& caption, const std::string& status)> makeProgress;
    /// The summary slip and the lines that depend on it; the fill keeps the
    /// slip in m_summary for the summary lines, the browser page and its caller.
    ReportHooks hooks;
};



class CStructureView {
public:
    CStructureView(CheckDocument& doc, AppValues& app, IPrompt& prompt, ViewTargets targets);
    ~CStructureView();

    FillResult FillView();
    /// Selects the element's text and row (request of the structure tree).
    void SelectElement(const std::string& name, RowId row);
    /// Selects the row whose start tag is at `position` and moves the caret there.
    void GoToPosition(long position);

    /// The rows a position can select: element rows and "Text" rows.
    std::vector<RowId> m_rows;
    std::string m_strPrintText;
    long m_elapsedSeconds = 0;
    /// The slip the fill made (ViewTargets::summarize), once per check.
    std::optional<FileSummary> m_summary;
    /// The slip when the file is a payment file (it has payment blocks); else null.
    const FileSummary* PaymentSummary() const {
        return m_summary && !m_summary->blocks.empty() ? &*m_summary : nullptr;
    }

private:
    struct Cancel {};
    struct Walk;

    void AddNode(RowId target, DomNode* node, int depth, Walk& walk);
    /// Lists a row of the walk among m_rows when the rows stay.
    void KeepRow(RowId row);
    /// The page of the file and its findings in the browser page, or for a
    /// large file the page linking to it.
    void ShowInBrowser(bool large, const COutputList& report);
    void ProgressStep(RowId justCreated);
    CheckDocument& m_doc;
    AppValues& m_app;
    IPrompt& m_prompt;
    ViewTargets m_t;
    std::unique_ptr<CTextPageModel> m_ownText;  // when the caller gave no text page
    std::unique_ptr<IProgress> m_pProgress;
    std::unique_ptr<CStructureModel> m_ownModel;  // the walk's rows when nobody shows them
    CStructureModel* m_model = nullptr;           // the rows of this fill
    std::unique_ptr<CTextColumns> m_columns;       // over the page's text, for this fill
    bool m_keepRows = true;  ///< a grid and a tree show the rows: all of them stay
};

}  // namespace valorix
