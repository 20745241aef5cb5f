// Registration of the additional ISO-8859 encoding names. A document declared
// in one of them is decoded byte for byte as ISO-8859-1.
#pragma once

namespace valorix {

/// Registers "ISO-8859-2" .. "ISO-8859-11" and "ISO-8859-13" .. "ISO-8859-16"
/// with the parser library, right after it is initialised (XercesSession does).
void RegisterExtraEncodings();

}  // namespace valorix
