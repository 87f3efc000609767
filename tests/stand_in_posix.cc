// Stands in for a program that the launchers start: records its arguments and working folder, one
// per line, appended to the file STAND_IN_RECORD names, else to standard output.
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
  const char* path = std::getenv("STAND_IN_RECORD");
  FILE* file = path != nullptr ? std::fopen(path, "a") : stdout;
  if (file == nullptr) return 1;
  std::fputs(record.c_str(), file);
  return std::fclose(file) == 0 ? 0 : 1;
}
