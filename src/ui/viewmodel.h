// The structure grid, the structure tree, the output list, the browser page
// and the progress dialog as the view logic sees them: small interfaces with
// in-memory models. The desktop front end draws these models; the command
// line uses them as they are.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace valorix {

struct CTreeItem;

/// One row of the structure grid.
struct CGridRow {
    CGridRow(std::string name, std::string value, std::string description = {}, uint32_t data = 0)
        : name(std::move(name)), value(std::move(value)), description(std::move(description)), data(data) {}

    std::string name;
    std::string value;
    std::string description;
    uint32_t data = 0;  ///< icon: 0 none, 3 attribute row, 5 "Text" row
    bool group = false;
    bool expanded = true;
    CGridRow* parent = nullptr;
    std::vector<std::unique_ptr<CGridRow>> children;

    CTreeItem* m_hTreeItem = nullptr;
    int m_nOccurrence = 0;
    int m_nTextPos = 0;

    /// Adds a sub-row; the row becomes a group row.
    CGridRow* AddSubItem(std::unique_ptr<CGridRow> row);
    /// Removes (and destroys) a sub-row.
    void RemoveSubItem(CGridRow* row);
};

/// The grid: top-level rows, a selected row.
class CGridModel {
public:
    void RemoveAll();
    CGridRow* AddProperty(std::unique_ptr<CGridRow> row);
    void SetCurSel(CGridRow* row) { m_selected = row; }
    CGridRow* GetCurSel() const { return m_selected; }
    /// Expands every group above `row`.
    void EnsureVisible(CGridRow* row);
    const std::vector<std::unique_ptr<CGridRow>>& Rows() const { return m_rows; }

private:
    std::vector<std::unique_ptr<CGridRow>> m_rows;
    CGridRow* m_selected = nullptr;
};

struct CTreeItem {
    std::string text;
    int image = 0;
    CGridRow* data = nullptr;
    bool expanded = false;
    CTreeItem* parent = nullptr;
    std::vector<std::unique_ptr<CTreeItem>> children;
};

/// The structure tree.
class CTreeModel {
public:
    void DeleteAllItems() { m_roots.clear(); }
    /// Appends an item below `parent` (null: a root item).
    CTreeItem* InsertItem(const std::string& text, int image, CTreeItem* parent, CGridRow* data);
    void Expand(CTreeItem* item) { item->expanded = true; }
    const std::vector<std::unique_ptr<CTreeItem>>& Roots() const { return m_roots; }
    /// Depth-first visit of every item with its depth (roots have depth 0).
    template <class Fn>
    void ForEach(Fn&& fn) const {
        std::vector<std::pair<CTreeItem*, int>> stack;
        for (auto it = m_roots.rbegin(); it != m_roots.rend(); ++it) stack.push_back({it->get(), 0});
        while (!stack.empty()) {
            auto [item, depth] = stack.back();
            stack.pop_back();
            fn(*item, depth);
            for (auto c = item->children.rbegin(); c != item->children.rend(); ++c) stack.push_back({c->get(), depth + 1});
        }
    }

private:
    std::vector<std::unique_ptr<CTreeItem>> m_roots;
};

/// One line of the output pane: its text and the text-page position it refers
/// to (0 none, -1 not found).
struct OutputLine {
    std::string text;
    long position;
};

class COutputList {
public:
    void Clear() { m_lines.clear(); }
    void AddLine(std::string text, long position) { m_lines.push_back({std::move(text), position}); }
    const std::vector<OutputLine>& Lines() const { return m_lines; }

private:
    std::vector<OutputLine> m_lines;
};

class IBrowserPage {
public:
    virtual ~IBrowserPage() = default;
    virtual void Navigate(const std::string& url) = 0;
};

class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void GetRange(int& lower, int& upper) const = 0;
    /// Moves the bar (handling waiting window messages); returns the previous position.
    virtual int SetPos(int pos) = 0;
    virtual int GetPos() const = 0;
    /// True once after the user pressed cancel.
    virtual bool CheckCancelButton() = 0;
};

/// The percentage text of a progress position: "50%"; positions beyond the
/// range wrap (150 percent shows "50%"); an empty range shows "100%".
std::string ProgressPercentText(int lower, int upper, int pos);

/// The cancel flag of the progress dialog: pressing sets it, checking reads and clears it.
class CCancelFlag {
public:
    void Press() { m_requested = true; }
    bool Check() {
        const bool was = m_requested;
        m_requested = false;
        return was;
    }

private:
    bool m_requested = false;
};

}  // namespace valorix
