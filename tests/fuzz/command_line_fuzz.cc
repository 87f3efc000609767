// Command lines as a Windows program's start sees them. Splitting must agree with a plain blank
// split when there are no quotes, and must undo a careful quoting of any argument list; the lines
// Wine builds must split back into their arguments where its quoting can carry them; the program
// readings must be cut from the line itself; and an association's command may only bring in the
// file where a placeholder asks for it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/windows_command_line.h"

namespace {

using discsetup::CommandProgram;
using discsetup::ExpandAssociationCommand;
using discsetup::ProgramReading;
using discsetup::ProgramReadings;
using discsetup::SplitWindowsArguments;
using discsetup::WineCommandLine;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(const std::string& text, std::size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// The quoting that survives every splitting rule: backslashes are doubled only where a quote
// follows them, which is the one place the splitter reads them specially.
std::string CarefulQuote(const std::string& argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(2 * backslashes + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

std::vector<std::string> BlankSplit(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = SkipBlanks(line, 0);
  while (i < line.size()) {
    std::size_t end = i;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    words.push_back(line.substr(i, end - i));
    i = SkipBlanks(line, end);
  }
  return words;
}

void CheckSplit(const std::string& line) {
  const std::vector<std::string> tokens = SplitWindowsArguments(line);
  std::size_t total = 0;
  for (const std::string& token : tokens) total += token.size();
  Require(total <= line.size());
  Require(SplitWindowsArguments(" \t " + line) == tokens);
  if (line.find('"') == std::string::npos) Require(tokens == BlankSplit(line));

  std::string requoted;
  for (const std::string& token : tokens) requoted += CarefulQuote(token) + " ";
  Require(SplitWindowsArguments(requoted) == tokens);
}

void CheckReadings(const std::string& line) {
  const std::vector<ProgramReading> readings = ProgramReadings(line);
  Require(CommandProgram(line) == (readings.empty() ? std::string() : readings.front().program));
  const std::size_t start = SkipBlanks(line, 0);
  if (start == line.size()) {
    Require(readings.empty());
    return;
  }
  Require(!readings.empty());
  if (line[start] == '"') {
    Require(readings.size() == 1);
    const ProgramReading& only = readings[0];
    Require(only.program.find('"') == std::string::npos);
    Require(line.compare(start + 1, only.program.size(), only.program) == 0);
    const std::size_t after = start + 1 + only.program.size();
    if (after == line.size()) {
      Require(only.arguments.empty());
    } else {
      Require(line[after] == '"');
      Require(only.arguments == line.substr(SkipBlanks(line, after + 1)));
    }
    return;
  }
  std::size_t previous = 0;
  for (std::size_t k = 0; k < readings.size(); ++k) {
    const ProgramReading& reading = readings[k];
    const std::string& program = reading.program;
    Require(!program.empty() && program.size() > previous);
    previous = program.size();
    Require(line.compare(start, program.size(), program) == 0);
    Require(!IsBlank(program.back()));
    const std::size_t after = start + program.size();
    Require(after == line.size() || IsBlank(line[after]));
    Require(reading.arguments == line.substr(SkipBlanks(line, after)));
    if (k == 0) Require(program.find_first_of(" \t") == std::string::npos);
  }
  Require(readings.back().arguments.empty());
  // One reading per word: every run of blanks followed by more text starts another.
  Require(readings.size() == BlankSplit(line.substr(start)).size());
}

// Wine's quoting cannot carry a backslash before a quote, nor one at the end of a quoted argument:
// those are taken out so that the round trip has something to hold to.
void MakeCarriable(std::vector<std::string>* arguments) {
  for (std::size_t i = 0; i < arguments->size(); ++i) {
    std::string& argument = (*arguments)[i];
    std::size_t at;
    while ((at = argument.find("\\\"")) != std::string::npos) argument.erase(at, 1);
    const bool quoted =
        i == 0 || argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    if (quoted) {
      while (!argument.empty() && argument.back() == '\\') argument.pop_back();
    }
  }
}

void CheckWineLine(std::vector<std::string> arguments) {
  if (arguments.empty()) return;
  MakeCarriable(&arguments);
  const std::string line = WineCommandLine(arguments);
  Require(SplitWindowsArguments(line) == arguments);
  if (arguments[0].find('"') != std::string::npos) return;
  const std::vector<ProgramReading> readings = ProgramReadings(line);
  Require(readings.size() == 1 && readings[0].program == arguments[0]);
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  Require(SplitWindowsArguments(readings[0].arguments) == rest);
  Require(readings[0].arguments.empty() == rest.empty());
}

void CheckExpand(std::string command, std::string file, std::string parameters) {
  // \x01 marks the file: kept out of everything else, it counts the file's appearances.
  for (std::string* text : {&command, &file, &parameters}) {
    std::size_t at;
    while ((at = text->find('\x01')) != std::string::npos) text->erase(at, 1);
  }
  file = "\x01" + file;
  const std::string expanded = ExpandAssociationCommand(command, file, parameters);

  std::size_t placeholders = 0, file_placeholders = 0;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] != '%' || i + 1 == command.size()) continue;
    ++placeholders;
    const char c = command[++i];
    if (c == '1' || c == 'L' || c == 'l') ++file_placeholders;
  }
  std::size_t marks = 0;
  for (const char c : expanded) marks += c == '\x01';
  Require(marks == file_placeholders);
  Require(expanded.size() <=
          command.size() + placeholders * std::max(file.size(), parameters.size()));
  if (command.find('%') == std::string::npos) Require(expanded == command);

  const std::vector<std::string> tokens = SplitWindowsArguments(parameters);
  Require(ExpandAssociationCommand("%*", file, parameters) == parameters);
  for (char n = '2'; n <= '9'; ++n) {
    const std::string one = ExpandAssociationCommand(std::string("%") + n, file, parameters);
    const std::size_t index = static_cast<std::size_t>(n - '2');
    if (index >= tokens.size()) {
      Require(one.empty());
      continue;
    }
    // The token as written: a piece of the parameters that splits into that one argument.
    Require(parameters.find(one) != std::string::npos);
    Require(SplitWindowsArguments(one) == std::vector<std::string>{tokens[index]});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string line = input.ConsumeRandomLengthString(4096);
  CheckSplit(line);
  CheckReadings(line);

  std::vector<std::string> arguments;
  const int count = input.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < count; ++i) arguments.push_back(input.ConsumeRandomLengthString(128));
  CheckWineLine(arguments);
  // Any argument list, carefully quoted, must come back whole.
  std::string quoted;
  for (const std::string& argument : arguments) quoted += CarefulQuote(argument) + "\t";
  Require(SplitWindowsArguments(quoted) == arguments);

  const std::string command = input.ConsumeRandomLengthString(512);
  const std::string file = input.ConsumeRandomLengthString(256);
  const std::string parameters = input.ConsumeRemainingBytesAsString();
  CheckExpand(command, file, parameters);
  CheckSplit(parameters);
  CheckReadings(command);
  return 0;
}
