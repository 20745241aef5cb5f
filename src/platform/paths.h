// Folders and file-system queries of the platform. Paths are UTF-8 bytes;
// on Windows they reach the system through its wide-character functions.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace valorix {

/// Folder of the running executable, with a trailing separator ("/"; "\\" on Windows).
std::string ProgramFolder();
/// The common application data folder: $XDG_DATA_HOME, else ~/.local/share.
/// On Windows the system's (SHGetKnownFolderPath, FOLDERID_ProgramData),
/// unless $XDG_DATA_HOME names another, as the test suites do.
std::string BaseFolder();
/// A UTF-8 path as a std::filesystem path (UTF-16 on Windows), for streams
/// and file-system calls that must not read it in a narrow code page.
std::filesystem::path FsPath(const std::string& utf8);
/// The path back as UTF-8 (on Windows from its UTF-16 form).
std::string PathString(const std::filesystem::path& path);
/// True for a path from a root: "/x", on Windows also "C:\\x", "\\x" and "\\\\server\\x".
bool IsRootedPath(const std::string& utf8);
/// The path with the system's own separators: "\\" on Windows, where the
/// engine joins its paths with "/"; elsewhere unchanged.
std::string NativeSeparators(std::string utf8);
/// A file-system path as a message shows it (CP1252), with the system's own
/// separators: "C:\\ProgramData\\Norvane\\Valorix\\NVSCL.INI", not a mix.
std::string ShownPath(std::string_view utf8);
#ifdef _WIN32
std::wstring WidePath(std::string_view utf8);
std::string Utf8Path(const wchar_t* wide);
#endif
/// What a directory file's reader asks of it to tell whether it changed.
struct FileStamp {
    bool exists = false;
    bool regular = false;        ///< a file, not a folder or a device
    long long modifiedNs = -1;   ///< time of the last change, ns since 1970
    long long size = -1;
};
/// The stamp of `path` (following a symbolic link); exists false when there is none.
FileStamp StatFile(const std::string& path);
/// True when any file-system entry (file or folder) of that name exists.
bool EntryExists(const std::string& path);
bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);
/// False for an entry that is write-protected (a file that may not be
/// opened for writing): a replacement by rename must leave it alone.
bool MayOverwrite(const std::string& path);
/// True when both paths name one existing file, also through links (symbolic or hard).
bool SameFile(const std::string& a, const std::string& b);

/// A new file beside `path` (a unique name in the same folder) holding
/// `content`, written and synced, with the access mode of the file at `path`
/// when there is one (else that of any new file); its name, or "" when it
/// cannot be written.
std::string WriteTemporaryBeside(const std::string& path, std::string_view content);
/// Puts a file from WriteTemporaryBeside (or any file in the same folder) in
/// the place of `path` in one step and syncs the folder; on failure the
/// temporary file is removed and `path` is as it was.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& path);
/// Both in one: `path` holds either its old content or `content`, never a
/// part. A symbolic link stays and its file is replaced; a device or a pipe
/// (an existing entry that is no file and no folder) is written into.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace valorix
