// The command ids of the desktop program: the established numbers, so that
// menus, toolbar, keys and handlers read like the command table.
#pragma once

namespace valorix::gui {

/// The toolkit takes menu ids below 0x7FFF: the command numbers above it are
/// shifted down by 0x8000 (57600, "Schließen", is 24832 in the menus).
constexpr int kIdShift = 0x8000;

enum CommandId : int {
    ID_FILE_NEW = 57600 - kIdShift,  ///< "Schließen"
    ID_FILE_OPEN = 57601 - kIdShift,
    ID_FILE_SAVE = 57603 - kIdShift,
    ID_FILE_SAVE_AS = 57604 - kIdShift,
    ID_FILE_PRINT_SETUP = 57606 - kIdShift,
    ID_FILE_PRINT = 57607 - kIdShift,
    ID_FILE_PRINT_PREVIEW = 57609 - kIdShift,
    ID_FILE_MRU_FIRST = 57616 - kIdShift,
    ID_FILE_MRU_LAST = 57619 - kIdShift,
    ID_EDIT_COPY = 57634 - kIdShift,
    ID_EDIT_CUT = 57635 - kIdShift,
    ID_EDIT_PASTE = 57637 - kIdShift,
    ID_EDIT_UNDO = 57643 - kIdShift,
    ID_APP_ABOUT = 57664 - kIdShift,
    ID_APP_EXIT = 57665 - kIdShift,
    ID_HELP_FINDER = 57670 - kIdShift,
    ID_NEXT_PANE = 57680 - kIdShift,
    ID_PREV_PANE = 57681 - kIdShift,
    ID_VIEW_TOOLBAR = 59392 - kIdShift,
    ID_VIEW_STATUS_BAR = 59393 - kIdShift,
    ID_VIEW_CUSTOMIZE = 126,
    ID_VIEW_CLASSVIEW = 134,     ///< the structure pane
    ID_VIEW_OUTPUTWND = 149,     ///< the output pane; "&Ausblenden" hides it
    ID_VIEW_APPLOOK_WIN_2000 = 210,
    ID_VIEW_APPLOOK_OFF_XP = 211,
    ID_VIEW_APPLOOK_WIN_XP = 212,
    ID_VIEW_APPLOOK_OFF_2003 = 213,
    ID_VIEW_APPLOOK_VS_2005 = 214,
    ID_VIEW_APPLOOK_OFF_2007_BLUE = 215,
    ID_VIEW_APPLOOK_OFF_2007_BLACK = 216,
    ID_VIEW_APPLOOK_OFF_2007_SILVER = 217,
    ID_VIEW_APPLOOK_OFF_2007_AQUA = 218,
    ID_SCL_DOWNLOAD = 32774 - kIdShift,
    ID_EXPAND_ALL = 32776 - kIdShift,
    ID_SCL_IMPORT = 32777 - kIdShift,  ///< "SCL-Verzeichnis importieren..."
    ID_BLZ_IMPORT = 32778 - kIdShift,  ///< "Bankleitzahlendatei importieren..."
    // Entries of the pane menu that show or hide the toolbar and the panes.
    ID_PANE_TOGGLE_TOOLBAR = 40001 - kIdShift,
    ID_PANE_TOGGLE_STRUCTURE = 40002 - kIdShift,
    ID_PANE_TOGGLE_OUTPUT = 40003 - kIdShift,
};

/// Tab identifiers of the view's pages.
enum PageId : int { kPageGrid = 1, kPageText = 2, kPageHtml = 3, kPageSummary = 4 };

}  // namespace valorix::gui
