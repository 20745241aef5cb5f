// Opening a file or an address with the desktop's associated program
// (xdg-open; ShellExecute on Windows), through one function that tests can replace.
#pragma once
#include <functional>
#include <string>

namespace valorix {

/// True when the desktop took the request.
using ShellOpenFn = std::function<bool(const std::string& target)>;

/// Opens `target` with the current function (the system's unless replaced).
bool ShellOpen(const std::string& target);
/// Replaces the function; an empty one restores the system's. Returns the previous one.
ShellOpenFn SetShellOpen(ShellOpenFn fn);

}  // namespace valorix
