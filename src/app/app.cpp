#include "app/app.h"

#include <unistd.h>

#include <filesystem>

#include "app/schemastore.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/strutil.h"
#include "rules/blzdirectory.h"
#include "rules/scldirectory.h"

namespace valorix {
namespace fs = std::filesystem;

namespace {
// Moves a folder; across file systems it is copied and the source removed.
void MoveFolder(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(FsPath(from), FsPath(to), ec);
    if (!ec) return;
    fs::copy(FsPath(from), FsPath(to), fs::copy_options::recursive, ec);
    if (!ec) fs::remove_all(FsPath(from), ec);
}
}  // namespace

AppValues::AppValues(std::string profileRoot)
    : m_programFolder(ProgramFolder()), m_baseFolder(BaseFolder()), m_profile(std::move(profileRoot)) {}

std::string AppValues::DetermineDataFolder() {
    const std::string configured =
        ReadIniString(m_programFolder + "Valorix.ini", "DATEN", "PATH", "", 260);
    const std::string defaultFolder = m_baseFolder + "/Norvane/Valorix";
    std::string candidate = configured.empty() ? defaultFolder : configured;
    const bool isDefault = configured.empty();
    if (!EntryExists(candidate) && isDefault && EntryExists(m_baseFolder + "/BRELOT/Valorix")) {
        std::error_code ec;
        fs::create_directories(FsPath(m_baseFolder + "/Norvane"), ec);  // the new parent may not exist yet
        MoveFolder(m_baseFolder + "/BRELOT/Valorix", candidate);
    }
    if (!EntryExists(candidate)) {
        candidate = defaultFolder;
        std::error_code ec;
        // The base folder may itself be missing on a fresh account.
        fs::create_directories(FsPath(m_baseFolder + "/Norvane"), ec);
        if (!EntryExists(candidate)) fs::create_directory(FsPath(candidate), ec);
    }
    return candidate;
}

void AppValues::UseSclDirectory(const std::string& path) {
    m_strSclIniPath = path;
    m_strSclStand = ReadSclStand(path).substr(0, 9);
}

void AppValues::CompleteSclIniPath() {
    if (!IsFile(m_strSclIniPath)) m_strSclIniPath = m_strDataFolder + "/NVSCL.INI";
}

std::string AppValues::SclTargetPath() const {
    const std::string inProgram = m_programFolder + "NVSCL.INI";
    return IsFile(inProgram) ? inProgram : m_strDataFolder + "/NVSCL.INI";
}

SclImportResult AppValues::ImportScl(const std::string& source) {
    const std::string target = SclTargetPath();
    SclImportResult r = ImportSclDirectory(source, target);
    if (r.ok) UseSclDirectory(target);
    return r;
}

std::string AppValues::BlzTargetPath() const { return m_strDataFolder + "/BLZBIC.TXT"; }

BlzImportResult AppValues::ImportBlz(const std::string& source) {
    BlzImportResult r = ImportBlzFile(source, BlzTargetPath(), "");
    if (r.ok) UseBlzDirectory(BlzTargetPath());
    return r;
}

void AppValues::FindSclDirectory() {
    m_strSclIniPath.clear();
    m_strSclStand.clear();
    std::string path;
    if (IsFile(m_programFolder + "NVSCL.INI")) path = m_programFolder + "NVSCL.INI";
    else if (IsFile(m_strDataFolder + "/NVSCL.INI")) path = m_strDataFolder + "/NVSCL.INI";
    if (!path.empty()) UseSclDirectory(path);
}

bool AppValues::Startup(const std::optional<std::string>& dataFolderOverride,
                          const std::optional<std::string>& sclOverride) {
    if (dataFolderOverride) {
        std::error_code ec;
        fs::create_directories(FsPath(*dataFolderOverride), ec);
        if (!IsDirectory(*dataFolderOverride)) return false;
        m_strDataFolder = *dataFolderOverride;
        while (m_strDataFolder.size() > 1 && m_strDataFolder.back() == '/') m_strDataFolder.pop_back();
    } else {
        m_strDataFolder = DetermineDataFolder();
    }
    m_schemasWritten = ExtractSchemas(m_strDataFolder);
    m_strReportFile = Format("%s/%X.htm", m_strDataFolder.c_str(), static_cast<unsigned>(getpid()));
    if (sclOverride) UseSclDirectory(*sclOverride);
    else FindSclDirectory();
    UseBlzDirectory(BlzTargetPath());
    return true;
}

void AppValues::MigrateLegacyProfile() {
    const std::string current = "HKCU\\Software\\Norvane\\Valorix";
    if (m_profile.KeyExists(current)) return;
    for (const char* legacy : {"HKCU\\Software\\Brelot\\Valorix", "HKCU\\Software\\Quendal\\Valorix"}) {
        if (!m_profile.KeyExists(legacy)) continue;
        m_profile.MoveRegistryTree(legacy, current);  // the result does not matter
        return;
    }
}

}  // namespace valorix
