#include "platform/profile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/strutil.h"

namespace valorix {

CProfile::CProfile(std::string root) : m_root(std::move(root)) {
    if (m_root.empty()) {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        const char* home = std::getenv("HOME");
        if (xdg && *xdg) m_root = xdg;
        else m_root = std::string(home ? home : "") + "/.config";
    }
}

std::string CProfile::AppKeyPath() const { return m_root + "/HKCU/Software/Norvane/Valorix"; }

std::string CProfile::ValuePath(const std::string& section, const std::string& key) const {
    return AppKeyPath() + "/" + section + "/" + key;
}

std::string CProfile::GetString(const std::string& section, const std::string& key, const std::string& def) const {
    std::ifstream in(ValuePath(section, key), std::ios::binary);
    if (!in) return def;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int CProfile::GetInt(const std::string& section, const std::string& key, int def) const {
    std::string text = Trim(GetString(section, key, {}));
    if (text.empty()) return def;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? def : static_cast<int>(v);
}

bool CProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::error_code ec;
    std::filesystem::create_directories(AppKeyPath() + "/" + section, ec);
    std::ofstream out(ValuePath(section, key), std::ios::binary | std::ios::trunc);
    out << value;
    return static_cast<bool>(out);
}

bool CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace valorix
