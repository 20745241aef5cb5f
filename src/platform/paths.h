// Folders and file-system queries of the platform.
#pragma once
#include <string>

namespace valorix {

/// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();
/// The common application data folder: $XDG_DATA_HOME, else ~/.local/share.
std::string BaseFolder();
/// True when any file-system entry (file or folder) of that name exists.
bool EntryExists(const std::string& path);
bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);

}  // namespace valorix
