// valorix-check: the command-line front end over the check engine.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace valorix {

/// Runs valorix-check with `args` (without the program name). Exit status: 0
/// every file passed, 1 some file did not, 2 usage error or a file that could
/// not be read or checked.
int RunValorixCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace valorix
