// The decisions of the main frame that do not need a window: where F6 and
// Shift+F6 move the focus, what copy does for the window that has the focus,
// the expand option's toggle, the output list's clipboard text, the recent
// file list and its menu labels, the print text's pages.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"
#include "rules/summary.h"
#include "ui/viewmodel.h"

namespace valorix {

/// The three places the pane keys move the focus among.
enum class FocusPlace { View, Output, Structure, Other };

/// Where F6 (`forward`) or Shift+F6 takes the focus from `from`.
FocusPlace NextPane(FocusPlace from, bool forward, bool outputVisible, bool structureVisible);

/// What copy does, by the window that has the focus.
enum class CopyFocus { TextPage, OutputList, EditControl, StructureTree, Other };
enum class CopyAction { None, TextSelection, OutputLines, EditSelection };
/// `textPageActive`: the view's page "Text" is the active one.
CopyAction CopyRule(CopyFocus focus, bool textHasSelection, bool outputHasLines, bool editHasSelection,
                    bool textPageActive);

/// The expand option after its command: 0 becomes 1, anything else 0.
inline int ToggledExpand(int value) { return value == 0 ? 1 : 0; }

/// All lines of the output list joined by "\r\n" (none after the last).
std::string OutputCopyText(const COutputList& list);

/// Engine text (Windows-1252) as UTF-8 for the screen. The engine writes the
/// name of the open file in its code page, with '?' for the characters the
/// code page lacks: where that form stands in a text, the real name (UTF-8,
/// as the file system has it) is put in.
class CScreenText {
public:
    /// The open file's name; empty: none.
    void SetPath(const std::string& path);
    const std::string& Path() const { return m_path; }
    std::string Convert(std::string_view text) const;

private:
    std::string m_path;
    std::string m_engineName;  ///< set when it differs from the real name
};

/// A path (UTF-8) shortened to `max` characters for a menu: the root, "..." and as
/// many of the last folders as fit before the file name; a file name longer
/// than `max` alone is given whole.
std::string AbbreviatePath(const std::string& path, size_t max);

/// The recently opened files, newest first, at most four, kept in the
/// profile's section "Recent File List" as "File1" to "File4".
class CRecentFiles {
public:
    static constexpr size_t kMax = 4;
    void Load(const CProfile& profile);
    void Save(CProfile& profile) const;
    /// Puts `path` at the front (moving it when it is listed).
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Files() const { return m_files; }
    /// "&1 name" with the name shortened to 30 characters.
    std::string MenuLabel(size_t index) const;

private:
    std::vector<std::string> m_files;
};

/// The lines of the page "Zusammenfassung" (CP1252): the summary slip of a
/// payment file (`summary`), as `valorix-check --summary` prints it; for
/// another checked file (`checked`) one line saying it has none; nothing
/// without a file.
std::vector<std::string> SummaryPageLines(const FileSummary* summary, bool checked);
/// The page's text to show (lines joined by "\n") or to print (by "\r\n").
std::string SummaryPageText(const std::vector<std::string>& lines, const char* lineEnd);

/// The print text cut into pages: lines end at carriage returns (further
/// carriage returns and one line feed belong to the same line end); a line
/// wider than `width` is wrapped after the last white space that fits,
/// otherwise after the last character that fits; tabs advance to the next
/// multiple of `tabWidth`. `measure` gives a piece of text's width.
std::vector<std::vector<std::string>> PaginatePrintText(const std::string& text,
                                                        const std::function<int(const std::string&)>& measure,
                                                        int width, int linesPerPage, int tabWidth);

}  // namespace valorix
