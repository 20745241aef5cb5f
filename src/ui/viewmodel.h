// The structure grid, the structure tree, the output list, the browser page
// and the progress dialog as the view logic sees them: small interfaces with
// in-memory models. The desktop front end draws these models; the command
// line uses them as they are.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace valorix {

/// Lets a map keyed by std::string be searched with a std::string_view.
struct TransparentHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

using RowId = uint32_t;
constexpr RowId kNoRow = 0xFFFFFFFFu;
/// The invisible row that holds the grid's top-level rows.
constexpr RowId kGridRoot = 0;

/// The grid's icon of a row, and the structure tree's image of an item:
/// indexes into the image strip.
inline constexpr uint8_t kAttributeIcon = 3, kTextIcon = 5;
inline constexpr int kImageRoot = 0, kImageGroup = 1, kImageLeaf = 4;

/// The structure grid and the structure tree in one compact store. Every row
/// is one record of an array: its parent, its name and description by id from
/// an interned table, its value as a range of one text, its icon, flags, text
/// position and occurrence. An element row may also be an item of the tree;
/// the tree's items are those rows, so a tree item's parent is its row's
/// parent. Children are answered by index, as a virtual view reads them,
/// without building strings for rows nobody shows.
class CStructureModel {
public:
    CStructureModel();

    /// Removes every row and the selection.
    void Clear();

    /// Appends a row below `parent` (kGridRoot: a top-level row); the parent
    /// becomes a group row. Icon: 0 none, kAttributeIcon or kTextIcon.
    RowId AddRow(RowId parent, std::string_view name, std::string_view value, uint8_t icon = 0,
                 std::string_view description = {});
    /// Removes the rows from `first` on: the last rows built, with all they hold.
    void Truncate(RowId first);
    /// Removes the children of `row`, which must be the rows after it.
    void DropChildren(RowId row) { Truncate(row + 1); }

    void SetValue(RowId row, std::string_view value);
    void SetGroup(RowId row, bool group) { SetFlag(row, kGroup, group); }
    void SetExpanded(RowId row, bool expanded) { SetFlag(row, kExpanded, expanded); }
    void SetTextPos(RowId row, int pos) { m_rows[row].textPos = pos; }
    void SetOccurrence(RowId row, int occurrence) { m_rows[row].occurrence = occurrence; }

    size_t Size() const { return m_rows.size(); }
    RowId Parent(RowId row) const { return m_rows[row].parent; }
    size_t ChildCount(RowId row) const { return m_rows[row].childCount; }
    RowId Child(RowId row, size_t index) const;
    std::string_view Name(RowId row) const { return m_strings[m_rows[row].name]; }
    std::string_view Value(RowId row) const;
    std::string_view Description(RowId row) const { return m_strings[m_rows[row].description]; }
    uint8_t Icon(RowId row) const { return m_rows[row].icon; }
    bool IsGroup(RowId row) const { return m_rows[row].flags & kGroup; }
    bool IsExpanded(RowId row) const { return m_rows[row].flags & kExpanded; }
    int TextPos(RowId row) const { return m_rows[row].textPos; }
    int Occurrence(RowId row) const { return m_rows[row].occurrence; }

    /// The selected row (kNoRow: none).
    void SetCurSel(RowId row) { m_selected = row; }
    RowId GetCurSel() const { return m_selected; }
    /// Expands every group above `row`.
    void EnsureVisible(RowId row);

    // The tree: images 0 root, 1 element with children, 4 element with text.
    /// Makes the row an item of the tree (collapsed) with `image`.
    void SetTreeItem(RowId row, int image);
    void SetTreeImage(RowId row, int image) { m_rows[row].treeImage = static_cast<uint8_t>(image); }
    void ExpandTreeItem(RowId row) { SetFlag(row, kTreeExpanded, true); }
    void SetTreeExpanded(RowId row, bool expanded) { SetFlag(row, kTreeExpanded, expanded); }
    bool IsTreeItem(RowId row) const { return m_rows[row].treeImage != kNoImage; }
    int TreeImage(RowId row) const { return m_rows[row].treeImage; }
    bool IsTreeExpanded(RowId row) const { return m_rows[row].flags & kTreeExpanded; }
    /// Items below the item `row` (kGridRoot: the tree's roots).
    size_t TreeChildCount(RowId row) const;
    RowId TreeChild(RowId row, size_t index) const;
    /// Depth-first visit of every tree item with its depth (roots have depth 0).
    template <class Fn>
    void ForEachTreeItem(Fn&& fn) const {
        std::vector<std::pair<RowId, int>> stack;
        for (size_t i = TreeChildCount(kGridRoot); i-- > 0;) stack.push_back({TreeChild(kGridRoot, i), 0});
        while (!stack.empty()) {
            auto [item, depth] = stack.back();
            stack.pop_back();
            fn(item, depth);
            for (size_t i = TreeChildCount(item); i-- > 0;) stack.push_back({TreeChild(item, i), depth + 1});
        }
    }

private:
    enum : uint8_t { kGroup = 1, kExpanded = 2, kTreeExpanded = 4 };
    static constexpr uint8_t kNoImage = 0xFF;

    struct Row {
        RowId parent;
        uint32_t name;
        uint32_t description;
        uint32_t valueLength;
        uint64_t valueOffset;
        int32_t textPos;
        int32_t occurrence;
        uint32_t childCount;
        uint8_t icon;
        uint8_t treeImage;
        uint8_t flags;
    };
    static_assert(sizeof(Row) == 40);
    /// Children by index, built when first asked after a change: for each row
    /// the range of its children (and of its tree items) in one array.
    struct Index {
        std::vector<uint32_t> childBegin, children;
        std::vector<uint32_t> itemBegin, items;
    };

    void SetFlag(RowId row, uint8_t flag, bool on);
    uint32_t Intern(std::string_view text);
    const Index& Children() const;

    std::vector<Row> m_rows;
    std::string m_values;
    uint64_t m_lateValuesEnd = 0;  ///< end of the last value set after its row was built
    std::vector<std::string> m_strings;
    std::unordered_map<std::string, uint32_t, TransparentHash, std::equal_to<>> m_stringIds;
    RowId m_selected = kNoRow;
    mutable std::unique_ptr<Index> m_index;
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
    /// "about:blank" or a local file's path as the file system names it (UTF-8).
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
