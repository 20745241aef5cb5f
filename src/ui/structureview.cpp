#include "ui/structureview.h"


#include "app/app.h"
#include "core/checkdocument.h"
#include "platform/codepage.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "xml/elementscan.h"
#include "ui/eventrows.h"
#include "ui/htmlpage.h"
#include "ui/report.h"
#include "ui/rowplacement.h"
#include "xml/textcolumns.h"

namespace valorix {

namespace {
constexpr int kProgressThreshold = 5000;

const SearchOptions kStartTag{true, true, true};
const SearchOptions kClosingTag{true, false, false};

}  // namespace


struct CStructureView::Walk {
    explicit Walk(const ITextPage* page) : place(page) {}
    CRowPlacement place;
    int expand = 1;
};

CStructureView::CStructureView(CheckDocument& doc, AppValues& app, IPrompt& prompt, ViewTargets targets)
    : m_doc(doc), m_app(app), m_prompt(prompt), m_t(std::move(targets)) {
    if (!m_t.text) {
        m_ownText = std::make_unique<CTextPageModel>();
        m_t.text = m_ownText.get();
    }
}

CStructureView::~CStructureView() = default;

FillResult CStructureView::FillView() {
    ITextPage& page = *m_t.text;
    m_summary.reset();
    // Rows, text page, rules and output pane start afresh.
    m_keepRows = m_t.structure != nullptr;
    m_model = m_t.structure;
    if (!m_model) {
        if (!m_ownModel) m_ownModel = std::make_unique<CStructureModel>();
        m_model = m_ownModel.get();
    }
    CStructureModel& model = *m_model;
    model.Clear();
    m_rows.clear();
    if (m_t.browser) m_t.browser->Navigate("about:blank");
    // The document's text stays as it is until the document is loaded again
    // or goes, and a fill follows either: the page may read it where it stands.
    page.SetTextIsUtf8(m_doc.m_textIsUtf8);
    page.ShareText(m_doc.m_content);
    m_columns = std::make_unique<CTextColumns>(page.GetText(), m_doc.m_textIsUtf8);
    if (m_t.output) m_t.output->Clear();
    m_strPrintText.clear();
    COutputList scratch;
    COutputList& output = m_t.output ? *m_t.output : scratch;

    // No file.
    if (m_doc.m_strPathName.empty()) {
        model.SetCurSel(model.AddRow(kGridRoot, "Dateiname", "unbenannt", 0,
                                     A("Bitte wählen Sie eine Datei über das Menü.")));
        return FillResult::NoFile;
    }
    FillResult result = FillResult::Filled;
    if (m_doc.Result().state <= 0) {
        // Not well-formed.
        model.AddRow(kGridRoot, m_doc.m_strPathName, A("Keine gültige XML Datei"), 0,
                     A("Bitte wählen Sie eine andere Datei über das Menü."));
        BuildReport(page, *m_columns, output, m_doc);
        result = FillResult::NotWellFormed;
    } else {
        enum class Browser { None, Page, LargeFile } browser = Browser::None;
        // Progress for large documents.
        const int elements = m_doc.m_parser ? m_doc.m_parser->CountAllElements() : static_cast<int>(m_doc.m_elementCount);
        if (elements > kProgressThreshold && m_t.makeProgress) {
            m_pProgress = m_t.makeProgress(A("Datenstrukturen werden erzeugt und geprüft"), m_doc.m_strPathName);
            if (m_pProgress) m_pProgress->SetRange(0, elements - 1);
        }
        // The declaration row.
        std::string declaration;
        const size_t decl = m_doc.m_content.find("<?xml");
        const size_t from = decl == std::string::npos ? 4 : decl + 5;
        const size_t end = m_doc.m_content.find("?>", std::min(from, m_doc.m_content.size()));
        if (end != std::string::npos && from <= end) declaration = Trim(m_doc.m_content.substr(from, end - from));
        m_rows.push_back(model.AddRow(kGridRoot, "xml", declaration, 0, "Xml Deklaration"));

        if (m_doc.m_parser && m_doc.m_parser->GetDocument()) {
            ParsedTree& parser = *m_doc.m_parser;
            parser.SetCurrent(parser.GetDocument());
            const std::string rootName = parser.GetName();
            const RowId rootRow = model.AddRow(kGridRoot, rootName, "");
            model.SetGroup(rootRow, true);
            m_rows.push_back(rootRow);
            model.SetTreeItem(rootRow, kImageRoot);
            Walk walk(&page);
            walk.expand = m_app.ExpandOption();
            walk.place.Seed(rootName, 0);
            const long rootPos = page.Find("<" + rootName, 0, -1, kStartTag);
            if (rootPos >= 0) model.SetTextPos(rootRow, static_cast<int>(rootPos));
            bool cancelled = false;
            try {
                AddNode(rootRow, parser.GetDocument(), 1, walk);
            } catch (const Cancel&) {
                cancelled = true;
            }
            if (cancelled) {
                m_pProgress.reset();
                return FillResult::Cancelled;
            }
            browser = m_pProgress != nullptr ? Browser::LargeFile : Browser::Page;
        } else if (!m_doc.m_parser && m_doc.m_saxCheckReady) {
            // Event mode: the rule processor builds the rows while the pass runs.
            CEventRows rows(m_t.structure, m_rows, &page, m_pProgress.get());
            try {
                m_doc.RunSaxCheck(&rows);
            } catch (int) {
                m_pProgress.reset();
                return FillResult::Cancelled;
            }
            browser = m_doc.m_contentLength >= kLargeFileBytes ? Browser::LargeFile : Browser::Page;
        }
        m_summary = AddClosingMessages(m_doc, m_t.hooks);
        BuildReport(page, *m_columns, output, m_doc);
        // The browser page shows the file with the report's findings.
        if (browser != Browser::None) ShowInBrowser(browser == Browser::LargeFile, output);
        // The progress dialog goes.
        m_pProgress.reset();
    }
    // The print text, the time the check took, the caret at the start.
    m_strPrintText = PrintText(output);
    m_elapsedSeconds = TellCheckTime(m_doc, m_app, m_prompt);
    page.SetCaret(0);
    page.HideSelection(false);
    return result;
}

void CStructureView::KeepRow(RowId row) {
    if (m_keepRows) m_rows.push_back(row);
}

void CStructureView::ShowInBrowser(bool large, const COutputList& report) {
    if (!m_t.browser) return;
    const std::string path = m_t.filePath.empty() ? Cp1252ToUtf8(m_doc.m_strPathName) : m_t.filePath;
    if (large) {
        if (WriteLargeFilePage(m_app.m_strReportFile, path)) m_t.browser->Navigate(m_app.m_strReportFile);
        return;
    }
    HtmlPageInput input;
    input.text = &m_t.text->GetText();
    input.utf8 = m_doc.m_textIsUtf8;
    input.title = path;
    input.report = &report;
    if (const auto* model = dynamic_cast<const CTextPageModel*>(m_t.text)) input.marks = &model->Marks();
    else if (m_t.marks) input.marks = m_t.marks();
    input.lineText = m_t.lineText;
    input.summary = PaymentSummary();
    // Without a page of its own the file itself is shown.
    m_t.browser->Navigate(WriteHtmlPage(m_app.m_strReportFile, input) ? m_app.m_strReportFile : path);
}

void CStructureView::ProgressStep(RowId justCreated) {
    if (!m_pProgress) return;
    m_pProgress->SetPos(m_pProgress->GetPos() + 1);
    if (!m_pProgress->CheckCancelButton()) return;
    if (!m_prompt.AskYesNo("Wollen Sie die Verarbeitung abbrechen?")) return;
    // The row just built is the last one: it goes, and with it what it holds.
    std::erase(m_rows, justCreated);
    m_model->Truncate(justCreated);
    throw Cancel{};
}

void CStructureView::AddNode(RowId target, DomNode* node, int depth, Walk& walk) {
    // Depth-first over the elements with an explicit stack of open elements,
    // so that the depth of a document never meets the depth of the call stack.
    struct Open {
        RowId target;
        int depth;
        std::vector<DomNode*> children;
        std::vector<std::string> childNames;
        size_t next = 0;
    };
    CStructureModel& model = *m_model;
    std::vector<Open> open;
    auto expandStep = [&](RowId row, int level) {
        if ((level < 4 || walk.expand != 0) && model.IsTreeItem(row)) model.ExpandTreeItem(row);
        if (walk.expand == 0 && level >= 5) model.SetExpanded(row, false);
    };
    // Handles one element: a leaf at once, an element with children is opened.
    auto enter = [&](RowId target, DomNode* node, int depth) {
        ParsedTree& parser = *m_doc.m_parser;
        // The element, its attributes and its child elements.
        parser.SetCurrent(node);
        DomNode* element = parser.GetCurrent();
        std::vector<std::string> attrNames, attrValues;
        parser.GetAttributes(attrNames, attrValues);
        const std::string name = parser.GetName();
        std::vector<DomNode*> children;
        for (DomNode* c = ParsedTree::FirstChild(element); c; c = ParsedTree::NextSibling(c))
            if (ParsedTree::IsElement(c)) children.push_back(c);

        if (children.empty()) {
            // A leaf.
            const std::string value = parser.GetText();
            const int occurrence = walk.place.NextOccurrence(name);
            if (!attrNames.empty()) {
                const RowId group = model.AddRow(target, name, "");
                model.SetGroup(group, true);
                model.SetOccurrence(group, occurrence);
                model.SetTreeItem(group, kImageLeaf);
                ProgressStep(group);
                KeepRow(group);
                walk.place.FindStartTag(model, group, name);
                for (size_t i = 0; i < attrNames.size(); ++i)
                    model.AddRow(group, attrNames[i], attrValues[i], kAttributeIcon);
                KeepRow(model.AddRow(group, "Text", value, kTextIcon));
            } else {
                const RowId row = model.AddRow(target, name, value);
                KeepRow(row);
                model.SetOccurrence(row, occurrence);
                model.SetTreeItem(row, kImageLeaf);
                ProgressStep(row);
                walk.place.FindStartTag(model, row, name);
            }
            expandStep(target, depth);  // the tree opens to its depth
            return;
        }
        // The attributes of an element with children.
        for (size_t i = 0; i < attrNames.size(); ++i) model.AddRow(target, attrNames[i], attrValues[i], kAttributeIcon);
        std::vector<std::string> childNames;
        for (DomNode* c : children) childNames.push_back(ParsedTree::NameOf(c));
        open.push_back(Open{target, depth, std::move(children), std::move(childNames)});
    };

    enter(target, node, depth);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.children.size()) {
            expandStep(top.target, top.depth);  // the tree opens to its depth
            // Without a grid or a tree nobody shows the rows: those of an
            // element walked to its end are let go at once. They are the
            // last rows built.
            if (!m_keepRows) model.DropChildren(top.target);
            open.pop_back();
            continue;
        }
        // The next child, in a group row of its own when it has element children.
        const size_t i = top.next++;
        DomNode* child = top.children[i];
        RowId childTarget = top.target;
        const int childDepth = top.depth + 1;
        bool hasElements = false;
        for (DomNode* c = ParsedTree::FirstChild(child); c && !hasElements; c = ParsedTree::NextSibling(c))
            hasElements = ParsedTree::IsElement(c);
        if (hasElements) {
            const std::string& childName = top.childNames[i];
            const RowId group = model.AddRow(top.target, childName, "");
            model.SetGroup(group, true);
            KeepRow(group);
            model.SetOccurrence(group, walk.place.NextOccurrence(childName));
            model.SetTreeItem(group, kImageGroup);
            ProgressStep(group);
            walk.place.FindStartTag(model, group, childName);
            childTarget = group;
        }
        enter(childTarget, child, childDepth);  // may add to `open`: `top` is not used after this
    }
}

