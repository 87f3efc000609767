#include "platform/windows_command_line.h"

namespace discsetup {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// One argument of a remainder: its value, and where its text starts and ends in the line.
struct Token {
  std::string value;
  std::size_t begin;
  std::size_t end;
};

std::vector<Token> Tokens(const std::string& line) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    Token token{"", i, i};
    bool quoted = false;
    while (i < line.size()) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        token.value.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          token.value += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          // The run-time libraries since 2008 keep the stretch open after a doubled quote.
          token.value += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
        continue;
      }
      token.value.append(backslashes, '\\');
      if (i == line.size() || (IsBlank(line[i]) && !quoted)) break;
      token.value += line[i++];
    }
    token.end = i;
    tokens.push_back(token);
  }
  return tokens;
}

std::size_t SkipBlanks(const std::string& text, std::size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

}  // namespace

std::string WineCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (i > 0) line += ' ';
    const bool quoted =
        i == 0 || argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    if (quoted) line += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++backslashes;
      } else {
        // Backslashes read as escapes only before a quote: there they are doubled.
        if (c == '"') line.append(backslashes + 1, '\\');
        backslashes = 0;
      }
      line += c;
    }
    if (quoted) line.append(backslashes, '\\');
    if (quoted) line += '"';
  }
  return line;
}

std::vector<ProgramReading> ProgramReadings(const std::string& command_line) {
  std::vector<ProgramReading> readings;
  const std::size_t start = SkipBlanks(command_line, 0);
  if (start == command_line.size()) return readings;
  if (command_line[start] == '"') {
    const std::size_t close = command_line.find('"', start + 1);
    if (close == std::string::npos) {
      readings.push_back({command_line.substr(start + 1), ""});
    } else {
      readings.push_back({command_line.substr(start + 1, close - start - 1),
                          command_line.substr(SkipBlanks(command_line, close + 1))});
    }
    return readings;
  }
  std::size_t end = start;
  while (end < command_line.size()) {
    while (end < command_line.size() && !IsBlank(command_line[end])) ++end;
    const std::size_t next = SkipBlanks(command_line, end);
    readings.push_back({command_line.substr(start, end - start), command_line.substr(next)});
    end = next;
  }
  return readings;
}

std::string CommandProgram(const std::string& command_line) {
  const std::vector<ProgramReading> readings = ProgramReadings(command_line);
  return readings.empty() ? "" : readings.front().program;
}

std::vector<std::string> SplitWindowsArguments(const std::string& arguments) {
  std::vector<std::string> values;
  for (Token& token : Tokens(arguments)) values.push_back(std::move(token.value));
  return values;
}

std::string ExpandAssociationCommand(const std::string& command, const std::string& file,
                                     const std::string& parameters) {
  const std::vector<Token> tokens = Tokens(parameters);
  std::string expanded;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] != '%') {
      expanded += command[i];
      continue;
    }
    if (++i == command.size()) break;
    const char c = command[i];
    if (c == '1' || c == 'L' || c == 'l') {
      expanded += file;
    } else if (c >= '2' && c <= '9') {
      const std::size_t n = static_cast<std::size_t>(c - '2');
      if (n < tokens.size()) {
        expanded += parameters.substr(tokens[n].begin, tokens[n].end - tokens[n].begin);
      }
    } else if (c == '*') {
      expanded += parameters;
    } else if (c != '0') {
      expanded += c;  // %% among them
    }
  }
  return expanded;
}

}  // namespace discsetup
