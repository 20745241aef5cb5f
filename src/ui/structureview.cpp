#include "ui/structureview.h"

#include <cmath>

#include "app/app.h"
#include "core/detect.h"
#include "core/tavrel1doc.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/calendar.h"
#include "rules/checkdigits.h"
#include "rules/scldirectory.h"
#include "rules/findings.h"
#include "rules/references.h"
#include "rules/values.h"
#include "ui/elementscan.h"
#include "ui/eventrows.h"
#include "ui/htmlpage.h"
#include "ui/report.h"
#include "ui/rowplacement.h"
#include "ui/textcolumns.h"

namespace valorix {

namespace {
constexpr int kProgressThreshold = 5000;
constexpr uint32_t kAttributeIcon = 3;
constexpr uint32_t kTextIcon = 5;
constexpr int kImageRoot = 0, kImageGroup = 1, kImageLeaf = 4;

const SearchOptions kStartTag{true, true, true};
const SearchOptions kClosingTag{true, false, false};

}  // namespace

struct CStructureView::Walk {
    explicit Walk(const ITextPage* page) : place(page) {}
    CRowPlacement place;
    int expand = 1;
    DomNode* rootElement = nullptr;
};

CStructureView::CStructureView(CTavrel1Doc& doc, CTavrel1App& app, IPrompt& prompt, ViewTargets targets)
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
    // 1-4
    m_keepRows = m_t.structure != nullptr;
    m_model = m_t.structure;
    if (!m_model) {
        if (!m_ownModel) m_ownModel = std::make_unique<CStructureModel>();
        m_model = m_ownModel.get();
    }
    CStructureModel& model = *m_model;
    model.Clear();
    m_rows.clear();
    m_references.Clear();
    m_referenceBlock = kNoRow;
    m_bankCodes.NewScope();
    m_bankCodeScope = kNoRow;
    if (m_t.browser) m_t.browser->Navigate("about:blank");
    // The document's text stays as it is until the document is loaded again
    // or goes, and a fill follows either: the page may read it where it stands.
    page.SetTextIsUtf8(m_doc.m_textIsUtf8);
    page.ShareText(m_doc.m_content);
    m_columns = std::make_unique<CTextColumns>(page.GetText(), m_doc.m_textIsUtf8);
    m_extents = std::make_unique<CElementExtents>(page.GetText(), *m_columns);
    if (m_t.output) m_t.output->Clear();
    m_strPrintText.clear();
    COutputList scratch;
    COutputList& output = m_t.output ? *m_t.output : scratch;

