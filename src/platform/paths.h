// Folders and file-system queries of the platform.
#pragma once
#include <string>
#include <string_view>

namespace valorix {

/// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();
/// The common application data folder: $XDG_DATA_HOME, else ~/.local/share.
std::string BaseFolder();
/// True when any file-system entry (file or folder) of that name exists.
bool EntryExists(const std::string& path);
bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);

/// A new file beside `path` (a unique name in the same folder) holding
/// `content`, written and synced; its name, or "" when it cannot be written.
std::string WriteTemporaryBeside(const std::string& path, std::string_view content);
/// Puts a file from WriteTemporaryBeside (or any file in the same folder) in
/// the place of `path` in one step and syncs the folder; on failure the
/// temporary file is removed and `path` is as it was.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& path);
/// Both in one: `path` holds either its old content or `content`, never a part.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace valorix
