#include "types/trie.hpp"

namespace tide {

// Copying and freeing walk the tree with an explicit work list: the depth
// of a trie is the length of its longest sequence, which the caller chooses,
// so recursion could overflow the call stack.
Trie::Trie(const Trie& other) {
  std::vector<std::pair<const Trie*, Trie*>> todo{{&other, this}};
  while (!todo.empty()) {
    const auto [from, to] = todo.back();
    todo.pop_back();
    to->terminal = from->terminal;
    to->children.reserve(from->children.size());
    for (const auto& [token, edges] : from->children) {
      auto& copy = to->children[token];
      copy.reserve(edges.size());
      for (const auto& e : edges) {
        copy.push_back({e.constraint, std::make_unique<Trie>()});
        todo.emplace_back(e.child.get(), copy.back().child.get());
      }
    }
  }
}

Trie& Trie::operator=(const Trie& other) {
  if (this != &other) *this = Trie(other);
  return *this;
}

Trie::~Trie() {
  if (children.empty()) return;
  std::vector<std::unique_ptr<Trie>> pending;
  auto detach = [&pending](Trie& node) {
    for (auto& entry : node.children)
      for (auto& e : entry.second) pending.push_back(std::move(e.child));
    node.children.clear();
  };
  detach(*this);
  while (!pending.empty()) {
    std::unique_ptr<Trie> node = std::move(pending.back());
    pending.pop_back();
    detach(*node);
  }  // each node is freed with no children left, so its destructor returns at once
}

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

std::optional<size_t> Trie::match_at(const StreamView& s, size_t pos, CancelCheck* cancel) const {
  // Depth-first over the edges of the tokens at pos, pos + 1, ...: frame d
  // holds the edge list of the token at pos + d and the edge being tried.
  // The frames live in a per-thread list reused by every call, so matching
  // allocates only when a run goes deeper than any before it.
  struct Frame {
    const std::vector<TrieEdge>* edges;
    size_t next;
  };
  thread_local std::vector<Frame> frames;
  frames.clear();
  const double time = s.times[pos];
  // Pushes the frame of `node` at position p; false when no edge leaves it
  // there (past the end, another timestamp, also a NaN one, or no entry).
  auto enter = [&](const Trie& node, size_t p) {
    if (p >= s.len || !(s.times[p] == time) || node.children.empty()) return false;
    auto it = node.children.find(s.tokens[p]);
    if (it == node.children.end()) return false;
    frames.push_back({&it->second, 0});
    return true;
  };
  if (!enter(*this, pos)) return std::nullopt;
  while (!frames.empty()) {
    if (cancel != nullptr && cancel->poll()) return std::nullopt;
    const size_t p = pos + frames.size() - 1;
    Frame& f = frames.back();
    const double v = s.value_at(p);
    while (f.next < f.edges->size() && !(*f.edges)[f.next].constraint.accepts(v)) ++f.next;
    if (f.next == f.edges->size()) {
      // No edge here leads to a match: the parent's current edge failed.
      frames.pop_back();
    } else if (enter(*(*f.edges)[f.next].child, p + 1)) {
      continue;  // a longer sequence is tried first
    }
    // The subtree below the top frame's current edge holds no match: a
    // sequence ending at that edge's child wins, else try the next edge.
    if (frames.empty()) return std::nullopt;
    Frame& top = frames.back();
    const size_t top_p = pos + frames.size() - 1;
    if ((*top.edges)[top.next].child->terminal) return top_p + 1 - pos;
    ++top.next;
  }
  return std::nullopt;
}

}  // namespace tide
