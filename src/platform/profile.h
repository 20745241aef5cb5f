// The per-user profile. On Windows it is the registry: value K of section S
// is the value K of the key "HKCU\\Software\\Norvane\\Valorix\\S" (texts as
// REG_SZ, numbers as REG_DWORD; the engine's texts are UTF-8 on this side).
// Elsewhere, and on Windows when a root folder is given (or
// $XDG_CONFIG_HOME names one, as the test suites do), it is a file-backed key
// tree standing in for the registry: key "HKCU/Software/Norvane/Valorix/OPTION"
// is a folder below the profile root; each value of a key is a file in that
// folder holding the value's text.
#pragma once
#include <string>

namespace valorix {

class CProfile {
public:
    /// `root` is the folder that holds "HKCU"; empty selects
    /// $XDG_CONFIG_HOME, else ~/.config (on Windows: else the registry).
    explicit CProfile(std::string root = {});

    /// Path of the application key: root + "/HKCU/Software/Norvane/Valorix"
    /// ("HKCU\\Software\\Norvane\\Valorix" for the registry).
    std::string AppKeyPath() const;
    int GetInt(const std::string& section, const std::string& key, int def) const;
    std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    const std::string& Root() const { return m_root; }
    /// True when the profile is the system's registry.
    bool IsRegistry() const { return m_registry; }

    /// The folder of a full key name such as "HKCU\\Software\\Brelot\\Valorix"
    /// (root names long or short, any case; trailing backslashes dropped);
    /// empty for an unknown root.
    std::string KeyFolder(const std::string& fullName) const;
    bool KeyExists(const std::string& fullName) const;
    /// Copies the key `from` with all its values and sub-keys to `to`, then
    /// deletes `from`. Returns 0, or 2 when `from` does not exist, or another
    /// nonzero code when the copy or the removal fails (the source is removed
    /// only after everything was copied).
    int MoveRegistryTree(const std::string& from, const std::string& to);

private:
    std::string ValuePath(const std::string& section, const std::string& key) const;
    std::string m_root;
    bool m_registry = false;
};

}  // namespace valorix
