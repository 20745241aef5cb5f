// What the program tells about the system it runs on.
#pragma once
#include <string>

namespace valorix {

/// The system's name and release in capitals, as the user agent names it:
/// "WINDOWS NT 10.0" on Windows, "LINUX 6.1" (kernel name and the numeric
/// part of its release) elsewhere.
std::string OperatingSystemName();
/// False only when the system is sure it has no network: no interface but
/// the loopback one is up (an interface list that cannot be read counts as
/// connected, so that the request itself tells).
bool HasNetworkConnection();

}  // namespace valorix
