// The core as a whole program, to time against other programs that do the same work:
//
//   core_filter SOURCE REMOVAL OUT
//
// reads both files, each into a block that its list takes over, runs the removal and writes the
// remaining lines to OUT as the tool would append them (the last line of SOURCE without CR LF).
// Exits 1 when a file cannot be read or written.
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadLines(const char* path, varnel::LineList& lines) {
  const File file(std::fopen(path, "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
    return false;
  }
  const long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    return false;
  }
  varnel::TextBytes text = varnel::AllocateText(static_cast<std::size_t>(size));
  if (size > 0 && std::fread(text.data.get(), 1, text.size, file.get()) != text.size) {
    return false;
  }
  lines = varnel::SplitLines(std::move(text));
  return true;
}

// Gathers output in a buffer of its own and writes it out whenever the buffer is full.
class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}

  void Append(std::string_view piece) {
    if (used_ + piece.size() > sizeof buffer_) {
      Flush();
    }
    if (piece.size() > sizeof buffer_) {
      Write(piece.data(), piece.size());
    } else {
      std::memcpy(buffer_ + used_, piece.data(), piece.size());
      used_ += piece.size();
    }
  }

  bool Flush() {
    Write(buffer_, used_);
    used_ = 0;
    return ok_;
  }

 private:
  void Write(const char* bytes, std::size_t size) {
    ok_ = ok_ && std::fwrite(bytes, 1, size, file_) == size;
  }

  std::FILE* file_;
  char buffer_[1 << 16];
  std::size_t used_ = 0;
  bool ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: core_filter SOURCE REMOVAL OUT\n");
    return 2;
  }
  varnel::LineList source;
  varnel::LineList removal;
  if (!ReadLines(argv[1], source) || !ReadLines(argv[2], removal)) {
    std::fprintf(stderr, "core_filter: cannot read %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  const File out(std::fopen(argv[3], "wb"));
  if (!out) {
    std::fprintf(stderr, "core_filter: cannot write %s\n", argv[3]);
    return 1;
  }
  auto output = std::make_unique<Output>(out.get());
  varnel::RunRemoval(source, removal, varnel::TextSink{[&output](std::string_view piece) {
                       output->Append(piece);
                     }});
  if (!output->Flush() || std::fflush(out.get()) != 0) {
    std::fprintf(stderr, "core_filter: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
