#include "app/fault.h"

#include <string>

namespace varnel {

std::atomic<int> eventHold{0};

std::string_view CodedFaultMessage(int code) {
  switch (code) {
    case kIndexAboveCount:
      return "数组成员引用下标超出定义范围";
    case kIndexBelowOne:
      return "数组成员引用下标必须大于等于1";
    default:
      return {};
  }
}

std::string ComposeFaultText(int code, std::string_view message) {
  std::string text = "运行时出错!\r\n\r\n";
  if (code != 0) {
    text += "错误代码：";
    text += std::to_string(code);
    text += "\r\n\r\n";
  }
  if (!message.empty()) {
    text += "错误信息：";
    text += message;
    text += "\r\n";
  }
  return text;
}

void ReportRuntimeError(int code, std::string_view message) {
  ++eventHold;
  PresentFault(ComposeFaultText(code, message));
}

void ReportRuntimeError(int code) {
  ReportRuntimeError(code, CodedFaultMessage(code));
}

void ReportAllocationFailure(std::uint64_t bytes) {
  // Composed without further allocation beyond one small string: the heap may be nearly exhausted.
  ReportRuntimeError(0, "分配 " + std::to_string(bytes) + " 字节内存失败!");
}

}  // namespace varnel
