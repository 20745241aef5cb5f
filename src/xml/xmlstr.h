// Conversions between Xerces' UTF-16 strings and the engine's CP1252 text.
#pragma once
#include <xercesc/util/XercesDefs.hpp>

#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace valorix {

inline std::string X2A(const XMLCh* s) { return Utf16ToCp1252(reinterpret_cast<const char16_t*>(s)); }
inline std::u16string A2X(std::string_view s) { return Cp1252ToUtf16(s); }
inline const XMLCh* XP(const std::u16string& s) { return reinterpret_cast<const XMLCh*>(s.c_str()); }

}  // namespace valorix
