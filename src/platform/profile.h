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

private:
    std::string ValuePath(const std::string& section, const std::string& key) const;
    std::string m_root;
};

}  // namespace valorix