void CStructureView::SelectElement(const std::string& name, RowId row) {
    ITextPage& page = *m_t.text;
    if (row == kNoRow || !m_model || row >= m_model->Size()) return;
    const long start = m_model->TextPos(row);
    const std::string closing = "</" + name + ">";
    const SearchOptions exact{true, false, true};
    auto select = [&](long start, long end) {
        page.SetSel(start, end);
        const int line = page.LineFromChar(start);
        if (line < page.GetFirstVisibleLine()) page.ScrollToLine(line);
    };
    bool selected = false;
    if (start != 0) {
        long end = -1;
        const long e = page.Find(closing, start, -1, exact);
        if (e >= 0) end = e + static_cast<long>(closing.size());
        else {
            const std::string empty = "<" + name + "/>";
            const long f = page.Find(empty, start, -1, exact);
            if (f >= 0) end = f + static_cast<long>(empty.size());
        }
        if (end >= 0) {
            select(start, end);
            selected = true;
        }
    }
    if (!selected) {
        const std::string opening = "<" + name;
        // The page's own text: its offsets are the page's positions.
        const std::string& text = page.GetText();
        size_t hit = text.find(opening);
        for (int n = 0; n < m_model->Occurrence(row) && hit != std::string::npos; ++n) hit = text.find(opening, hit + 1);
        if (hit != std::string::npos) {
            const size_t close = text.find(closing, hit + 1);
            if (close != std::string::npos) select(static_cast<long>(hit), static_cast<long>(close + closing.size()));
        }
    }
    m_model->EnsureVisible(row);
    m_model->SetCurSel(row);
}

void CStructureView::GoToPosition(long position) {
    for (RowId row : m_rows) {
        if (m_model->TextPos(row) == position) {
            m_model->EnsureVisible(row);
            m_model->SetCurSel(row);
            break;
        }
    }
    ITextPage& page = *m_t.text;
    page.ScrollToLine(page.LineFromChar(position));
    page.SetSel(position, position + 50);
    page.SetCaret(position);
}

}  // namespace valorix
