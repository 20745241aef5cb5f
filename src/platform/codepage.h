// Conversions between the engine's narrow code page and UTF-16 / UTF-8.
// The narrow code page is Windows-1252; on Windows it is the system's ANSI
// code page when that is another single-byte one. The names say 1252, the
// code page of the German and Austrian systems. Characters the code page
// lacks become '?'.
#pragma once
#include <string>
#include <string_view>

namespace valorix {

/// The narrow code page's number: 1252, or the system's ANSI code page on Windows.
unsigned AnsiCodePage();
/// UTF-16 code units to CP1252; a NUL character ends the text.
std::string Utf16ToCp1252(const char16_t* s, size_t len);
/// Zero-terminated UTF-16 (for example an XMLCh string) to CP1252; null gives "".
std::string Utf16ToCp1252(const char16_t* s);
std::u16string Cp1252ToUtf16(std::string_view s);
std::string Cp1252ToUtf8(std::string_view s);
/// True when the bytes are well-formed UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view s);
/// UTF-8 text as it is; anything else read as CP1252 and converted.
std::string AsUtf8(std::string_view s);
/// UTF-8 to CP1252; malformed sequences become '?'.
std::string Utf8ToCp1252(std::string_view s);
/// File-system paths are UTF-8 bytes; these convert them for the parser.
std::u16string Utf8ToUtf16(std::string_view s);
/// Zero-terminated UTF-16 to UTF-8; null gives "".
std::string Utf16ToUtf8(const char16_t* s);
/// UTF-8 text with its control characters (C0, DEL, C1) written visibly, as
/// \n, \r, \t or \xNN (C1: \u0085): a name quoted in a line stays on it.
std::string VisibleControls(std::string_view utf8);
/// A file-system path as the engine shows it in a message (CP1252).
inline std::string PathText(std::string_view path) { return Utf8ToCp1252(VisibleControls(path)); }
/// Shorthand for the German texts of the program, written as UTF-8 in the sources.
inline std::string A(std::string_view utf8) { return Utf8ToCp1252(utf8); }

}  // namespace valorix
