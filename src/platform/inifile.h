// Private profile (INI) files with the semantics the program relies on:
// sections and keys compare case-insensitively, values are trimmed and cut
// to the caller's buffer size, lines without "=" and ";" comments are ignored.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace valorix {

/// Value of `key` in `section`, cut to `bufSize - 1` characters; `def` when absent.
std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& def, size_t bufSize);
/// Every key and value (both trimmed) of `section`, in file order; a key may repeat.
std::vector<std::pair<std::string, std::string>> ReadIniSection(const std::string& path, const std::string& section);
/// Leading (optionally signed) decimal digits of the value; `def` when the key is
/// absent, 0 when the value does not begin with digits.
int ReadIniInt(const std::string& path, const std::string& section, const std::string& key, int def);
/// Sets `key` in `section`, creating the file, section or key as needed; the
/// file is replaced in one step. Returns false when it cannot be written.
bool WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value);

}  // namespace valorix
