// Scripted program start and message boxes: each call takes the next scripted result (the last one
// repeats), and the tests read what was asked through the trace wrappers.
#pragma once

#include <cstring>
#include <vector>

#include "platform/message_box.h"
#include "platform/program_start.h"

namespace discsetup {

class FakeProgramStart final : public ProgramStart {
 public:
  long find_result = kStartNoAssociation;
  std::vector<long> run_results = {kStartSuccess};
  long shell_result = kStartSuccess;

  long FindExecutableFor(const char*, const char*, char* result_path) override {
    std::strcpy(result_path, find_result > 32 ? "C:\\Program.exe" : "");
    return find_result;
  }
  long ShellExecuteVerb(std::uintptr_t, const char*, const char*, const char*, const char*,
                        int) override {
    return shell_result;
  }
  long RunCommandLine(const char*, int) override {
    const long result = run_results[std::min(runs_, run_results.size() - 1)];
    ++runs_;
    return result;
  }

 private:
  std::size_t runs_ = 0;
};

class FakeMessageBoxes final : public MessageBoxes {
 public:
  explicit FakeMessageBoxes(std::vector<int> answers) : answers_(std::move(answers)) {}
  int Show(std::uintptr_t, const char*, const char*, unsigned) override {
    const int answer = answers_[std::min(shown_, answers_.size() - 1)];
    ++shown_;
    return answer;
  }

 private:
  std::vector<int> answers_;
  std::size_t shown_ = 0;
};

}  // namespace discsetup
