// Checks the line cut, the comparison and the removal run on arbitrary bytes against a plain model:
// a byte-by-byte splitter and a linear scan over its lines with string equality. Lists are cut both
// from copies and from texts they take over with 64-bit starts, and the run goes under the
// process's hash key and under one made from the input.
//
// Input: two bytes giving the length of the source text (modulo what is there), the source text,
// then the removal text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "removal/line_hash.h"
#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace {

using varnel::Position;

void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "model mismatch: %s\n", what);
    std::abort();
  }
}

// The text up to its first NUL, one byte at a time.
std::string ModelText(std::string_view text) {
  std::string result;
  for (char byte : text) {
    if (byte == '\0') {
      break;
    }
    result += byte;
  }
  return result;
}

// Cuts at every CR LF pair, one byte at a time; a text that ends with CR LF has no empty last line.
std::vector<std::string> ModelSplit(std::string_view raw) {
  const std::string text = ModelText(raw);
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
      lines.push_back(line);
      line.clear();
      at += 2;
    } else {
      line += text[at];
      at += 1;
    }
  }
  if (!line.empty()) {
    lines.push_back(line);
  }
  return lines;
}

// For each source line, scans the removal lines from the first for an equal one.
std::vector<std::string> ModelRun(const std::vector<std::string>& source,
                                  const std::vector<std::string>& removal) {
  std::vector<std::string> pieces;
  for (std::size_t i = 0; i < source.size(); ++i) {
    bool found = false;
    for (std::size_t j = 0; j < removal.size() && !found; ++j) {
      found = source[i] == removal[j];
    }
    if (!found) {
      pieces.push_back(i + 1 < source.size() ? source[i] + "\r\n" : source[i]);
    }
  }
  return pieces;
}

int ModelCompare(std::string_view a, std::string_view b) {
  const std::string x = ModelText(a);
  const std::string y = ModelText(b);
  for (std::size_t k = 0; k < x.size() && k < y.size(); ++k) {
    const auto p = static_cast<unsigned char>(x[k]);
    const auto q = static_cast<unsigned char>(y[k]);
    if (p != q) {
      return p < q ? -1 : 1;
    }
  }
  if (x.size() == y.size()) {
    return 0;
  }
  return x.size() < y.size() ? -1 : 1;
}

// A block of its own holding `text`, for a list to take over.
varnel::TextBytes TextOf(std::string_view text) {
  varnel::TextBytes bytes = varnel::AllocateText(text.size());
  if (!text.empty()) {
    std::memcpy(bytes.data.get(), text.data(), text.size());
  }
  return bytes;
}

void CheckList(const varnel::LineList& list, const std::vector<std::string>& model) {
  Check(varnel::Count(list) == static_cast<Position>(model.size()), "line count");
  for (Position position = 1; position <= varnel::Count(list); ++position) {
    const std::string& line = model[static_cast<std::size_t>(position - 1)];
    Check(varnel::At(list, position) == line, "line bytes");
    const bool last = position == varnel::Count(list);
    Check(varnel::AtWithLineEnd(list, position) == (last ? line : line + "\r\n"), "line end");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t source_size = 0;
  std::string_view rest = input;
  if (rest.size() >= 2) {
    source_size = (static_cast<unsigned char>(rest[0]) | static_cast<unsigned char>(rest[1]) << 8) %
                  (rest.size() - 1);
    rest.remove_prefix(2);
  }
  const std::string_view source_text = rest.substr(0, source_size);
  const std::string_view removal_text = rest.substr(source_size);

  const std::vector<std::string> source_model = ModelSplit(source_text);
  const std::vector<std::string> removal_model = ModelSplit(removal_text);

  // Split copies that die at once: the lists must hold their own bytes. Then the same texts taken
  // over with 64-bit starts.
  varnel::LineList source = varnel::SplitLines(std::string(source_text));
  varnel::LineList removal = varnel::SplitLines(std::string(removal_text));
  varnel::LineList wide_source = varnel::SplitLines(TextOf(source_text), varnel::StartWidth::kWide);
  varnel::LineList wide_removal =
      varnel::SplitLines(TextOf(removal_text), varnel::StartWidth::kWide);
  CheckList(source, source_model);
  CheckList(removal, removal_model);
  CheckList(wide_source, source_model);
  CheckList(wide_removal, removal_model);

  Check(varnel::CompareText(source_text, removal_text) == ModelCompare(source_text, removal_text),
        "comparison of the texts");
  if (!source_model.empty() && !removal_model.empty()) {
    Check(varnel::CompareText(varnel::At(source, 1), varnel::At(removal, 1)) ==
              ModelCompare(source_model.front(), removal_model.front()),
          "comparison of the first lines");
  }

  // The run under the process's key, and under a key taken from the input, with lists of both
  // widths.
  const std::vector<std::string> expected = ModelRun(source_model, removal_model);
  const varnel::HashKey input_key{varnel::HashLine(input, {}), input.size()};
  struct Pairing {
    const varnel::LineList& source;
    const varnel::LineList& removal;
    const varnel::HashKey& key;
  };
  for (const Pairing& run :
       {Pairing{source, removal, varnel::ProcessHashKey()},
        Pairing{wide_source, removal, input_key}, Pairing{source, wide_removal, input_key}}) {
    std::vector<std::string> pieces;
    varnel::RunRemoval(
        run.source, run.removal,
        varnel::TextSink{[&](std::string_view piece) { pieces.emplace_back(piece); }}, run.key);
    Check(pieces == expected, "pieces of the run");
  }
  return 0;
}
