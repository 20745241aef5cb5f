#include "gui/images.h"

#include <wx/artprov.h>
#include <wx/image.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace valorix::gui {
namespace {

struct Rgb {
    unsigned char r, g, b;
};

// A small canvas of RGBA pixels with the few shapes the icons are made of.
class Canvas {
public:
    explicit Canvas(int size) : m_image(size, size) {
        m_image.InitAlpha();
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) m_image.SetAlpha(x, y, 0);
    }
    void Pixel(int x, int y, Rgb c, unsigned char a = 255) {
        if (x < 0 || y < 0 || x >= m_image.GetWidth() || y >= m_image.GetHeight()) return;
        m_image.SetRGB(x, y, c.r, c.g, c.b);
        m_image.SetAlpha(x, y, a);
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Pixel(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, Rgb c) {
        for (int x = x0; x <= x1; ++x) Pixel(x, y0, c), Pixel(x, y1, c);
        for (int y = y0; y <= y1; ++y) Pixel(x0, y, c), Pixel(x1, y, c);
    }
    void Line(int x0, int y0, int x1, int y1, Rgb c) {
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int i = 0; i <= steps; ++i) {
            const double t = steps ? static_cast<double>(i) / steps : 0;
            Pixel(static_cast<int>(std::lround(x0 + (x1 - x0) * t)), static_cast<int>(std::lround(y0 + (y1 - y0) * t)), c);
        }
    }
    void Disc(double cx, double cy, double r, Rgb c) {
        for (int y = 0; y < m_image.GetHeight(); ++y)
            for (int x = 0; x < m_image.GetWidth(); ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d <= r - 0.5) Pixel(x, y, c);
                else if (d < r + 0.5) Pixel(x, y, c, static_cast<unsigned char>(255 * (r + 0.5 - d)));
            }
    }
    wxBitmap Bitmap() const { return wxBitmap(m_image); }

private:
    wxImage m_image;
};

const Rgb kInk{40, 40, 40}, kPaper{255, 255, 255}, kBlue{46, 110, 190}, kLightBlue{200, 222, 248},
    kFolder{232, 182, 60}, kFolderDark{170, 120, 20}, kGreen{70, 150, 70}, kLightGreen{205, 235, 200},
    kViolet{140, 80, 170}, kGrey{120, 120, 120};

// A sheet of paper with a folded corner at the top right.
void Sheet(Canvas& c, Rgb fill, Rgb edge) {
    c.Fill(3, 1, 12, 14, fill);
    c.Frame(3, 1, 12, 14, edge);
    for (int y = 1; y <= 4; ++y)
        for (int x = 9; x <= 12; ++x)
            if (x - 9 > y - 1) c.Pixel(x, y, fill, 0);  // cut off above the fold
    c.Line(9, 1, 12, 4, edge);
    c.Line(9, 1, 9, 4, edge);
    c.Line(9, 4, 12, 4, edge);
}

}  // namespace

wxBitmap StripImage(int index) {
    Canvas c(16);
    switch (index) {
    case 0:  // the root element: a blue document
        Sheet(c, kLightBlue, kBlue);
        c.Line(5, 7, 10, 7, kBlue), c.Line(5, 9, 10, 9, kBlue), c.Line(5, 11, 8, 11, kBlue);
        break;
    case 1:  // an element with children: a folder
        c.Fill(1, 3, 6, 4, kFolderDark);
        c.Fill(1, 5, 14, 13, kFolder);
        c.Frame(1, 5, 14, 13, kFolderDark);
        c.Line(1, 3, 6, 3, kFolderDark);
        break;
    case 2:  // the text page: a sheet with lines
        Sheet(c, kPaper, kGrey);
        for (int y = 6; y <= 12; y += 2) c.Line(5, y, 10, y, kInk);
        break;
    case 3:  // an attribute: a violet diamond
        for (int y = 0; y < 5; ++y) c.Line(8 - y, 3 + y, 8 + y, 3 + y, kViolet);
        for (int y = 0; y < 5; ++y) c.Line(4 + y, 8 + y, 12 - y, 8 + y, kViolet);
        break;
    case 4:  // an element without children: a green box
        c.Fill(3, 3, 12, 12, kLightGreen);
        c.Frame(3, 3, 12, 12, kGreen);
        c.Disc(8, 8, 2.2, kGreen);
        break;
    case 5:  // a "Text" row: a letter T
        c.Fill(3, 3, 12, 4, kBlue);
        c.Fill(7, 5, 8, 13, kBlue);
        break;
    default:
        break;
    }
    return c.Bitmap();
}

wxImageList* CreateStripImageList() {
    auto* list = new wxImageList(16, 16, true, kStripImages);
    for (int i = 0; i < kStripImages; ++i) list->Add(StripImage(i));
    return list;
}

wxIcon ProgramIcon(int size) {
    // A check mark on a payment sheet, drawn at 16 pixels and scaled.
    Canvas c(16);
    Sheet(c, kPaper, kBlue);
    c.Line(5, 9, 7, 11, kGreen), c.Line(5, 10, 7, 12, kGreen);
    c.Line(7, 11, 11, 6, kGreen), c.Line(7, 12, 11, 7, kGreen);
    wxImage image = c.Bitmap().ConvertToImage();
    if (size != 16) image.Rescale(size, size, wxIMAGE_QUALITY_NEAREST);
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

wxBitmap ToolImage(const wxString& artId, int size) {
    wxBitmap bmp = wxArtProvider::GetBitmap(artId, wxART_TOOLBAR, wxSize(size, size));
    if (bmp.IsOk()) return bmp;
    return StripImage(2);
}

}  // namespace valorix::gui
