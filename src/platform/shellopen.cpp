#include "platform/shellopen.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/paths.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;
#endif

namespace valorix {
namespace {

#ifdef _WIN32

// The shell's "open" verb: the associated program of a document, the
// browser of an address. ShellExecute's result above 32 means it started.
bool SystemOpen(const std::string& target) {
    const std::wstring wide = WidePath(target);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

#else

// Runs xdg-open from a child process that waits for it at most two seconds:
// a launcher that hands the file on ends at once with its verdict, one that
// stays with the viewer is taken as success; either way the caller is never
// held longer, and the launcher is not left as a zombie of this process.
bool XdgOpen(const std::string& target) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        pid_t opener = 0;
        char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target.c_str()), nullptr};
        if (posix_spawnp(&opener, "xdg-open", nullptr, nullptr, argv, environ) != 0) _exit(1);
        for (int i = 0; i < 40; ++i) {
            int status = 0;
            if (waitpid(opener, &status, WNOHANG) == opener)
                _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SystemOpen(const std::string& target) { return XdgOpen(target); }

#endif

ShellOpenFn& Current() {
    static ShellOpenFn fn = SystemOpen;
    return fn;
}

}  // namespace

bool ShellOpen(const std::string& target) { return Current()(target); }

ShellOpenFn SetShellOpen(ShellOpenFn fn) {
    ShellOpenFn previous = Current();
    Current() = fn ? std::move(fn) : ShellOpenFn(SystemOpen);
    return previous;
}

}  // namespace valorix
