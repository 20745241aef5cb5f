// The program's own images, drawn here: the structure strip (tabs, tree and
// grid icons) and the program icon. Toolbar and menu images come from the
// desktop's icon theme through wxArtProvider.
#pragma once
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/imaglist.h>

namespace valorix::gui {

/// The structure strip: 0 root element, 1 element with children, 2 text page,
/// 3 attribute row, 4 element without children, 5 "Text" row, 6 unused.
constexpr int kStripImages = 7;
wxBitmap StripImage(int index);
/// A new image list holding the strip (16 by 16).
wxImageList* CreateStripImageList();
/// The program icon at `size` pixels.
wxIcon ProgramIcon(int size);
/// A toolbar or menu image: wxArtProvider's for `artId`, or a drawn stand-in
/// when the theme has none.
wxBitmap ToolImage(const wxString& artId, int size = 16);

}  // namespace valorix::gui
