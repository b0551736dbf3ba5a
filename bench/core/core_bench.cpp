// Benchmark of the line-removal core in one process, one size per process so that the peak
// resident set belongs to that size alone.
//
//   core_bench write DATA N DIR   writes DIR/source.txt and DIR/removal.txt (bench_data.h)
//   core_bench run DATA N [OUT]   cuts both texts into lines and runs the removal
//   core_bench scan DATA N [OUT]  the same with the plain linear scan of the removal list
//   core_bench hash DATA N        times hashing every line of both lists, keyed and unkeyed
//
// DATA is digits or mixed. `run` and `scan` follow the worker: each text is made in a block of its
// own, which its list then takes over; the run goes into a sink that gathers the output in a
// string. They print "seconds=<cut and run> split_seconds=<cut> warm_seconds=<cut and run again>
// peak_kib=<VmHWM> text_bytes=<both texts> kept=<lines>" and write the output to OUT when it is
// given (see Measure).
//
// `hash` prints "hash_seconds=<SipHash-1-3> unkeyed_hash_seconds=<the former unkeyed mix, its last
// bytes read the same way>": each the best of five passes over the lines of both lists, which a run
// hashes once each.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

#include "bench/core/bench_data.h"
#include "removal/line_hash.h"
#include "removal/line_list.h"
#include "removal/little_endian.h"
#include "removal/removal_run.h"

namespace {

using Clock = std::chrono::steady_clock;
using varnel::bench::DataSet;

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

// Cuts a freshly made text, taking it over; adds the time of the cut to `seconds`.
varnel::LineList SplitFresh(std::string text, double& seconds, std::uint64_t& text_bytes) {
  text_bytes += text.size();
  varnel::TextBytes bytes = varnel::AllocateText(text.size());
  if (!text.empty()) {
    std::memcpy(bytes.data.get(), text.data(), text.size());
  }
  std::string().swap(text);
  const auto start = Clock::now();
  varnel::LineList list = varnel::SplitLines(std::move(bytes));
  seconds += std::chrono::duration<double>(Clock::now() - start).count();
  return list;
}

struct Timing {
  double seconds = 0;        // cutting both texts and the run
  double split_seconds = 0;  // cutting both texts
  std::uint64_t text_bytes = 0;
  std::uint64_t kept = 0;
};

// Makes both texts, cuts them and runs the removal into `output`, which it empties first.
Timing RunOnce(DataSet data, std::uint64_t n, bool scan, std::string& output) {
  Timing timing;
  const varnel::LineList source =
      SplitFresh(varnel::bench::SourceText(data, n), timing.split_seconds, timing.text_bytes);
  const std::uint64_t source_bytes = timing.text_bytes;
  const varnel::LineList removal =
      SplitFresh(varnel::bench::RemovalText(data, n), timing.split_seconds, timing.text_bytes);

  // Room for the whole source text, asked for before the clock starts: the sink's own growth is
  // not the core's time. Only the pages written are touched.
  output.clear();
  output.reserve(source_bytes);
  const varnel::TextSink sink{[&](std::string_view piece) {
    output += piece;
    ++timing.kept;
  }};
  const auto start = Clock::now();
  if (scan) {
    ScanRemoval(source, removal, sink);
  } else {
    varnel::RunRemoval(source, removal, sink);
  }
  timing.seconds =
      timing.split_seconds + std::chrono::duration<double>(Clock::now() - start).count();
  return timing;
}

// The first run of the process, on memory that the process has not touched before, is the one
// timed as `seconds`. `run` then repeats it three times and prints the best as `warm_seconds`: the
// heap hands the blocks of the runs before out again, so these runs meet no fresh pages.
int Measure(DataSet data, std::uint64_t n, bool scan, const char* out_path) {
  std::string output;
  const Timing first = RunOnce(data, n, scan, output);
  const long peak_kib = PeakKib();
  double warm_seconds = first.seconds;
  if (!scan) {
    std::string scratch;
    for (int repeat = 0; repeat < 3; ++repeat) {
      warm_seconds = std::min(warm_seconds, RunOnce(data, n, scan, scratch).seconds);
    }
  }
  std::printf(
      "seconds=%.6f split_seconds=%.6f warm_seconds=%.6f peak_kib=%ld text_bytes=%llu "
      "kept=%llu\n",
      first.seconds, first.split_seconds, warm_seconds, peak_kib,
      static_cast<unsigned long long>(first.text_bytes),
      static_cast<unsigned long long>(first.kept));
  if (out_path != nullptr) {
    std::ofstream(out_path, std::ios::binary) << output;
  }
  return 0;
}

// The hash the index used before it took a key, kept here only to show what the key costs: eight
// bytes at a time through a multiply-and-fold mix, with no secret in it. Its last bytes are read
// as HashLine reads them, so that the two differ in their mixing alone.
std::uint64_t UnkeyedHash(std::string_view line) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t hash = 0x2545F4914F6CDD1Du ^ (line.size() * kMultiplier);
  auto mix = [&hash](std::uint64_t word) {
    hash ^= word;
    hash *= kMultiplier;
    hash ^= hash >> 29;
  };
  const char* at = line.data();
  std::size_t left = line.size();
  for (; left >= 8; at += 8, left -= 8) {
    mix(varnel::LoadLittleEndian(at));
  }
  if (line.size() >= 8) {
    mix((varnel::LoadLittleEndian(at + left - 8) >> 1) >> (63 - 8 * left));
  } else if (left >= 4) {
    mix(varnel::LoadLittleEndian32(at) | std::uint64_t{varnel::LoadLittleEndian32(at + left - 4)}
                                             << (8 * (left - 4)));
  } else if (left > 0) {
    auto byte = [at](std::size_t k) {
      return std::uint64_t{static_cast<unsigned char>(at[k])} << (8 * k);
    };
    mix(byte(0) | byte(left / 2) | byte(left - 1));
  }
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return hash ^ (hash >> 29);
}

