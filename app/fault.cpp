#include "app/fault.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <span>

#include "app/thread_key.h"

namespace varnel {

std::atomic<int> eventHold{0};

namespace {

constexpr std::string_view kHeading = "运行时出错!\r\n\r\n";
constexpr std::string_view kCodeLabel = "错误代码：";
constexpr std::string_view kMessageLabel = "错误信息：";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kLongestCode = 11;  // -2147483648
constexpr std::string_view kAllocationBefore = "分配 ";
constexpr std::string_view kAllocationAfter = " 字节内存失败!";
constexpr std::size_t kLongestByteCount = 20;  // 18446744073709551615

static_assert(kHeading.size() + kCodeLabel.size() + kLongestCode + 2 * kLineEnd.size() +
                      kMessageLabel.size() + kFaultMessageCapacity + kLineEnd.size() <=
                  kFaultTextCapacity,
              "the longest fault text fits its buffer");
static_assert(kAllocationBefore.size() + kLongestByteCount + kAllocationAfter.size() <=
                  kFaultMessageCapacity,
              "the allocation message is never cut");

// Appends to a fixed buffer; what does not fit is left out (the sizes above make sure that
// nothing is).
struct TextWriter {
  std::span<char> buffer;
  std::size_t size = 0;

  void Put(std::string_view part) {
    const std::size_t take = std::min(part.size(), buffer.size() - size);
    std::copy_n(part.data(), take, buffer.data() + size);
    size += take;
  }

  // In decimal, a minus sign first when negative.
  template <typename Integer>
  void PutNumber(Integer number) {
    const std::to_chars_result end =
        std::to_chars(buffer.data() + size, buffer.data() + buffer.size(), number);
    if (end.ec == std::errc()) size = static_cast<std::size_t>(end.ptr - buffer.data());
  }

  std::string_view View() const { return {buffer.data(), size}; }
};

// The message up to kFaultMessageCapacity bytes, ending after a whole UTF-8 character.
std::string_view FittingMessage(std::string_view message) {
  if (message.size() <= kFaultMessageCapacity) return message;
  std::size_t end = kFaultMessageCapacity;
  while (end > 0 && (static_cast<unsigned char>(message[end]) & 0xC0) == 0x80) --end;
  return message.substr(0, end);
}

// The threads that are reporting a fault now. A thread's box runs a message loop, and something
// that loop dispatches could meet a fault on the same thread; such a fault must not start a second
// report inside the first. A thread is named without asking the heap (app/thread_key.h).
constexpr std::size_t kReportSlots = 8;
std::array<std::atomic<ThreadKey>, kReportSlots> reportingThreads{};

// Takes a slot for the calling thread. False when the thread is reporting already, or when every
// slot is taken: more than eight threads reporting at once then end the process with the ninth.
bool BeginReport() {
  const ThreadKey self = ThisThread();
  for (const std::atomic<ThreadKey>& slot : reportingThreads) {
    if (slot.load() == self) return false;
  }
  for (std::atomic<ThreadKey>& slot : reportingThreads) {
    ThreadKey free{};
    if (slot.compare_exchange_strong(free, self)) return true;
  }
  return false;
}

}  // namespace

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

FaultText ComposeFaultText(int code, std::string_view message) {
  FaultText text;
  TextWriter writer{text.bytes};
  writer.Put(kHeading);
  if (code != 0) {
    writer.Put(kCodeLabel);
    writer.PutNumber(code);
    writer.Put(kLineEnd);
    writer.Put(kLineEnd);
  }
  if (!message.empty()) {
    writer.Put(kMessageLabel);
    writer.Put(FittingMessage(message));
    writer.Put(kLineEnd);
  }
  text.size = writer.size;
  return text;
}

void ReportRuntimeError(int code, std::string_view message) {
  ++eventHold;
  // A fault inside a report ends the process here: no second report, no recursion.
  if (!BeginReport()) std::_Exit(-1);
  const FaultText text = ComposeFaultText(code, message);
  PresentFault(text.View());
}

void ReportRuntimeError(int code) {
  ReportRuntimeError(code, CodedFaultMessage(code));
}

void ReportAllocationFailure(std::uint64_t bytes) {
  std::array<char, kFaultMessageCapacity> message;
  TextWriter writer{message};
  writer.Put(kAllocationBefore);
  writer.PutNumber(bytes);
  writer.Put(kAllocationAfter);
  ReportRuntimeError(0, writer.View());
}

}  // namespace varnel
