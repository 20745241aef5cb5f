#include "platform/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

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

std::string NotRegularFileText(const std::string& path) {
    return Format(A("'%s' ist keine gewöhnliche Datei (sondern ein Ordner, ein Gerät oder eine Pipe) und wird nicht gelesen!").c_str(),
                  path.c_str());
}

}  // namespace valorix
