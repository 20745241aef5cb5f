// Files that more than one run of the program may touch at once: an
// exclusive lock, and a new file of a unique name for a download.
#pragma once
#include <cstdint>
#include <string>

namespace valorix {

/// An exclusive lock on the file `path` (created when missing), held from a
/// successful construction to destruction. Without `waitMs` it is never
/// waited for: a lock another process holds makes Held() false; with it the
/// lock is tried again until it is free or that many milliseconds have
/// passed. The lock ends with the process, too.
class CFileLock {
public:
    explicit CFileLock(const std::string& path, int waitMs = 0);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    bool Held() const { return m_held; }

private:
    bool Wait(int waitMs);

    intptr_t m_handle;
    bool m_held = false;
};

/// Creates a new file named `path` with its final "XXXXXX" replaced (as
/// mkstemp does, but readable by all as a file it replaces) and opens it for
/// writing in binary mode; its descriptor, or
/// -1 (then `path` is unspecified).
int CreateUniqueFile(std::string& path);
/// Writes the file of the descriptor through to the disk; false on failure.
bool SyncDescriptor(int fd);
/// Closes a descriptor of CreateUniqueFile.
void CloseDescriptor(int fd);

}  // namespace valorix
