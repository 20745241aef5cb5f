#include "platform/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/strutil.h"

namespace valorix {

#ifdef _WIN32

// Windows opens no folder as a file, and a device or a pipe is told by its
// handle's type: a disk file is the only thing read.
CInputFile::Status CInputFile::Open(const std::string& path) {
    m_stream.reset();
    m_buffer.reset();
    const std::wstring wide = WidePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return Status::NotRegular;
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Status::Missing;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return Status::NotRegular;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return Status::Missing;
    }
    m_buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd, std::ios::in | std::ios::binary);
    m_stream = std::make_unique<std::istream>(m_buffer.get());
    return Status::Open;
}

#else

CInputFile::Status CInputFile::Open(const std::string& path) {
    m_stream.reset();
    m_buffer.reset();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Status::Missing;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        ::close(fd);
        return Status::Missing;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::NotRegular;
    }
    // Reads of a regular file never block; the flag only mattered for the open.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd, std::ios::in | std::ios::binary);
    m_stream = std::make_unique<std::istream>(m_buffer.get());
    return Status::Open;
}

#endif

std::string NotRegularFileText(const std::string& path) {
    return Format(A("'%s' ist keine gewöhnliche Datei (sondern ein Ordner, ein Gerät oder eine Pipe) und wird nicht gelesen!").c_str(),
                  path.c_str());
}

}  // namespace valorix
