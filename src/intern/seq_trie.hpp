// Interning token sequences into a trie: the one place where sequence texts
// become trie paths, for pattern elements, midstream collectors and token
// references alike.
#pragma once

#include <string>
#include <vector>

#include "types/expected.hpp"
#include "types/trie.hpp"
#include "types/value_constraint.hpp"

namespace tide {

// A trie of the sequences, each interned in order and inserted with its
// constraint list (unconstrained where `constraints` has no list for it).
// Fails when the interner is full.
Expected<Trie> build_seq_trie(const std::vector<std::vector<std::string>>& seqs,
                              const std::vector<std::vector<ValueConstraint>>& constraints = {});

}  // namespace tide
