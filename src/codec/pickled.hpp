// The pickled form of the module's objects: bytes plus the texts of the
// tokens they hold (never ids, which each process assigns afresh).
#pragma once

#include <string>

#include "annotate/annotation_kind.hpp"
#include "codec/archive.hpp"
#include "state/finalize.hpp"
#include "state/state_machine_decl.hpp"
#include "types/expected.hpp"
#include "types/pattern.hpp"

namespace tide {

struct NamedKind {
  std::string name;
  AnnotKind kind;
};

struct StateSpanParts {
  Snapshot snapshot;
  StateId state = 0;
  bool valid_only = true;
};

Pickled pickle(const Pattern& p);
Pickled pickle(const std::string& name, const AnnotKind& kind);  // an annotation spec
Pickled pickle(const StateMachineDecl& m);
Pickled pickle(const StateSpanParts& s);

// The object back, its tokens interned in this process. Fails with the
// interner's error, or a ValueError for bytes that are not a pickled form
// of the type or whose machine refers to triggers or states that do not exist.
Expected<Pattern> unpickle_pattern(const Pickled& p);
Expected<NamedKind> unpickle_annotation(const Pickled& p);
Expected<StateMachineDecl> unpickle_machine(const Pickled& p);
Expected<StateSpanParts> unpickle_state_span(const Pickled& p);

}  // namespace tide
