// The checks of the fuzzing targets' outputs. They are built without the
// coverage instrumentation: the fuzzer is to explore the program, not them.
#pragma once
#include <cstddef>
#include <string>

#include "markup.h"

namespace valorix::fuzz {

/// Stops the run when `page` is not well-formed in the sense of `kind`.
void ExpectWellFormed(const std::string& page, Markup kind, const char* what);

/// Stops the run unless `line` is one line of JSON: an object naming `file`
/// (UTF-8), with `reportLines` report lines and a summary when `summary`.
void ExpectJsonLine(const std::string& line, const std::string& file, size_t reportLines, bool summary);

}  // namespace valorix::fuzz
