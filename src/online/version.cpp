#include "online/version.h"

#include <cctype>

#include "platform/sysinfo.h"

namespace valorix {

std::string VersionFromBuild(const std::string& buildVersion) {
    if (buildVersion.empty()) return "1.5.0";
    std::string v = buildVersion;
    // A three-part version is taken as the four-part one with a final ".0".
    int dots = 0;
    for (char c : v) dots += c == '.';
    if (dots == 2) v += ".0";
    if (v.size() >= 2 && v.compare(v.size() - 2, 2, ".0") == 0) v.resize(v.size() - 2);
    return v;
}

std::string BuildUserAgent(const std::string& extra) {
    std::string agentVersion = "1.0";
    std::string clean;
    for (char c : agentVersion)
        if (c != ' ') clean += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // The system part: this system's own name and release, in capitals.
    const std::string system = OperatingSystemName();
    std::string agent = "VALORIX/" + clean + " (Windows; I; " + system;
    if (!extra.empty()) agent += "; " + extra;
    return agent + ")";
}

}  // namespace valorix
