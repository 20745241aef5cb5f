// The application values shared by the check, the GUI and the command line:
// data folder, schema extraction, the local SCL directory and the profile options.
#pragma once
#include <optional>
#include <string>

#include "platform/profile.h"

#include "rules/blzdirectory.h"
#include "rules/sclimport.h"

namespace valorix {

class AppValues {
public:
    /// `profileRoot` empty: the default profile location.
    explicit AppValues(std::string profileRoot = {});

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
    /// Where a downloaded or imported directory goes: "NVSCL.INI" of the
    /// program folder when that file exists, else the data folder's.
    std::string SclTargetPath() const;
    /// Imports the Bundesbank's SCL file `source` into SclTargetPath (as
    /// `--import-scl` does) and uses it from now on.
    SclImportResult ImportScl(const std::string& source);
    /// The bank codes with their BICs: "BLZBIC.TXT" of the data folder,
    /// written by `--import-blz`; the check uses it when it exists.
    std::string BlzTargetPath() const;
    /// Imports the Bundesbank's bank code file `source` into BlzTargetPath
    /// (as `--import-blz` does, valid from the file's modification date) and
    /// uses it from now on.
    BlzImportResult ImportBlz(const std::string& source);
    /// Moves the profile of an earlier name ("Brelot", then "Quendal") to the
    /// current key, unless the current key exists.
    void MigrateLegacyProfile();

    int GetOptionInt(const std::string& key, int def) const { return m_profile.GetInt("OPTION", key, def); }
    /// [OPTION] SAX, unless the caller forced a mode.
    bool SaxMode() const { return m_saxOverride ? *m_saxOverride : GetOptionInt("SAX", 0) != 0; }
    void ForceSaxMode(bool on) { m_saxOverride = on; }
    int ExpandOption() const { return GetOptionInt("EXPAND", 1); }
    int ShowSecondsOption() const { return GetOptionInt("SHOWSEC", 0); }

    std::string m_strVersion = "1.5.0";
    std::string m_strUpdateUrl;
    std::string m_strUpdateVersion;  ///< the newest program version the update server announced
    bool m_bHelpOpen = false;  ///< set while the help command runs
    unsigned m_nAppLook = 214;  ///< the look of the desktop program ([Workspace] ApplicationLook)
    std::string m_strDataFolder;
    /// A check may use a second core of its own (for the older DK subset):
    /// off while a batch keeps every core busy with files.
    bool m_spareCore = true;
    std::string m_strSclStand;
    std::string m_strReportFile;
    std::string m_strSclIniPath;
    std::string m_programFolder;  // with trailing "/"
    std::string m_baseFolder;
    bool m_schemasWritten = true;  ///< every schema the last start-up had to write was written
    CProfile m_profile;

private:
    std::optional<bool> m_saxOverride;
};

}  // namespace valorix
