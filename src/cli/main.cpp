#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return valorix::RunValorixCheck(args, std::cout, std::cerr);
}
