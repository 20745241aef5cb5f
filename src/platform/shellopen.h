// Opening a file or an address with the desktop's associated program
// (xdg-open), through one function that tests can replace.
#pragma once
#include <functional>
#include <string>

namespace valorix {

/// True when the desktop took the request.
using ShellOpenFn = std::function<bool(const std::string& target)>;

/// Opens `target` with the current function (xdg-open unless replaced).
bool ShellOpen(const std::string& target);
/// Replaces the function; an empty one restores xdg-open. Returns the previous one.
ShellOpenFn SetShellOpen(ShellOpenFn fn);

}  // namespace valorix
