#include "platform/console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/paths.h"
#endif

namespace valorix {

#ifdef _WIN32

void PrepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv + (argc > 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8Path(wide[i]));
    LocalFree(wide);
    return args;
}

#else

void PrepareStandardStreams() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0), argv + argc);
}

#endif

}  // namespace valorix
