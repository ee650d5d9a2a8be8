#include "corpus/corpus_view.hpp"

#include <string>

namespace tide {
namespace {

Error bad_document(size_t k, const std::string& what) {
  return value_error("offsets: document " + std::to_string(k) + " " + what);
}

}  // namespace

Status check_offsets(std::span<const int64_t> offsets, size_t n_rows) {
  if (offsets.empty()) return value_error("offsets must have length n_docs + 1");
  if (offsets[0] < 0) return bad_document(0, "starts at row " + std::to_string(offsets[0]) + ", before row 0");
  for (size_t k = 0; k + 1 < offsets.size(); ++k) {
    const int64_t s = offsets[k], e = offsets[k + 1];
    if (e < s)
      return bad_document(k, "ends at row " + std::to_string(e) + ", before its start at row " + std::to_string(s));
    if (static_cast<uint64_t>(e) > n_rows)
      return bad_document(
          k, "ends at row " + std::to_string(e) + ", past the last of the " + std::to_string(n_rows) + " rows");
  }
  if (offsets.size() == 1 && static_cast<uint64_t>(offsets[0]) > n_rows)
    return value_error("offsets: the corpus starts at row " + std::to_string(offsets[0]) + ", past the last of the " +
                       std::to_string(n_rows) + " rows");
  return ok_status();
}

}  // namespace tide
