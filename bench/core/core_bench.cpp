// Benchmark of the line-removal core, one size per process so that the peak resident set belongs to
// that size alone.
//
//   core_bench write N DIR   writes DIR/source.txt and DIR/removal.txt (CR LF line ends)
//   core_bench run N [OUT]   splits both texts and runs the removal through the index
//   core_bench scan N [OUT]  the same with the plain linear scan of the removal list
//
// The texts: N random 11-digit numbers each; half of the removal lines are taken from the source.
// `run` and `scan` follow the worker: make a text, split it, release it; then run into a sink that
// gathers the output in a string. They print "seconds=<split and run> peak_kib=<VmHWM>
// text_bytes=<both texts> kept=<lines>" and write the output to OUT when it is given.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

// An 11-digit number, the same for the same stream and index.
std::uint64_t Number(std::uint64_t stream, std::uint64_t index) {
  return 10'000'000'000u + Mix(stream * 0x100000000u + index) % 90'000'000'000u;
}

void AddLine(std::string& text, std::uint64_t number) {
  text += std::to_string(number);
  text += "\r\n";
}

std::string SourceText(std::uint64_t n) {
  std::string text;
  text.reserve(n * 13);
  for (std::uint64_t k = 0; k < n; ++k) {
    AddLine(text, Number(1, k));
  }
  return text;
}

// Even lines repeat distinct source lines in a scrambled order (7919 is prime to every n that is a
// power of ten), odd lines are new random numbers.
std::string RemovalText(std::uint64_t n) {
  std::string text;
  text.reserve(n * 13);
  for (std::uint64_t k = 0; k < n; ++k) {
    AddLine(text, k % 2 == 0 ? Number(1, (k * 7919 + 12345) % n) : Number(2, k));
  }
  return text;
}

long PeakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::strtol(line.c_str() + 6, nullptr, 10);
    }
  }
  return -1;
}

// The removal run as a plain linear scan: for each source line, the removal list from its first
// line until an equal line is found.
void ScanRemoval(const varnel::LineList& source, const varnel::LineList& removal,
                 const varnel::TextSink& sink) {
  const varnel::Position n = varnel::Count(source);
  const varnel::Position m = varnel::Count(removal);
  for (varnel::Position i = 1; i <= n; ++i) {
    bool found = false;
    for (varnel::Position j = 1; j <= m && !found; ++j) {
      found = varnel::CompareText(varnel::At(source, i), varnel::At(removal, j)) == 0;
    }
    if (!found) {
      sink.Append(varnel::AtWithLineEnd(source, i));
    }
  }
}

// Splits a freshly made text and releases the text; adds the time of the split to `seconds`.
template <typename MakeText>
varnel::LineList SplitFresh(MakeText make_text, double& seconds, std::uint64_t& text_bytes) {
  const std::string text = make_text();
  text_bytes += text.size();
  const auto start = Clock::now();
  varnel::LineList list = varnel::SplitLines(text);
  seconds += std::chrono::duration<double>(Clock::now() - start).count();
  return list;
}

int Measure(std::uint64_t n, bool scan, const char* out_path) {
  double seconds = 0;
  std::uint64_t text_bytes = 0;
  const varnel::LineList source = SplitFresh([n] { return SourceText(n); }, seconds, text_bytes);
  const varnel::LineList removal = SplitFresh([n] { return RemovalText(n); }, seconds, text_bytes);

  std::string output;
  std::uint64_t kept = 0;
  const varnel::TextSink sink{[&](std::string_view piece) {
    output += piece;
    ++kept;
  }};
  const double split_seconds = seconds;
  const auto start = Clock::now();
  if (scan) {
    ScanRemoval(source, removal, sink);
  } else {
    varnel::RunRemoval(source, removal, sink);
  }
  seconds += std::chrono::duration<double>(Clock::now() - start).count();
  const long peak_kib = PeakKib();

  std::printf("seconds=%.6f split_seconds=%.6f peak_kib=%ld text_bytes=%llu kept=%llu\n", seconds,
              split_seconds, peak_kib, static_cast<unsigned long long>(text_bytes),
              static_cast<unsigned long long>(kept));
  if (out_path != nullptr) {
    std::ofstream(out_path, std::ios::binary) << output;
  }
  return 0;
}

int Write(std::uint64_t n, const std::string& dir) {
  std::ofstream(dir + "/source.txt", std::ios::binary) << SourceText(n);
  std::ofstream(dir + "/removal.txt", std::ios::binary) << RemovalText(n);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 2 ? argv[1] : "";
  const std::uint64_t n = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0;
  if (n > 0 && mode == "write" && argc == 4) {
    return Write(n, argv[3]);
  }
  if (n > 0 && (mode == "run" || mode == "scan") && argc <= 4) {
    return Measure(n, mode == "scan", argc == 4 ? argv[3] : nullptr);
  }
  std::fprintf(stderr, "usage: core_bench write N DIR | run N [OUT] | scan N [OUT]\n");
  return 2;
}
