// The fields of the two pickled forms that are not one value of the model:
// an annotation spec (its column name and kind) and a state span (a frozen
// machine, one of its states and whether only valid instances count).
#pragma once

#include "codec/pickled.hpp"
#include "codec/walk_refs.hpp"

namespace tide::codec {

template <class Io>
void walk(Io& io, NamedKind& k) {
  io.text(k.name);
  walk(io, k.kind);
}

template <class Io>
void walk(Io& io, StateSpanParts& s) {
  walk(io, s.snapshot);
  walk_nums(io, s.state, s.valid_only);
}

}  // namespace tide::codec
