#include "intern/text_index.hpp"

#include <cstring>
#include <functional>
#include <utility>

namespace tide {

uint64_t TextIndex::hash(std::string_view text) { return std::hash<std::string_view>{}(text); }

std::optional<TokenId> TextIndex::find(std::string_view text, uint64_t h) const {
  if (slots_.empty()) return std::nullopt;
  const size_t mask = slots_.size() - 1;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.data == nullptr) return std::nullopt;
    if (s.hash == h && s.len == text.size() && std::memcmp(s.data, text.data(), text.size()) == 0) return s.id;
  }
}

void TextIndex::insert(std::string_view text, uint64_t h, TokenId id) {
  if (2 * (used_ + 1) > slots_.size()) grow();
  place({text.data(), text.size(), h, id});
  ++used_;
}

void TextIndex::place(const Slot& slot) {
  const size_t mask = slots_.size() - 1;
  size_t i = slot.hash & mask;
  while (slots_[i].data != nullptr) i = (i + 1) & mask;
  slots_[i] = slot;
}

void TextIndex::grow() {
  const std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 64 : 2 * slots_.size()));
  for (const Slot& s : old)
    if (s.data != nullptr) place(s);
}

}  // namespace tide