// The best time of five passes of `hash` over every line of both lists.
template <typename Hash>
double TimeHashing(const varnel::LineList& source, const varnel::LineList& removal, Hash hash) {
  double best = 1e9;
  std::uint64_t sum = 0;
  for (int pass = 0; pass < 5; ++pass) {
    const auto start = Clock::now();
    for (const varnel::LineList* list : {&source, &removal}) {
      varnel::VisitLines(*list, [&](const auto& lines) {
        for (std::size_t k = 0; k < lines.count; ++k) {
          sum += hash(lines.Line(k));
        }
      });
    }
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  // Printed so that no pass can be left out as unused.
  std::fprintf(stderr, "checksum=%llu\n", static_cast<unsigned long long>(sum));
  return best;
}

int MeasureHash(DataSet data, std::uint64_t n) {
  double seconds = 0;
  std::uint64_t text_bytes = 0;
  const varnel::LineList source =
      SplitFresh(varnel::bench::SourceText(data, n), seconds, text_bytes);
  const varnel::LineList removal =
      SplitFresh(varnel::bench::RemovalText(data, n), seconds, text_bytes);
  const varnel::HashKey key = varnel::ProcessHashKey();
  const double keyed = TimeHashing(
      source, removal, [&key](std::string_view line) { return varnel::HashLine(line, key); });
  const double unkeyed = TimeHashing(source, removal, UnkeyedHash);
  std::printf("hash_seconds=%.6f unkeyed_hash_seconds=%.6f\n", keyed, unkeyed);
  return 0;
}

int Write(DataSet data, std::uint64_t n, const std::string& dir) {
  std::ofstream(dir + "/source.txt", std::ios::binary) << varnel::bench::SourceText(data, n);
  std::ofstream(dir + "/removal.txt", std::ios::binary) << varnel::bench::RemovalText(data, n);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 3 ? argv[1] : "";
  const std::string_view data_name = argc > 3 ? argv[2] : "";
  const std::uint64_t n = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 0;
  const bool known_data = data_name == "digits" || data_name == "mixed";
  const DataSet data = data_name == "mixed" ? DataSet::kMixed : DataSet::kDigits;
  if (n > 0 && known_data && mode == "write" && argc == 5) {
    return Write(data, n, argv[4]);
  }
  if (n > 0 && known_data && mode == "hash" && argc == 4) {
    return MeasureHash(data, n);
  }
  if (n > 0 && known_data && (mode == "run" || mode == "scan") && argc <= 5) {
    return Measure(data, n, mode == "scan", argc == 5 ? argv[4] : nullptr);
  }
  std::fprintf(stderr,
               "usage: core_bench write DATA N DIR | run DATA N [OUT] | scan DATA N [OUT] |"
               " hash DATA N\n"
               "       DATA: digits or mixed\n");
  return 2;
}
