#include <iostream>

#include "cli/cli.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    valorix::PrepareStandardStreams();
    return valorix::RunValorixCheck(valorix::CommandLineArguments(argc, argv), std::cout, std::cerr);
}
