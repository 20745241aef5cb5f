// The per-user profile: a file-backed key tree standing in for the registry.
// Key "HKCU/Software/Norvane/Valorix/OPTION" is a folder below the profile
// root; each value of a key is a file in that folder holding the value's text.
#pragma once
#include <string>

namespace valorix {

class CProfile {
public:
    /// `root` is the folder that holds "HKCU"; empty selects
    /// $XDG_CONFIG_HOME, else ~/.config.
    explicit CProfile(std::string root = {});

    /// Path of the application key: root + "/HKCU/Software/Norvane/Valorix".
    std::string AppKeyPath() const;
    int GetInt(const std::string& section, const std::string& key, int def) const;
    std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    const std::string& Root() const { return m_root; }

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
};

}  // namespace valorix
