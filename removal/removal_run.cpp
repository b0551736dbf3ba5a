#include "removal/removal_run.h"

#include <cstddef>
#include <cstdint>

#include "removal/line_index.h"

namespace varnel {

void RunRemoval(const LineList& source, const LineList& removal, const TextSink& sink) {
  RunRemoval(source, removal, sink, ProcessHashKey());
}

void RunRemoval(const LineList& source, const LineList& removal, const TextSink& sink,
                const HashKey& key) {
  VisitLines(removal, [&](const auto& removal_lines) {
    const LineIndex index(removal_lines, key);
    VisitLines(source, [&](const auto& source_lines) {
      ForEachLine(source_lines, index, [&](std::size_t k, std::uint64_t hash) {
        if (!index.Contains(source_lines.Line(k), hash)) {
          // The line with the CR LF that follows it in the list's own bytes (none for the last).
          sink.Append(source_lines.LineWithEnd(k));
        }
      });
    });
  });
}

}  // namespace varnel
