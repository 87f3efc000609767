// Windows command lines as text: how one is built from an argument list, and how a program's
// command line is split into its program and arguments.
#pragma once

#include <string>
#include <vector>

namespace discsetup {

// The line Wine builds for a Windows program started from a Unix shell: the program in double
// quotes, then each argument after one blank, in double quotes when it is empty or holds a blank or
// tab, with a double quote inside written as \".
std::string WineCommandLine(const std::vector<std::string>& arguments);

}  // namespace discsetup
