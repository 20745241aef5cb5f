// The program's version as the about box shows it and the update check
// compares it, and the user agent of every web request.
#pragma once
#include <string>

namespace valorix {

/// The version string of a build version "a.b.c" or "a.b.c.d": a final ".0"
/// of a four-part version is dropped once (1.8.0.0 gives 1.8.0, 1.8.0.10
/// stays); empty input gives the fallback "1.5.0".
std::string VersionFromBuild(const std::string& buildVersion);

/// "VALORIX/1.0 (Windows; I; " + the system's name and release + an optional
/// "; " and `extra` + ")".
std::string BuildUserAgent(const std::string& extra = {});

}  // namespace valorix
