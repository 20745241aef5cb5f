// The command ids of the desktop program: the established numbers, so that
// menus, toolbar, keys and handlers read like the command table.
#pragma once

namespace valorix::gui {

enum CommandId : int {
    ID_FILE_NEW = 57600,  ///< "Schließen"
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_MRU_FIRST = 57616,
    ID_FILE_MRU_LAST = 57619,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57670,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
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
    ID_SCL_DOWNLOAD = 32774,
    ID_EXPAND_ALL = 32776,
    // Entries of the pane menu that show or hide the toolbar and the panes.
    ID_PANE_TOGGLE_TOOLBAR = 40001,
    ID_PANE_TOGGLE_STRUCTURE = 40002,
    ID_PANE_TOGGLE_OUTPUT = 40003,
};

/// Tab identifiers of the view's pages.
enum PageId : int { kPageGrid = 1, kPageText = 2, kPageHtml = 3 };

}  // namespace valorix::gui
