#include "platform/inputfile.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <new>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/strutil.h"

namespace valorix {

#ifdef _WIN32

bool StandardInputUsable() {
    const HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
    return h != nullptr && h != INVALID_HANDLE_VALUE && _fileno(stdin) >= 0;
}

bool StandardInputIsFile(const std::string& path) {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE || GetFileType(in) != FILE_TYPE_DISK) return false;
    const HANDLE h = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    const bool same = GetFileInformationByHandle(in, &a) && GetFileInformationByHandle(h, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(h);
    return same;
}

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

bool StandardInputUsable() {
    struct stat st;
    return fstat(STDIN_FILENO, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool StandardInputIsFile(const std::string& path) {
    struct stat in, st;
    return !path.empty() && fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode) && stat(path.c_str(), &st) == 0 &&
           in.st_dev == st.st_dev && in.st_ino == st.st_ino;
}

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

bool StandardInputFailed() { return std::ferror(stdin) != 0; }

StreamRead ReadBounded(std::istream& in, unsigned long long maxBytes, std::string& bytes, unsigned long long* size) {
    bytes.clear();
    *size = 0;
    // A stream that tells its size (standard input from a file) is refused
    // by it before a byte is read.
    const std::streampos start = in.tellg();
    if (start != std::streampos(-1) && in.seekg(0, std::ios::end)) {
        const std::streampos end = in.tellg();
        if (end != std::streampos(-1) && end >= start && static_cast<unsigned long long>(end - start) > maxBytes) {
            *size = static_cast<unsigned long long>(end - start);
            return StreamRead::TooLarge;
        }
        in.seekg(start);
    }
    in.clear();
    // Read in blocks, up to one byte past the bound, then joined into room of
    // the exact size, each block freed once it is copied: the bytes are never
    // held twice, as one string growing by copies would hold them.
    constexpr size_t kBlock = 1 << 20;
    std::vector<std::string> blocks;
    unsigned long long total = 0;
    for (;;) {
        std::string block(static_cast<size_t>(std::min<unsigned long long>(kBlock, maxBytes + 1 - total)), '\0');
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        block.resize(static_cast<size_t>(in.gcount()));
        total += block.size();
        if (!block.empty()) blocks.push_back(std::move(block));
        if (total > maxBytes) return StreamRead::TooLarge;
        if (in.bad()) return StreamRead::Failed;
        if (!in) break;  // the end of the stream
    }
    bytes.reserve(static_cast<size_t>(total));
    for (std::string& block : blocks) {
        bytes += block;
        std::string().swap(block);
    }
    return StreamRead::Whole;
}

CMemoryStream::CBuffer::CBuffer(const char* data, size_t size) {
    char* begin = const_cast<char*>(data);  // the get area is only read
    setg(begin, begin, begin + size);
}

CMemoryStream::CBuffer::pos_type CMemoryStream::CBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                                                 std::ios_base::openmode which) {
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    const off_type size = egptr() - eback();
    const off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : size;
    if (off < -base || off > size - base) return pos_type(off_type(-1));
    setg(eback(), eback() + base + off, egptr());
    return pos_type(base + off);
}

CMemoryStream::CBuffer::pos_type CMemoryStream::CBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

CMemoryStream::CMemoryStream(const std::string& bytes) : std::istream(nullptr), m_buffer(bytes.data(), bytes.size()) {
    rdbuf(&m_buffer);
}

std::string NotRegularFileText(const std::string& path) {
    return Format(A("'%s' ist keine gewöhnliche Datei (sondern ein Ordner, ein Gerät oder eine Pipe) und wird nicht gelesen!").c_str(),
                  path.c_str());
}

}  // namespace valorix
