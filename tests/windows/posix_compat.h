// The few POSIX calls the test suites share with the Linux build, written
// with the C library of Windows. Included before every test source of the
// Windows build.
#pragma once
#ifdef _WIN32
#include <direct.h>
#include <process.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

/// Replaces the final "XXXXXX" of `templ` and creates that folder; `templ`, or null.
inline char* mkdtemp(char* templ) {
    const size_t n = std::strlen(templ);
    if (n < 6) {
        errno = EINVAL;
        return nullptr;
    }
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long seed =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<unsigned long long>(_getpid()) << 24) ^ reinterpret_cast<uintptr_t>(templ);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        for (int i = 0; i < 6; ++i) templ[n - 6 + i] = kDigits[(seed >> (16 + 5 * i)) % 36];
        if (_mkdir(templ) == 0) return templ;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name)) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }
#endif
