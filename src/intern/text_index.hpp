// The interner's lookup from token text to id: open addressing with linear
// probing over a power-of-two table, each slot keeping the text's hash and
// a view of the stored text. A stream's lookups hit a few thousand distinct
// texts again and again, so a probe is one cached slot and one compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "types/token_id.hpp"

namespace tide {

class TextIndex {
 public:
  static uint64_t hash(std::string_view text);

  // The id stored for `text`, whose hash is `h`.
  std::optional<TokenId> find(std::string_view text, uint64_t h) const;
  // Adds a text that is not present. The index views `text`: its storage
  // must neither move nor end while the index lives.
  void insert(std::string_view text, uint64_t h, TokenId id);

 private:
  struct Slot {
    const char* data = nullptr;  // null marks an empty slot; stored texts never have a null data()
    size_t len = 0;
    uint64_t hash = 0;
    TokenId id = 0;
  };

  void place(const Slot& slot);
  void grow();

  std::vector<Slot> slots_;  // at most half full
  size_t used_ = 0;
};

}  // namespace tide
