// Command-line arguments as the programs' run-time library splits them, and the program directory.
#pragma once

#include <functional>
#include <string>

namespace discsetup {

// Argument n (n >= 1) of a raw command line; the empty text when there is no such argument. The
// first token (the program name as typed) is skipped. Bytes 1 to 32 separate arguments, a double
// quote opens a stretch that runs to the next one (or the end), quotes are dropped, a pair of
// quotes where an argument would begin is skipped, and there is no escape. Arguments are taken
// whole, whatever their length.
std::string CommandLineArgument(const std::string& command_line, int n);

// The number of arguments after the program name.
int CommandLineArgumentCount(const std::string& command_line);

// `path` cut after its last "\" or ":", or the empty text when it holds neither. A separator byte
// that trails a lead byte of a double-byte character is no separator.
std::string ProgramDirectory(const std::string& path,
                             const std::function<bool(unsigned char)>& is_lead_byte);

}  // namespace discsetup
