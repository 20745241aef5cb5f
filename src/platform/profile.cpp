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

std::string CProfile::KeyFolder(const std::string& fullName) const {
    std::string name = fullName;
    while (!name.empty() && name.back() == '\\') name.pop_back();
    const size_t cut = name.find('\\');
    const std::string root = ToUpperAscii(name.substr(0, cut));
    static const std::pair<const char*, const char*> kRoots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR"}, {"HKEY_CURRENT_USER", "HKCU"},     {"HKEY_LOCAL_MACHINE", "HKLM"},
        {"HKEY_USERS", "HKU"},         {"HKEY_PERFORMANCE_DATA", "HKPD"}, {"HKEY_CURRENT_CONFIG", "HKCC"},
        {"HKEY_DYN_DATA", "HKDD"}};
    std::string folder;
    for (const auto& [longName, shortName] : kRoots)
        if (root == longName || root == shortName) folder = m_root + "/" + shortName;
    if (folder.empty() || name.size() > 292) return {};
    if (cut != std::string::npos) {
        std::string sub = name.substr(cut + 1);
        for (char& c : sub)
            if (c == '\\') c = '/';
        folder += "/" + sub;
    }
    return folder;
}

bool CProfile::KeyExists(const std::string& fullName) const {
    const std::string folder = KeyFolder(fullName);
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

int CProfile::MoveRegistryTree(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    const std::string source = KeyFolder(from), target = KeyFolder(to);
    if (source.empty() || !KeyExists(from)) return 2;
    if (target.empty()) return 87;
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) return ec.value();
    // Values and sub-keys are copied first; the source goes only when all arrived.
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) return ec.value();
    fs::remove_all(source, ec);
    return ec ? ec.value() : 0;
}

}  // namespace valorix
