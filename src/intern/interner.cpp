#include "intern/interner.hpp"

#include <stdexcept>

namespace tide {

std::string interner_full_message(uint64_t max_tokens) {
  return "token table is full: at most " + std::to_string(max_tokens) + " distinct token strings can be interned";
}

Expected<TokenId> Interner::intern_locked(std::string_view s) {
  const uint64_t h = TextIndex::hash(s);
  if (auto id = index_.find(s, h)) return *id;
  if (strings_.size() >= max_tokens_) return Error{ErrorKind::Overflow, interner_full_message(max_tokens_)};
  const auto id = static_cast<TokenId>(strings_.size());
  const std::string& stored = strings_.emplace_back(s);
  index_.insert(stored, h, id);
  return id;
}

Expected<TokenId> Interner::intern(std::string_view s) {
  std::lock_guard<std::mutex> lock(mu_);
  return intern_locked(s);
}

std::vector<std::string> Interner::resolve_batch(std::span<const TokenId> ids) const {
  std::vector<std::string> out;
  out.reserve(ids.size());
  std::lock_guard<std::mutex> lock(mu_);
  for (TokenId id : ids) {
    if (id >= strings_.size()) throw std::out_of_range("token id " + std::to_string(id) + " was never interned");
    out.push_back(strings_[id]);
  }
  return out;
}

uint64_t Interner::size() const {
  std::lock_guard<std::mutex> lock(mu_);
  return strings_.size();
}

Interner& global_interner() {
  static Interner interner;  // thread-safe one-time initialisation
  return interner;
}

}  // namespace tide
