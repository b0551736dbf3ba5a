#include "app/fault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "removal/line_list.h"
#include "tests/support/failing_heap.h"
#include "tests/support/fault_exit.h"

namespace varnel {
namespace {

using test::AsReadBack;
using test::FailEveryAllocation;
using test::kFaultExitCode;

std::string Composed(int code, std::string_view message) {
  return std::string(ComposeFaultText(code, message).View());
}

TEST(ComposeFaultTextTest, CodeZeroHasNoCodeLine) {
  EXPECT_EQ(Composed(0, "分配 1000 字节内存失败!"),
            "运行时出错!\r\n\r\n错误信息：分配 1000 字节内存失败!\r\n");
}

TEST(ComposeFaultTextTest, CodedFaultShowsCodeAndTableMessage) {
  EXPECT_EQ(Composed(4, CodedFaultMessage(4)),
            "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
  EXPECT_EQ(Composed(1, CodedFaultMessage(1)),
            "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
}

TEST(ComposeFaultTextTest, CodeInSignedDecimalAndEmptyMessageLeftOut) {
  EXPECT_EQ(Composed(-2147483647 - 1, ""), "运行时出错!\r\n\r\n错误代码：-2147483648\r\n\r\n");
  EXPECT_EQ(Composed(0, ""), "运行时出错!\r\n\r\n");
  EXPECT_EQ(CodedFaultMessage(2), "");
}

// The text has a fixed room: a message that fills it is shown whole, one that would overflow it
// ends after its last whole character that fits, never inside one.
TEST(ComposeFaultTextTest, MessageBeyondItsRoomEndsAfterAWholeCharacter) {
  std::string fortyTwo;
  for (int i = 0; i < 42; ++i) fortyTwo += "错";  // 126 bytes
  const std::string fills = "a" + fortyTwo + "b";
  const std::string overflows = fortyTwo + "错";
  ASSERT_EQ(fills.size(), kFaultMessageCapacity);
  EXPECT_EQ(Composed(-2147483647 - 1, fills),
            "运行时出错!\r\n\r\n错误代码：-2147483648\r\n\r\n错误信息：" + fills + "\r\n");
  EXPECT_EQ(Composed(0, overflows), "运行时出错!\r\n\r\n错误信息：" + fortyTwo + "\r\n");
}

TEST(FaultDeathTest, CodedFaultGoesToStandardErrorAndEndsTheProcess) {
  EXPECT_EXIT(
      ReportRuntimeError(kIndexBelowOne), ::testing::ExitedWithCode(kFaultExitCode),
      ::testing::Eq(AsReadBack(
          "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n")));
}

TEST(FaultDeathTest, AllocationFaultNamesTheBytes) {
  EXPECT_EXIT(
      ReportAllocationFailure(1000), ::testing::ExitedWithCode(kFaultExitCode),
      ::testing::Eq(AsReadBack("运行时出错!\r\n\r\n错误信息：分配 1000 字节内存失败!\r\n")));
}

struct ExhaustedCase {
  const char* name;
  void (*fault)();
  const char* text;
};

// Once every allocation fails, a fault is still reported whole and ends the process with -1: the
// report takes nothing from the heap.
TEST(FaultDeathTest, ReportedWholeWhenTheHeapHasRunOut) {
  const ExhaustedCase cases[] = {
      {"a list's bytes", [] { SplitLines("abc"); },
       "运行时出错!\r\n\r\n错误信息：分配 3 字节内存失败!\r\n"},
      {"the longest byte count",
       [] { ReportAllocationFailure(std::numeric_limits<std::uint64_t>::max()); },
       "运行时出错!\r\n\r\n错误信息：分配 18446744073709551615 字节内存失败!\r\n"},
      {"a coded fault", [] { ReportRuntimeError(kIndexAboveCount); },
       "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
  };
  for (const ExhaustedCase& c : cases) {
    EXPECT_EXIT(
        {
          FailEveryAllocation();
          c.fault();
        },
        ::testing::ExitedWithCode(kFaultExitCode), ::testing::Eq(AsReadBack(c.text)))
        << c.name;
  }
}

}  // namespace
}  // namespace varnel
