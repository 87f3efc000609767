// Stands in for a program that the launchers start: records its raw command line and working
// folder to standard output and, when STAND_IN_RECORD names a file, appended to that file.
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
  std::fputs(record.c_str(), stdout);
  if (const char* path = std::getenv("STAND_IN_RECORD")) {
    if (FILE* file = std::fopen(path, "ab")) {
      std::fputs(record.c_str(), file);
      std::fclose(file);
    }
  }
  return 0;
}