    // 5: no file
    if (m_doc.m_strPathName.empty()) {
        model.SetCurSel(model.AddRow(kGridRoot, "Dateiname", "unbenannt", 0,
                                     A("Bitte wählen Sie eine Datei über das Menü.")));
        return FillResult::NoFile;
    }
    FillResult result = FillResult::Filled;
    if (m_doc.m_checkState <= 0) {
        // 6: not well-formed
        model.AddRow(kGridRoot, m_doc.m_strPathName, A("Keine gültige XML Datei"), 0,
                     A("Bitte wählen Sie eine andere Datei über das Menü."));
        BuildReport(page, *m_columns, output, m_doc);
        result = FillResult::NotWellFormed;
    } else {
        enum class Browser { None, Page, LargeFile } browser = Browser::None;
        // 7: progress for large documents
        const int elements = m_doc.m_parser ? m_doc.m_parser->CountAllElements() : static_cast<int>(m_doc.m_elementCount);
        if (elements > kProgressThreshold && m_t.makeProgress) {
            m_pProgress = m_t.makeProgress(A("Datenstrukturen werden erzeugt und geprüft"), m_doc.m_strPathName);
            if (m_pProgress) m_pProgress->SetRange(0, elements - 1);
        }
        // 8: the declaration row
        std::string declaration;
        const size_t decl = m_doc.m_content.find("<?xml");
        const size_t from = decl == std::string::npos ? 4 : decl + 5;
        const size_t end = m_doc.m_content.find("?>", std::min(from, m_doc.m_content.size()));
        if (end != std::string::npos && from <= end) declaration = Trim(m_doc.m_content.substr(from, end - from));
        m_rows.push_back(model.AddRow(kGridRoot, "xml", declaration, 0, "Xml Deklaration"));

        if (m_doc.m_parser && m_doc.m_parser->GetDocument()) {
            CXmlParserDocument& parser = *m_doc.m_parser;
            parser.SetCurrent(parser.GetDocument());
            const std::string rootName = parser.GetName();
            const RowId rootRow = model.AddRow(kGridRoot, rootName, "");
            model.SetGroup(rootRow, true);
            m_rows.push_back(rootRow);
            model.SetTreeItem(rootRow, kImageRoot);
            Walk walk(&page);
            walk.expand = m_app.ExpandOption();
            walk.rootElement = parser.GetCurrent();
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
            if (m_doc.m_checkState > 1) {
                if (m_doc.m_subtype == 0) CheckCountsAndSums();
                if (m_doc.m_debitKind != 0) CheckMandateRules();
            }
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
        // BICs that could not be asked because there is no valid directory: said once.
        const std::string sclHint = SclDirectoryHint();
        if (!sclHint.empty() && std::find(m_doc.m_messages.begin(), m_doc.m_messages.end(), sclHint) == m_doc.m_messages.end())
            m_doc.m_messages.push_back(sclHint);
        if (m_t.summarize) m_summary = m_t.summarize();
        if (m_t.summaryHints)
            for (std::string& hint : m_t.summaryHints(m_summary ? &*m_summary : nullptr))
                m_doc.m_messages.push_back(std::move(hint));
        BuildReport(page, *m_columns, output, m_doc);
        // The browser page shows the file with the report's findings.
        if (browser != Browser::None) ShowInBrowser(browser == Browser::LargeFile, output);
        // 9
        m_pProgress.reset();
    }
    // 10-12
    m_strPrintText = PrintText(output);
    m_elapsedSeconds = std::lround((NowDate() - m_doc.m_checkTime) * 86400.0);
    if (m_app.ShowSecondsOption() != 0)
        m_prompt.Message(Format("%u Sekunden", static_cast<unsigned>(m_elapsedSeconds)));
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

void CStructureView::NamespaceTest(const std::string& elementName, const std::string& attrName,
                                   const std::string& value) {
    if (m_doc.m_xmlnsRepeated != 0 || attrName != "xmlns") return;
    if (EndsWithAny(elementName, {"Document", "sepade", "conxml"})) return;
    if (m_doc.m_rootNamespace.empty()) m_doc.m_rootNamespace = value;
    else if (value == m_doc.m_rootNamespace) m_doc.m_xmlnsRepeated = 1;
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
        CXmlParserDocument& parser = *m_doc.m_parser;
        // 1
        parser.SetCurrent(node);
        DomNode* element = parser.GetCurrent();
        std::vector<std::string> attrNames, attrValues;
        parser.GetAttributes(attrNames, attrValues);
        const std::string name = parser.GetName();
        std::vector<DomNode*> children;
        for (DomNode* c = CXmlParserDocument::FirstChild(element); c; c = CXmlParserDocument::NextSibling(c))
            if (CXmlParserDocument::IsElement(c)) children.push_back(c);

        if (children.empty()) {
            // 2: a leaf
            const std::string value = parser.GetText();
            const int occurrence = walk.place.NextOccurrence(name);
            if (!attrNames.empty()) {
                const bool isRoot = element == walk.rootElement;
                const RowId group = model.AddRow(target, name, "");
                model.SetGroup(group, true);
                model.SetOccurrence(group, occurrence);
                model.SetTreeItem(group, kImageLeaf);
                ProgressStep(group);
                KeepRow(group);
                walk.place.FindStartTag(model, group, name);
                for (size_t i = 0; i < attrNames.size(); ++i) {
                    if (!isRoot) NamespaceTest(name, attrNames[i], attrValues[i]);
                    model.AddRow(group, attrNames[i], attrValues[i], kAttributeIcon);
                }
                KeepRow(model.AddRow(group, "Text", value, kTextIcon));
            } else {
                const RowId row = model.AddRow(target, name, value);
                KeepRow(row);
                model.SetOccurrence(row, occurrence);
                model.SetTreeItem(row, kImageLeaf);
                ProgressStep(row);
                walk.place.FindStartTag(model, row, name);
                if (m_doc.m_checkState > 1) RuleChain(name, value, target, row);
            }
            expandStep(target, depth);  // 5
            return;
        }
        // 3: attributes of an element with children, then the guideline warnings
        const bool isRoot = element == walk.rootElement;  // the root's own declaration repeats nothing
        for (size_t i = 0; i < attrNames.size(); ++i) {
            if (!isRoot) NamespaceTest(name, attrNames[i], attrValues[i]);
            model.AddRow(target, attrNames[i], attrValues[i], kAttributeIcon);
        }
        std::vector<std::string> childNames;
        for (DomNode* c : children) childNames.push_back(CXmlParserDocument::NameOf(c));
        GuidelineWarnings(name, childNames, model.TextPos(target));
        open.push_back(Open{target, depth, std::move(children), std::move(childNames)});
    };

    enter(target, node, depth);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.children.size()) {
            expandStep(top.target, top.depth);  // 5
            // Without a grid or a tree nobody shows the rows: those of an
            // element walked to its end are let go at once. They are the
            // last rows built.
            if (!m_keepRows) model.DropChildren(top.target);
            open.pop_back();
            continue;
        }
        // 4: the next child, in a group row of its own when it has element children
        const size_t i = top.next++;
        DomNode* child = top.children[i];
        RowId childTarget = top.target;
        const int childDepth = top.depth + 1;
        bool hasElements = false;
        for (DomNode* c = CXmlParserDocument::FirstChild(child); c && !hasElements; c = CXmlParserDocument::NextSibling(c))
            hasElements = CXmlParserDocument::IsElement(c);
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

void CStructureView::AppendFinding(const std::string& text, int line, int column, uint8_t kind) {
    m_doc.m_detailTexts.push_back(text);
    m_doc.m_detailLines.push_back(line);
    m_doc.m_detailColumns.push_back(column);
    m_doc.m_detailKinds.push_back(kind);
}

bool CStructureView::ClosingTagPosition(const std::string& closingTag, long from, int& line, int& column) const {
    const ITextPage& page = *m_t.text;
    const long p = page.Find(closingTag, from, -1, kClosingTag);
    if (p < 0) return false;
    PositionAt(p + static_cast<long>(closingTag.size()), line, column);
    return true;
}

bool CStructureView::ElementEndPosition(long start, int& line, int& column) const {
    if (start <= 0) return false;  // no start tag was found for it
    const long end = m_extents->End(start);
    if (end < 0) return false;
    PositionAt(end, line, column);
    return true;
}

int CStructureView::FindingLine(long start) const {
    int line = 0, column = 0;
    if (!ElementEndPosition(start, line, column)) PositionAt(start, line, column);
    return line;
}

void CStructureView::PositionAt(long pos, int& line, int& column) const {
    const ITextPage& page = *m_t.text;
    const int l = page.LineFromChar(pos);
    line = l + 1;
    column = static_cast<int>(m_columns->CharsBetween(page.LineIndex(l), pos) + 1);
}

void CStructureView::RecordFinding(const std::string& text, const std::string& name, const std::string& value,
                                   RowId row, uint8_t kind) {
    int line = 0, column = 0;
    const long start = m_model->TextPos(row);
    if (!ElementEndPosition(start, line, column)) {
        // Counted as if start tag, value and closing tag stood from the start tag on.
        PositionAt(start, line, column);
        column += static_cast<int>(2 * name.size() + value.size() + 5);
    }
    AppendFinding(text, line, column, kind);
}

void CStructureView::RuleChain(const std::string& elementName, const std::string& elementValue, RowId target,
                               RowId row) {
    static const char* const kEntering[] = {"IBAN", "BIC", "ReqdExctnDt", "ReqdColltnDt",
                                            "CtrlSum", "EndToEndId", "DtOfSgntr", "Nm", "PmtInfId"};
    std::string name = elementName, value = elementValue;
    if (target != kNoRow && IsEditionAfter30(m_doc.m_formatCode))
        UnnestRequestedDate(name, std::string(m_model->Name(target)), value);
    bool enters = m_doc.m_debitKind != 0 && Contains(name, "Id");
    for (const char* e : kEntering) enters = enters || Contains(name, e);
    if (!enters) return;
    const bool plain = m_doc.m_subtype == 0;
    const CStructureModel& model = *m_model;
    auto record = [&](const std::string& text) { RecordFinding(text, elementName, elementValue, row, 0); };
    // The account or agent `holder` (DbtrAcct, CdtrAgt, ...) within its block
    // or transaction: the pair of IBAN and BIC is judged at its second half.
    auto pairBankCode = [&](RowId holder, bool iban) {
        const std::string party = holder == kNoRow ? std::string() : CBankCodePairs::PartyOf(std::string(model.Name(holder)));
        if (party.empty()) return;
        RowId scope = holder;
        while (scope != kNoRow && !EndsWith(model.Name(scope), "PmtInf") && !EndsWith(model.Name(scope), "TxInf"))
            scope = model.Parent(scope);
        if (scope != m_bankCodeScope) {
            m_bankCodes.NewScope();
            m_bankCodeScope = scope;
        }
        const std::string text = iban ? m_bankCodes.Iban(party, value) : m_bankCodes.Bic(party, value);
        if (!text.empty()) record(text);
    };

    if (Contains(name, "IBAN")) {
        if (value.size() > 4) {
            const int r = CheckIban(value);
            if (r < 1) record(IbanFindingText(r));
        }
        if (plain && target != kNoRow) pairBankCode(model.Parent(target), true);
    } else if (Contains(name, "Nm")) {
        if (plain && EndsWithAny(model.Name(target), {"Cdtr", "Dbtr", "InitgPty"}) && !value.empty() && Trim(value).empty())
            record(finding::kSpacesOnlyName);
    } else if (Contains(name, "BIC")) {
        if (plain && (value.size() == 8 || value.size() == 11) && Contains(model.Name(target), "FinInstnId") &&
            model.Parent(target) != kNoRow && model.Parent(model.Parent(target)) != kNoRow) {
            const bool ownBank = Contains(model.Name(model.Parent(model.Parent(target))), "PmtInf");
            const std::string finding =
                BicFinding(value, ownBank, m_doc.m_debitKind, m_doc.m_austrianVariant, m_app.m_strSclIniPath);
            if (!finding.empty()) record(finding);
            pairBankCode(model.Parent(target), false);
        }
    } else if (Contains(name, "CtrlSum")) {
        if (plain && !value.empty()) {
            const std::string trimmed = Trim(value);
            const size_t dot = trimmed.find('.');
            if (dot != std::string::npos && trimmed.size() - dot - 1 >= 3) record("Maximal zwei Nachkommastellen erlaubt!");
        }
    } else if (Contains(name, "EndToEndId")) {
        if (plain && (value.empty() || EqualsNoCase(value, "NOTPROVIDED"))) {
            if (m_doc.m_missingRefHints == 0) record(finding::kMissingReference);
            ++m_doc.m_missingRefHints;
        }
        if (plain && LocalName(name) == "EndToEndId") {
            RowId block = target;
            while (block != kNoRow && !EndsWith(model.Name(block), "PmtInf")) block = model.Parent(block);
            if (block != m_referenceBlock) {
                m_references.NewBlock();
                m_referenceBlock = block;
            }
            const long first = m_references.EndToEndId(Trim(value), model.TextPos(row));
            if (first >= 0) record(DuplicateEndToEndIdText(Trim(value), FindingLine(first)));
        }
    } else if (LocalName(name) == "PmtInfId") {
        if (plain && EndsWith(model.Name(target), "PmtInf")) {
            const long first = m_references.PaymentBlockId(Trim(value), model.TextPos(row));
            if (first >= 0) record(DuplicatePaymentBlockIdText(Trim(value), FindingLine(first)));
        }
    } else if (Contains(name, "Id") && !Contains(name, "IdTp")) {
        if (plain && m_doc.m_debitKind != 0 && Contains(model.Name(target), "Othr") && model.Parent(target) != kNoRow) {
            bool creditor = false;
            for (RowId r = model.Parent(target); r != kNoRow && !creditor; r = model.Parent(r))
                creditor = Contains(model.Name(r), "CdtrSchmeId");
            std::string message;
            if (creditor && !CheckCreditorId(value, message)) record("Fehler: " + message);
        }
    } else if (plain && DatePart(value).size() == 10) {
        const std::string finding = DateOrCalendarFinding(name, value, NowDate());
        if (!finding.empty()) record(finding);
    }
}

void CStructureView::GuidelineWarnings(const std::string& name, const std::vector<std::string>& children, long start) {
    size_t first = 0;  // index of the first warned child
    if (children.size() >= 2 && EndsWithAny(name, {"InitgPty", "Cdtr", "Dbtr", "RmtInf"})) first = 1;
    else if (children.size() == 1 && EndsWith(name, "RmtInf") && !Contains(children[0], "Ustrd")) first = 0;
    else return;
    std::vector<long> childStarts;
    if (start <= 0 || m_extents->End(start, &childStarts) < 0) return;
    for (size_t i = first; i < children.size() && i < childStarts.size(); ++i) {
        const std::string& child = children[i];
        const long end = m_extents->End(childStarts[i]);
        if (end < 0) continue;
        int line = 0, column = 0;
        PositionAt(end, line, column);
        uint8_t kind = 2;
        if (EndsWith(child, "Strd") && m_extents->ContentChars(childStarts[i]) > 140) kind = 0;
        if (m_doc.m_subtype != 0) continue;
        const std::string text =
            kind == 2 ? Format(finding::kGuidelineWarning.c_str(), child.c_str())
                      : Format(A("Lt. Belegungsrichtlinien sollte das Element '%s' nicht belegt werden und darf 140 "
                                 "Zeichen nicht übersteigen!")
                                   .c_str(),
                               child.c_str());
        AppendFinding(text, line, column, kind);
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
