#include "platform/failure.h"

#include <gtest/gtest.h>

#include <new>

#include "tests/support/fake_process.h"

namespace discsetup {
namespace {

TEST(FailureReport, FormatsClassModuleOffsetAndMessage) {
  EXPECT_EQ(FailureReport("ERegistryException", "Tolvi32.exe", 0x1A2B, "Failed to create key .qtq"),
            "Exception ERegistryException in module Tolvi32.exe at 00001A2B.\n"
            "Failed to create key .qtq.\r\n");
  // A message that already ends with a full stop gets none added; an empty one gets none.
  EXPECT_EQ(FailureReport("EAbort", "Tolvi32", 0, "Done."),
            "Exception EAbort in module Tolvi32 at 00000000.\nDone.\r\n");
  EXPECT_EQ(FailureReport("Exception", "m", 0xFFFFFFFF, ""),
            "Exception Exception in module m at FFFFFFFF.\n\r\n");
}

TEST(FailureReport, CutsTheTextBeforeTheLineEndAt1024Bytes) {
  const std::string report = FailureReport("ERegistryException", "Tolvi32.exe", 0,
                                           "Failed to create key " + std::string(2000, 'k'));
  ASSERT_EQ(report.size(), 1026u);
  EXPECT_EQ(report.substr(1024), "\r\n");
  EXPECT_EQ(report[1023], 'k');
}

TEST(RuntimeErrorReport, RightAlignsTheNumber) {
  EXPECT_EQ(RuntimeErrorReport(203, 0xBEEF), "Runtime error 203 at 0000BEEF\r\n");
  EXPECT_EQ(RuntimeErrorReport(5, 0), "Runtime error   5 at 00000000\r\n");
}

TEST(RunReportingFailures, ReportsEachFailureClassAndExitsWithOne) {
  FakeProcess process("prog", "C:\\prog.exe");
  EXPECT_EQ(RunReportingFailures(process, [] {}), 0);
  EXPECT_EQ(process.stdout_text, "");

  EXPECT_EQ(RunReportingFailures(process, [] { RaiseAbort(); }), 1);
  EXPECT_EQ(process.stdout_text,
            "Exception EAbort in module Tolvi32.exe at 00001234.\nOperation aborted.\r\n");

  process.stdout_text.clear();
  EXPECT_EQ(RunReportingFailures(process, [] { throw std::bad_alloc(); }), 1);
  EXPECT_EQ(process.stdout_text,
            "Exception EOutOfMemory in module Tolvi32.exe at 00001234.\nOut of memory.\r\n");
}

TEST(RunReportingFailures, ReportsAnAllocationThatCannotSucceed) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's operator new aborts instead of failing";
#endif
  FakeProcess process("prog", "C:\\prog.exe");
  EXPECT_EQ(RunReportingFailures(process,
                                 [] {
                                   // Too large for any machine: it reaches the new-handler.
                                   volatile std::size_t huge = static_cast<std::size_t>(-1) / 2;
                                   void* volatile p = ::operator new(huge);
                                   ::operator delete(p);
                                 }),
            1);
  EXPECT_EQ(process.stdout_text,
            "Exception EOutOfMemory in module Tolvi32.exe at 00001234.\nOut of memory.\r\n");
}

TEST(RunReportingRuntimeErrors, ReportsRunningOutOfMemoryAs203) {
  FakeProcess process("prog", "C:\\prog.exe");
  EXPECT_EQ(RunReportingRuntimeErrors(process, [] {}), 0);
  EXPECT_EQ(RunReportingRuntimeErrors(process, [] { throw std::bad_alloc(); }), 203);
  EXPECT_EQ(process.stdout_text, "Runtime error 203 at 00001234\r\n");
}

}  // namespace
}  // namespace discsetup
