// SHA-256 of a file's bytes, as reports and the summary slip name a file
// (the same value `sha256sum` prints), in lower-case hex.
#pragma once
#include <istream>
#include <string>
#include <string_view>

namespace valorix {

std::string Sha256Hex(std::string_view bytes);
/// The stream read to its end; "" when it cannot be read.
std::string Sha256Hex(std::istream& bytes);

}  // namespace valorix
