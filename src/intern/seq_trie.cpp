#include "intern/seq_trie.hpp"

#include "intern/interner.hpp"

namespace tide {

Expected<Trie> build_seq_trie(const std::vector<std::vector<std::string>>& seqs,
                              const std::vector<std::vector<ValueConstraint>>& constraints) {
  Trie trie;
  std::vector<TokenId> ids;
  for (size_t s = 0; s < seqs.size(); ++s) {
    ids.clear();
    for (const auto& tok : seqs[s]) {
      auto id = global_interner().intern(tok);
      if (!id) return id.error();
      ids.push_back(*id);
    }
    trie.insert_with_vals(ids, s < constraints.size() ? constraints[s] : std::vector<ValueConstraint>{});
  }
  return trie;
}

}  // namespace tide
