#include "platform/profile.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/strutil.h"

namespace valorix {

namespace {
const char kAppKey[] = "Software\\Norvane\\Valorix";

#ifdef _WIN32

std::wstring Wide(std::string_view text) { return WidePath(AsUtf8(text)); }

// The predefined key and the sub-key path of a full key name such as
// "HKCU\\Software\\Brelot\\Valorix" (root names long or short, any case).
bool SplitKeyName(const std::string& fullName, HKEY& root, std::wstring& subKey) {
    std::string name = fullName;
    while (!name.empty() && name.back() == '\\') name.pop_back();
    const size_t cut = name.find('\\');
    const std::string rootName = ToUpperAscii(name.substr(0, cut));
    static const struct {
        const char* longName;
        const char* shortName;
        HKEY key;
    } kRoots[] = {{"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                  {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", "HKU", HKEY_USERS},
                  {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG}};
    for (const auto& r : kRoots) {
        if (rootName != r.longName && rootName != r.shortName) continue;
        root = r.key;
        subKey = cut == std::string::npos ? std::wstring() : Wide(name.substr(cut + 1));
        return name.size() <= 292;
    }
    return false;
}

std::wstring SectionKey(const std::string& section) { return Wide(std::string(kAppKey) + "\\" + section); }

#endif
}  // namespace

CProfile::CProfile(std::string root) : m_root(std::move(root)) {
    if (m_root.empty()) {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        if (xdg && *xdg) {
            m_root = xdg;
        } else {
#ifdef _WIN32
            m_registry = true;
#else
            const char* home = std::getenv("HOME");
            m_root = std::string(home ? home : "") + "/.config";
#endif
        }
    }
}

std::string CProfile::AppKeyPath() const {
    if (m_registry) return std::string("HKCU\\") + kAppKey;
    return m_root + "/HKCU/Software/Norvane/Valorix";
}

std::string CProfile::ValuePath(const std::string& section, const std::string& key) const {
    return AppKeyPath() + "/" + section + "/" + key;
}

std::string CProfile::GetString(const std::string& section, const std::string& key, const std::string& def) const {
#ifdef _WIN32
    if (m_registry) {
        const std::wstring sub = SectionKey(section), name = Wide(key);
        DWORD type = 0, size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, sub.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, nullptr,
                         &size) != ERROR_SUCCESS)
            return def;
        if (type == REG_DWORD) return std::to_string(GetInt(section, key, 0));
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegGetValueW(HKEY_CURRENT_USER, sub.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
            ERROR_SUCCESS)
            return def;
        return Utf8Path(value.c_str());
    }
#endif
    std::ifstream in(FsPath(ValuePath(section, key)), std::ios::binary);
    if (!in) return def;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int CProfile::GetInt(const std::string& section, const std::string& key, int def) const {
#ifdef _WIN32
    if (m_registry) {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), Wide(key).c_str(), RRF_RT_REG_DWORD, nullptr,
                         &value, &size) == ERROR_SUCCESS)
            return static_cast<int>(value);
    }
#endif
    std::string text = Trim(GetString(section, key, {}));
    if (text.empty()) return def;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? def : static_cast<int>(v);
}

bool CProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
#ifdef _WIN32
    if (m_registry) {
        const std::wstring text = Wide(value);
        return RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), Wide(key).c_str(), REG_SZ, text.c_str(),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
#endif
    std::error_code ec;
    std::filesystem::create_directories(FsPath(AppKeyPath() + "/" + section), ec);
    std::ofstream out(FsPath(ValuePath(section, key)), std::ios::binary | std::ios::trunc);
    out << value;
    return static_cast<bool>(out);
}

bool CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
#ifdef _WIN32
    if (m_registry) {
        const DWORD number = static_cast<DWORD>(value);
        return RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(section).c_str(), Wide(key).c_str(), REG_DWORD, &number,
                               sizeof number) == ERROR_SUCCESS;
    }
#endif
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
#ifdef _WIN32
    if (m_registry) {
        HKEY root, key;
        std::wstring sub;
        if (!SplitKeyName(fullName, root, sub)) return false;
        if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
#endif
    const std::string folder = KeyFolder(fullName);
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_directory(FsPath(folder), ec);
}

int CProfile::MoveRegistryTree(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (m_registry) {
        HKEY sourceRoot, targetRoot, source, target;
        std::wstring sourceSub, targetSub;
        if (!SplitKeyName(from, sourceRoot, sourceSub) || !KeyExists(from)) return ERROR_FILE_NOT_FOUND;
        if (!SplitKeyName(to, targetRoot, targetSub)) return ERROR_INVALID_PARAMETER;
        LSTATUS status = RegOpenKeyExW(sourceRoot, sourceSub.c_str(), 0, KEY_READ, &source);
        if (status != ERROR_SUCCESS) return static_cast<int>(status);
        status = RegCreateKeyExW(targetRoot, targetSub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
        if (status == ERROR_SUCCESS) {
            // Values and sub-keys are copied first; the source goes only when all arrived.
            status = RegCopyTreeW(source, nullptr, target);
            RegCloseKey(target);
        }
        RegCloseKey(source);
        if (status == ERROR_SUCCESS) status = RegDeleteTreeW(sourceRoot, sourceSub.c_str());
        return static_cast<int>(status);
    }
#endif
    namespace fs = std::filesystem;
    const std::string source = KeyFolder(from), target = KeyFolder(to);
    if (source.empty() || !KeyExists(from)) return 2;
    if (target.empty()) return 87;
    std::error_code ec;
    fs::create_directories(FsPath(target), ec);
    if (ec) return ec.value();
    // Values and sub-keys are copied first; the source goes only when all arrived.
    fs::copy(FsPath(source), FsPath(target), fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) return ec.value();
    fs::remove_all(FsPath(source), ec);
    return ec ? ec.value() : 0;
}

}  // namespace valorix
