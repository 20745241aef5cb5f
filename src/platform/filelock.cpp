#include "platform/filelock.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/paths.h"
#else
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <thread>

namespace valorix {

#ifdef _WIN32

namespace {
bool TryLock(intptr_t handle) {
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    OVERLAPPED whole{};
    return h != INVALID_HANDLE_VALUE &&
           LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole);
}
bool Opened(intptr_t handle) { return reinterpret_cast<HANDLE>(handle) != INVALID_HANDLE_VALUE; }
}  // namespace

CFileLock::CFileLock(const std::string& path, int waitMs)
    : m_handle(reinterpret_cast<intptr_t>(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))) {
    m_held = Wait(waitMs);
}

CFileLock::~CFileLock() {
    const HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);  // closing releases the lock
}

int CreateUniqueFile(std::string& path) {
    if (path.size() < 6) return -1;
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^
                              reinterpret_cast<uintptr_t>(&path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        for (int i = 0; i < 6; ++i) path[path.size() - 6 + i] = kDigits[(seed >> (16 + 5 * i)) % 36];
        HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return -1;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd < 0) CloseHandle(h);
        return fd;
    }
    return -1;
}

bool SyncDescriptor(int fd) { return _commit(fd) == 0; }

void CloseDescriptor(int fd) { _close(fd); }

#else

namespace {
bool TryLock(intptr_t handle) { return handle >= 0 && ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0; }
bool Opened(intptr_t handle) { return handle >= 0; }
}  // namespace

CFileLock::CFileLock(const std::string& path, int waitMs)
    : m_handle(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    m_held = Wait(waitMs);
}

CFileLock::~CFileLock() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));  // closing releases the lock
}

int CreateUniqueFile(std::string& path) {
    const int fd = ::mkstemp(path.data());
    if (fd >= 0) ::fchmod(fd, 0644);  // readable as the file it will replace
    return fd;
}

bool SyncDescriptor(int fd) { return ::fsync(fd) == 0; }

void CloseDescriptor(int fd) { ::close(fd); }

#endif

bool CFileLock::Wait(int waitMs) {
    if (TryLock(m_handle)) return true;
    if (!Opened(m_handle)) return false;
    // Polled rather than blocked on, so that the wait has its bound.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (TryLock(m_handle)) return true;
    }
    return false;
}

}  // namespace valorix
