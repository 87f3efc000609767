// Splits any command line: every argument must come out whole, without quotes or separators
// outside quoted stretches, and the count must agree with the arguments that are there. The
// program directory of any path must be a prefix of it ending in a separator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/args.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const int count = discsetup::CommandLineArgumentCount(line);
  std::size_t total = 0;
  for (int n = 1; n <= count + 1; ++n) {
    const std::string argument = discsetup::CommandLineArgument(line, n);
    if ((n <= count) == argument.empty()) std::abort();
    if (argument.find('"') != std::string::npos || argument.find('\0') != std::string::npos) {
      std::abort();
    }
    total += argument.size();
  }
  if (total > size) std::abort();

  const auto lead = [](unsigned char byte) { return byte >= 0x81 && byte <= 0x9F; };
  const std::string directory = discsetup::ProgramDirectory(line, lead);
  if (line.compare(0, directory.size(), directory) != 0) std::abort();
  if (!directory.empty() && directory.back() != '\\' && directory.back() != ':') std::abort();
  return 0;
}
