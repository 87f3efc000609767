// Stands in for a program that the launchers start: records its raw command line and working
// folder, appended to the file STAND_IN_RECORD names, else to standard output.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  char cwd[MAX_PATH * 4] = {};
  GetCurrentDirectoryA(sizeof cwd, cwd);
  const std::string record =
      "cmdline: " + std::string(GetCommandLineA()) + "\ncwd: " + std::string(cwd) + "\n";
  const char* path = std::getenv("STAND_IN_RECORD");
  FILE* file = path != nullptr ? std::fopen(path, "ab") : stdout;
  if (file == nullptr) return 1;
  std::fputs(record.c_str(), file);
  return std::fclose(file) == 0 ? 0 : 1;
}
