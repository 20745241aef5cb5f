// Opening a file the user named, for reading. Only a regular file is read: a
// FIFO, a device or a socket would block the reader or never end, so such an
// entry is refused before a single byte is read from it.
#pragma once
#include <ext/stdio_filebuf.h>

#include <istream>
#include <memory>
#include <string>

namespace valorix {

class CInputFile {
public:
    enum class Status { Open, Missing, NotRegular };

    CInputFile() = default;
    ~CInputFile() = default;  // the stream goes before the buffer it reads
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    /// Opens `path` (UTF-8). The entry is opened without blocking and checked
    /// on the open descriptor, so it cannot be swapped between check and read.
    Status Open(const std::string& path);
    /// The file's bytes; valid after Open returned Status::Open.
    std::istream& Stream() { return *m_stream; }

private:
    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> m_buffer;
    std::unique_ptr<std::istream> m_stream;
};

/// The message for a refused entry ("… ist keine gewöhnliche Datei …", CP1252).
std::string NotRegularFileText(const std::string& path);

}  // namespace valorix
