#include "platform/prompt.h"

#include "platform/shellopen.h"

namespace valorix {

bool IPrompt::OpenUrl(const std::string& url) { return ShellOpen(url); }

}  // namespace valorix
