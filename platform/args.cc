#include "platform/args.h"

#include <cstddef>

namespace discsetup {
namespace {

bool IsSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

// Splits the argument that starts at or after `pos` into *argument and returns the position after
// it. The line is read as a C string: a NUL byte ends it.
std::size_t NextArgument(const std::string& line, std::size_t pos, std::string* argument) {
  const std::size_t end = line.find('\0') == std::string::npos ? line.size() : line.find('\0');
  for (;;) {
    while (pos < end && IsSeparator(line[pos])) ++pos;
    if (pos + 1 < end && line[pos] == '"' && line[pos + 1] == '"') {
      pos += 2;
    } else {
      break;
    }
  }
  argument->clear();
  bool quoted = false;
  while (pos < end && (quoted || !IsSeparator(line[pos]))) {
    if (line[pos] == '"') {
      quoted = !quoted;
    } else {
      argument->push_back(line[pos]);
    }
    ++pos;
  }
  return pos;
}

}  // namespace

std::string CommandLineArgument(const std::string& command_line, int n) {
  std::string argument;
  std::size_t pos = NextArgument(command_line, 0, &argument);
  for (int i = 1; i <= n; ++i) {
    pos = NextArgument(command_line, pos, &argument);
    if (argument.empty()) break;
  }
  return argument;
}

int CommandLineArgumentCount(const std::string& command_line) {
  std::string argument;
  std::size_t pos = NextArgument(command_line, 0, &argument);
  int count = 0;
  for (;;) {
    pos = NextArgument(command_line, pos, &argument);
    if (argument.empty()) return count;
    ++count;
  }
}

std::string ProgramDirectory(const std::string& path,
                             const std::function<bool(unsigned char)>& is_lead_byte) {
  std::size_t cut = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte == '\\' || byte == ':') {
      cut = i + 1;
    } else if (is_lead_byte(byte) && i + 1 < path.size()) {
      ++i;  // the trail byte may have any value, a backslash included
    }
  }
  return path.substr(0, cut);
}

}  // namespace discsetup
