// A stream whose tokens are interned: the token ids, with the times and
// optional values as columns (read in place from float64 arrays during a
// call, or owned). A PreprocessedStream keeps one that owns all of it.
#pragma once

#include <optional>
#include <vector>

#include "lib/plumbing/double_column.hpp"
#include "types/stream.hpp"
#include "types/token_id.hpp"

namespace tide::py {

struct InternedStream {
  std::vector<TokenId> ids;
  DoubleColumn times;
  std::optional<DoubleColumn> values;  // absent when None or not given

  // Copies the columns read in place, so that the stream no longer refers to
  // the caller's arrays and may outlive the call.
  void own() {
    times.own();
    if (values) values->own();
  }
  StreamView view() const { return {ids.data(), times.data(), values ? values->data() : nullptr, ids.size()}; }
};

}  // namespace tide::py
