// The removal run: the lines of a source list that no line of a removal list equals, in order.
#pragma once

#include <functional>
#include <string_view>

#include "removal/line_hash.h"
#include "removal/line_list.h"

namespace varnel {

// Receiver of a run's output: one Append per remaining line, in order, on the run's thread, the
// moment the line is known. A piece is valid only during its call; a sink that keeps it copies it.
struct TextSink {
  std::function<void(std::string_view piece)> Append;
};

// Hands `sink` each line of `source` that has no equal line (CompareText == 0) in `removal`,
// followed by CR LF, except the line at the last position of `source`, which goes alone (the
// empty text when that line is empty). Looks lines up through a hash index of `removal` built
// once per run, so a run costs time in proportion to the bytes of both lists, whatever lines they
// hold: the index hashes under the process's secret key (ProcessHashKey).
void RunRemoval(const LineList& source, const LineList& removal, const TextSink& sink);

// The same with the index hashing under `key`. The key decides only where lines land in the index:
// the output is the same under every key.
void RunRemoval(const LineList& source, const LineList& removal, const TextSink& sink,
                const HashKey& key);

}  // namespace varnel
