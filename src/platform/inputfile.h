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

/// How a stream was read by ReadBounded.
enum class StreamRead { Whole, TooLarge, Failed };

/// Reads all of `in` into `bytes`, but no more than one byte past `maxBytes`:
/// TooLarge when it holds more than `maxBytes` (`*size` is then its size when
/// the stream can tell it, else 0), Failed when a read failed. std::bad_alloc
/// passes through.
StreamRead ReadBounded(std::istream& in, unsigned long long maxBytes, std::string& bytes, unsigned long long* size);

/// False when the process's standard input cannot be read at all: it is
/// closed, or a folder.
bool StandardInputUsable();

/// True when the process's standard input is the file `path` (a regular
/// file, by whatever name or link it is given).
bool StandardInputIsFile(const std::string& path);

/// A read of the process's standard input (std::cin) failed.
bool StandardInputFailed();

/// A stream over bytes held elsewhere, read in place: seekable, read-only,
/// no copy. The bytes must outlive it.
class CMemoryStream : public std::istream {
public:
    explicit CMemoryStream(const std::string& bytes);
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

private:
    class CBuffer : public std::streambuf {
    public:
        CBuffer(const char* data, size_t size);

    protected:
        pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
        pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    };
    CBuffer m_buffer;
};

/// The message for a refused entry ("… ist keine gewöhnliche Datei …", CP1252).
std::string NotRegularFileText(const std::string& path);

}  // namespace valorix
