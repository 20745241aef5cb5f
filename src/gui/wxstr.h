// Text between the engine (CP1252 bytes) and wxWidgets (Unicode).
#pragma once
#include <wx/string.h>

#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "ui/framelogic.h"

namespace valorix::gui {

/// CP1252 bytes as a wxString.
inline wxString W(std::string_view cp1252) { return wxString::FromUTF8(Cp1252ToUtf8(cp1252)); }
/// CP1252 bytes as a wxString, naming the open file by its real name
/// (`screen` null: as W).
inline wxString W(std::string_view cp1252, const CScreenText* screen) {
    return screen ? wxString::FromUTF8(screen->Convert(cp1252)) : W(cp1252);
}
/// A wxString as CP1252 bytes (unmappable characters become '?').
inline std::string C(const wxString& text) { return Utf8ToCp1252(std::string(text.utf8_str())); }
/// A UTF-8 literal of the source as a wxString.
inline wxString U(const char* utf8) { return wxString::FromUTF8(utf8); }
/// A path of the file system (UTF-8 bytes here) as a wxString and back.
inline wxString PathW(const std::string& path) { return wxString::FromUTF8(path); }
inline std::string PathS(const wxString& path) { return std::string(path.utf8_str()); }

}  // namespace valorix::gui
