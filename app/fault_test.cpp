#include "app/fault.h"

#include <gtest/gtest.h>

#include <string>

#include "removal/fault_exit.h"

namespace varnel {
namespace {

using testing_support::AsReadBack;
using testing_support::kFaultExitCode;

TEST(ComposeFaultTextTest, CodeZeroHasNoCodeLine) {
  EXPECT_EQ(ComposeFaultText(0, "分配 1000 字节内存失败!"),
            "运行时出错!\r\n\r\n错误信息：分配 1000 字节内存失败!\r\n");
}

TEST(ComposeFaultTextTest, CodedFaultShowsCodeAndTableMessage) {
  EXPECT_EQ(ComposeFaultText(4, CodedFaultMessage(4)),
            "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
  EXPECT_EQ(ComposeFaultText(1, CodedFaultMessage(1)),
            "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
}

TEST(ComposeFaultTextTest, CodeInSignedDecimalAndEmptyMessageLeftOut) {
  EXPECT_EQ(ComposeFaultText(-2147483647 - 1, ""),
            "运行时出错!\r\n\r\n错误代码：-2147483648\r\n\r\n");
  EXPECT_EQ(ComposeFaultText(0, ""), "运行时出错!\r\n\r\n");
  EXPECT_EQ(CodedFaultMessage(2), "");
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

}  // namespace
}  // namespace varnel
