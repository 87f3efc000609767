#include "platform/windows_command_line.h"

namespace discsetup {

std::string WineCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (i > 0) line += ' ';
    const bool quoted = i == 0 || argument.empty() ||
                        argument.find_first_of(" \t") != std::string::npos;
    if (quoted) line += '"';
    for (const char c : argument) {
      if (c == '"') line += '\\';
      line += c;
    }
    if (quoted) line += '"';
  }
  return line;
}

}  // namespace discsetup
