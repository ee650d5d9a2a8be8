// Python str objects for interned token ids: all ids of one result are
// resolved under one interner lock, and each distinct id becomes one str.
#pragma once

#include <span>
#include <unordered_map>
#include <vector>

#include "lib/plumbing/py_ref.hpp"
#include "types/token_id.hpp"

namespace tide::py {

class TokenTexts {
 public:
  // Resolves every id of `ids` (duplicates allowed) at once.
  bool resolve(std::span<const TokenId> ids);
  // A new reference to the str of an id passed to resolve().
  PyObject* text(TokenId id) const;

 private:
  std::unordered_map<TokenId, Ref> texts_;
};

}  // namespace tide::py
