#include "types/trie.hpp"

#include "intern/interner.hpp"

namespace tide {

Trie::Trie(const Trie& other) : terminal(other.terminal) {
  children.reserve(other.children.size());
  for (const auto& [token, edges] : other.children) {
    auto& copy = children[token];
    copy.reserve(edges.size());
    for (const auto& e : edges) copy.push_back({e.constraint, std::make_unique<Trie>(*e.child)});
  }
}

Trie& Trie::operator=(const Trie& other) {
  if (this != &other) *this = Trie(other);
  return *this;
}

Trie::~Trie() = default;

void Trie::insert_with_vals(std::span<const TokenId> seq, std::span<const ValueConstraint> constraints) {
  Trie* node = this;
  for (size_t i = 0; i < seq.size(); ++i) {
    const ValueConstraint k = constraint_at(constraints, i);
    auto& edges = node->children[seq[i]];
    Trie* next = nullptr;
    for (auto& e : edges)
      if (e.constraint == k) {
        next = e.child.get();
        break;
      }
    if (next == nullptr) {
      edges.push_back({k, std::make_unique<Trie>()});
      next = edges.back().child.get();
    }
    node = next;
  }
  node->terminal = true;
}

std::optional<size_t> Trie::match_at(const StreamView& s, size_t pos) const {
  return match_at_inner(s, pos, s.times[pos], pos);
}

std::optional<size_t> Trie::match_at_inner(const StreamView& s, size_t start, double time, size_t p) const {
  if (p >= s.len) return std::nullopt;
  if (!(s.times[p] == time)) return std::nullopt;  // also refuses a NaN time
  if (children.empty()) return std::nullopt;
  auto it = children.find(s.tokens[p]);
  if (it == children.end()) return std::nullopt;
  const double v = s.value_at(p);
  for (const auto& e : it->second) {
    if (!e.constraint.accepts(v)) continue;
    auto longer = e.child->match_at_inner(s, start, time, p + 1);
    if (longer) return longer;
    if (e.child->terminal) return p + 1 - start;
  }
  return std::nullopt;
}

Expected<Trie> build_seq_trie(const std::vector<std::vector<std::string>>& seqs) {
  Trie trie;
  std::vector<TokenId> ids;
  for (const auto& seq : seqs) {
    ids.clear();
    for (const auto& tok : seq) {
      auto id = global_interner().intern(tok);
      if (!id) return id.error();
      ids.push_back(*id);
    }
    trie.insert_with_vals(ids, {});
  }
  return trie;
}

}  // namespace tide
