// What the fuzzing targets share: a scratch folder, writing an input to a
// file, and the report of a broken property.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace valorix::fuzz {

/// A new folder of the run's own, in memory where the system offers a tmpfs
/// (/dev/shm), else below /tmp; removed when the run ends normally.
inline std::string ScratchFolder() {
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm/valorix-fuzz-XXXXXX" : "/tmp/valorix-fuzz-XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    static std::string* made = nullptr;
    if (!made) {
        made = new std::string(folder);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*made, ec);
        });
    }
    return folder;
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) std::abort();
}

/// A property the code promises does not hold: says which and stops the
/// run, so that libFuzzer keeps the input.
[[noreturn]] inline void Fault(const std::string& what, const std::string& detail) {
    std::fprintf(stderr, "\n*** %s\n%.4000s\n", what.c_str(), detail.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace valorix::fuzz
