// The application values shared by the check, the GUI and the command line:
// data folder, schema extraction, the local SCL directory and the profile options.
#pragma once
#include <optional>
#include <string>

#include "platform/profile.h"

namespace valorix {

class CTavrel1App {
public:
    /// `profileRoot` empty: the default profile location.
    explicit CTavrel1App(std::string profileRoot = {});

    /// The toolkit-free start-up: data folder, schema extraction, report file
    /// name, SCL directory. `dataFolderOverride` names the data folder
    /// directly (it is created when missing); `sclOverride` names the SCL
    /// directory file. Returns false when an explicit data folder cannot be created.
    bool Startup(const std::optional<std::string>& dataFolderOverride = std::nullopt,
                 const std::optional<std::string>& sclOverride = std::nullopt);

    /// Determines (moving the legacy folder or creating the default when
    /// needed) and returns the data folder.
    std::string DetermineDataFolder();
    /// Finds "NVSCL.INI" (program folder first, then data folder) and reads its "STAND".
    void FindSclDirectory();
    /// Uses `path` as the SCL directory file.
    void UseSclDirectory(const std::string& path);
    /// When no file exists at the SCL path, the path becomes the data folder's
    /// "NVSCL.INI" (where a download will put it); run at each view initialisation.
    void CompleteSclIniPath();

    int GetOptionInt(const std::string& key, int def) const { return m_profile.GetInt("OPTION", key, def); }
    /// [OPTION] SAX, unless the caller forced a mode.
    bool SaxMode() const { return m_saxOverride ? *m_saxOverride : GetOptionInt("SAX", 0) != 0; }
    void ForceSaxMode(bool on) { m_saxOverride = on; }
    int ExpandOption() const { return GetOptionInt("EXPAND", 1); }
    int ShowSecondsOption() const { return GetOptionInt("SHOWSEC", 0); }

    std::string m_strVersion = "1.5.0";
    std::string m_strUpdateUrl;
    bool m_bHelpOpen = false;  ///< set while the help command runs
    std::string m_strDataFolder;
    std::string m_strSclStand;
    std::string m_strReportFile;
    std::string m_strSclIniPath;
    std::string m_programFolder;  // with trailing "/"
    std::string m_baseFolder;
    CProfile m_profile;

private:
    std::optional<bool> m_saxOverride;
};

}  // namespace valorix
