// Stands in for a program that the launchers start: records its arguments and working folder, one
// per line, to standard output and, when STAND_IN_RECORD names a file, appended to that file.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  std::string record = "program: " + std::string(argv[0]) + "\n";
  for (int i = 1; i < argc; ++i) record += "arg: " + std::string(argv[i]) + "\n";
  char cwd[PATH_MAX];
  record += "cwd: " + std::string(getcwd(cwd, sizeof cwd) != nullptr ? cwd : "?") + "\n";
  std::fputs(record.c_str(), stdout);
  if (const char* path = std::getenv("STAND_IN_RECORD")) {
    if (FILE* file = std::fopen(path, "a")) {
      std::fputs(record.c_str(), file);
      std::fclose(file);
    }
  }
  return 0;
}
