// The process's standard streams and command line as a command-line program
// reads and writes them.
#pragma once
#include <string>
#include <vector>

namespace valorix {

/// Standard input, output and error carry bytes as they are (on Windows no
/// line-end translation), and a console window shows the output as UTF-8.
void PrepareStandardStreams();
/// The arguments after the program's name, as UTF-8 (on Windows read from
/// the wide command line, so that a name outside the code page survives).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace valorix
