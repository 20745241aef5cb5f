// Registration of the additional ISO-8859 encoding names. A document declared
// in one of them is decoded byte for byte as ISO-8859-1.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace valorix {

using EncodingBuffers = std::vector<std::u16string>;

/// Registers "ISO-8859-2" .. "ISO-8859-11" and "ISO-8859-13" .. "ISO-8859-16"
/// with the parser library (which must be initialised); the name buffers are
/// kept in `buffers`.
void RegisterExtraEncodings(EncodingBuffers& buffers);

}  // namespace valorix
