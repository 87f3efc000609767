// Windows command lines as text: how one is built from an argument list, how a program's command
// line is split into its program and arguments, and how an association's command is filled in.
#pragma once

#include <string>
#include <vector>

namespace discsetup {

// The line Wine builds for a Windows program started from a Unix shell: the program in double
// quotes, then each argument after one blank, in double quotes when it is empty or holds a blank or
// tab, with a double quote inside written as \" and the backslashes before a double quote, or
// before the closing one, doubled: the usual Windows argument quoting, undone by
// SplitWindowsArguments.
std::string WineCommandLine(const std::vector<std::string>& arguments);

// One reading of a command line: the program's path as written, quotes removed, and the rest of
// the line after it, which holds the program's arguments.
struct ProgramReading {
  std::string program;
  std::string arguments;

  bool operator==(const ProgramReading& other) const {
    return program == other.program && arguments == other.arguments;
  }
};

// The readings of `command_line` that WinExec tries, in order, after leading blanks and tabs. A
// quoted first token is the only reading (to the next quote, or to the end of the line when there
// is none). An unquoted one ends at the first blank or tab; then each longer prefix that ends
// before a later run of blanks follows, the whole line without trailing blanks last. Empty for an
// empty or blank line.
std::vector<ProgramReading> ProgramReadings(const std::string& command_line);

// The program of a command as FindExecutableA reports it: the first token without its quotes,
// an unquoted one cut at the first blank or tab.
std::string CommandProgram(const std::string& command_line);

// The arguments as a Windows program's run-time library splits them: blanks and tabs separate
// outside quotes; 2n backslashes before a double quote give n backslashes and the quote opens or
// closes a quoted stretch; 2n+1 give n backslashes and a literal quote; inside a quoted stretch a
// doubled quote is a literal quote; other backslashes are ordinary bytes; "" is an empty argument.
std::vector<std::string> SplitWindowsArguments(const std::string& arguments);

// The command of a file association with its placeholders filled in, as the shell does before it
// runs it: %1, %L and %l become `file` as given (not quoted); %2 to %9 the first, second, ...
// token of `parameters` as written there (quotes kept); %* all of `parameters`; %% a percent sign;
// %0 nothing. A percent sign before any other byte, or at the end, is dropped and the byte kept.
// The file is not added when the command names no placeholder.
std::string ExpandAssociationCommand(const std::string& command, const std::string& file,
                                     const std::string& parameters);

}  // namespace discsetup
