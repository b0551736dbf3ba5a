// Shows the program in use, for the README's picture (scripts/screenshot.sh): starts the varnel.exe
// beside it, puts a few source lines and a few lines to remove into its boxes, clicks 开始 and
// waits until the remaining lines stand in the right box. It then prints "ready" and keeps the
// window open until its standard input ends, when it closes the window and ends.
// Exit code 0 when the run showed what it should, 1 otherwise (the reason on standard error).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "tests/support/remote_program.h"

namespace {

using namespace std::chrono_literals;
namespace test = varnel::test;

constexpr wchar_t kSource[] = L"苹果\r\n香蕉\r\n橙子\r\n葡萄\r\n西瓜\r\n草莓";
constexpr wchar_t kRemoval[] = L"西瓜\r\n香蕉\r\n柠檬";
constexpr wchar_t kRemaining[] = L"苹果\r\n橙子\r\n葡萄\r\n草莓";

int Fail(const char* why) {
  std::fprintf(stderr, "sample_run: %s\n", why);
  return 1;
}

// Blocks until standard input ends or fails.
void WaitForEndOfInput() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  char byte = 0;
  DWORD read = 0;
  while (ReadFile(input, &byte, 1, &read, nullptr) && read > 0) {
  }
}

}  // namespace

int main() {
  std::optional<test::Program> program = test::Start(test::ProgramBesideThis());
  if (!program) return Fail("varnel.exe did not start or showed no window");
  if (!test::SetText(program->Control(test::kSourceBox), kSource) ||
      !test::SetText(program->Control(test::kRemovalBox), kRemoval) ||
      !test::Click(program->Control(test::kStartButton))) {
    return Fail("the window did not take the texts or the click");
  }
  if (!test::WaitForText(program->Control(test::kOutputBox), kRemaining, 20s))
    return Fail("the remaining lines did not appear in the right box");

  std::puts("ready");
  std::fflush(stdout);
  WaitForEndOfInput();
  if (test::CloseAndWait(*program, 20s) != 0u) return Fail("the program did not end with 0");
  return 0;
}
