#include "platform/paths.h"

#ifdef _WIN32
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/codepage.h"

namespace valorix {

std::filesystem::path FsPath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(WidePath(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string PathString(const std::filesystem::path& path) {
#ifdef _WIN32
    return Utf8Path(path.c_str());
#else
    return path.string();
#endif
}

bool IsRootedPath(const std::string& utf8) {
#ifdef _WIN32
    return FsPath(utf8).has_root_directory();
#else
    return !utf8.empty() && utf8[0] == '/';
#endif
}

std::string NativeSeparators(std::string utf8) {
#ifdef _WIN32
    std::replace(utf8.begin(), utf8.end(), '/', '\\');
#endif
    return utf8;
}

std::string ShownPath(std::string_view utf8) { return PathText(NativeSeparators(std::string(utf8))); }

#ifdef _WIN32

std::wstring WidePath(std::string_view utf8) {
    const std::u16string u16 = Utf8ToUtf16(utf8);
    return std::wstring(u16.begin(), u16.end());
}

std::string Utf8Path(const wchar_t* wide) { return Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide)); }

std::string ProgramFolder() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return ".\\";
        if (n < buf.size()) break;
        buf.resize(buf.size() * 2);  // a long path: the name was cut
    }
    std::string exe = Utf8Path(buf.data());
    const size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? ".\\" : exe.substr(0, slash + 1);
}

std::string BaseFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return xdg;
    PWSTR folder = nullptr;
    std::string base;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder))) base = Utf8Path(folder);
    CoTaskMemFree(folder);
    return base;
}

FileStamp StatFile(const std::string& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.regular = !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    // FILETIME counts 100 ns since 1601-01-01.
    const long long ticks = (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                            data.ftLastWriteTime.dwLowDateTime;
    stamp.modifiedNs = (ticks - 116444736000000000LL) * 100;
    stamp.size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return stamp;
}

namespace {
DWORD Attributes(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WidePath(path).c_str());
}

// Writes all of `content` to the open file; false on a short or failed write.
bool WriteAll(HANDLE h, std::string_view content) {
    for (size_t done = 0; done < content.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        if (!WriteFile(h, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}
}  // namespace

bool EntryExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::string& path) {
    const DWORD a = Attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return false;
    // Device names such as "NUL" have attributes too: only a handle tells.
    HANDLE h = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;  // there, but not to be opened now: a file all the same
    const bool disk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return disk;
}

bool IsDirectory(const std::string& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MayOverwrite(const std::string& path) {
    const DWORD a = Attributes(path);
    return a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_READONLY);
}

std::string WriteTemporaryBeside(const std::string& path, std::string_view content) {
    // A new name of the same folder that nobody else created: CREATE_NEW fails
    // on an existing file, so a name taken meanwhile is simply skipped.
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^
                              reinterpret_cast<uintptr_t>(&content);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = path + ".tmp-";
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        for (int i = 0; i < 6; ++i) temporary += kDigits[(seed >> (16 + 5 * i)) % 36];
        HANDLE h = CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return {};
        }
        bool ok = WriteAll(h, content);
        ok = FlushFileBuffers(h) && ok;
        ok = CloseHandle(h) && ok;
        if (!ok) {
            DeleteFileW(WidePath(temporary).c_str());
            return {};
        }
        return temporary;
    }
    return {};
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& path) {
    // A file another program has open without sharing its deletion (a
    // schema the parser of another run reads) cannot be replaced until it
    // is closed: tried again for a moment, unless it is write-protected or
    // a folder, which stays so.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        const DWORD a = Attributes(path);
        const bool busy = (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) &&
                          a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
        if (!busy || attempt == 40) break;
        Sleep(25);
    }
    DeleteFileW(WidePath(temporary).c_str());
    return false;
}

namespace {

bool WriteIntoExisting(const std::string& path, std::string_view content) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteAll(h, content);
    return CloseHandle(h) && ok;
}

}  // namespace

#else

std::string ProgramFolder() {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "./";
    std::string exe(buf.data(), static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string BaseFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share";
}

FileStamp StatFile(const std::string& path) {
    FileStamp stamp;
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.regular = S_ISREG(st.st_mode);
    stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.size = static_cast<long long>(st.st_size);
    return stamp;
}

bool EntryExists(const std::string& path) {
    struct stat st;
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MayOverwrite(const std::string& path) { return !EntryExists(path) || ::access(path.c_str(), W_OK) == 0; }

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string WriteTemporaryBeside(const std::string& path, std::string_view content) {
    // The file that takes the place of `path` has its mode: a report kept
    // private stays private. A new file has the mode the process gives new
    // files (its umask applies), not that of mkstemp.
    struct stat existing;
    const bool replaces = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = path + ".tmp-XXXXXX";
        const int probe = ::mkstemp(temporary.data());  // a unique name
        if (probe < 0) return {};
        ::close(probe);
        ::unlink(temporary.c_str());
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return {};
    }
    if (fd < 0) return {};
    bool ok = true;
    for (size_t done = 0; ok && done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    if (replaces) ok = ok && ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

namespace {

bool WriteIntoExisting(const std::string& path, std::string_view content) {
    // Without waiting for a reader of a FIFO; then the writes block as usual.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    bool ok = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    for (size_t done = 0; ok && done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

#endif

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    // A symbolic link stays: the file it leads to is replaced, or made
    // when the link leads nowhere yet. Followed link by link, as far as the
    // system would follow it.
    namespace fs = std::filesystem;
    std::string target = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(FsPath(target), ec); ++hops) {
        const fs::path link = FsPath(target), to = fs::read_symlink(link, ec);
        if (ec || to.empty()) break;
        target = PathString(to.is_absolute() ? to : link.parent_path() / to);
    }
    // A device or a pipe (/dev/stdout, NUL) is written into, never replaced.
    const FileStamp stamp = StatFile(target);
    if (stamp.exists && !stamp.regular && !IsDirectory(target)) return WriteIntoExisting(target, content);
    const std::string temporary = WriteTemporaryBeside(target, content);
    return !temporary.empty() && ReplaceWithTemporary(temporary, target);
}

}  // namespace valorix
