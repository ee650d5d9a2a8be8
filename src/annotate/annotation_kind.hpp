// The nine kinds of label column and their parameters.
#pragma once

#include <cstdint>
#include <variant>

#include "annotate/span_ref.hpp"
#include "refs/token_ref.hpp"
#include "state/finalize.hpp"

namespace tide {

// How the values of the points in a window or span are summarised.
enum class AggKind : uint8_t { Min = 0, Max = 1, Mean = 2, Count = 3 };

// Whether a reference fires (or a span starts) within window_t of each
// position, ahead of it or behind it.
template <class Ref>
struct Windowed {
  Ref ref;
  double window_t = 0.0;
  bool partial_window = false;
};

struct FutureOccurrence : Windowed<TokenRef> {};
struct PastOccurrence : Windowed<TokenRef> {};
struct FutureSpanOccurrence : Windowed<SpanRef> {};
struct PastSpanOccurrence : Windowed<SpanRef> {};

struct BeforeEvent {
  TokenRef x;
  TokenRef y;
  bool reset = true;
};

struct InSpan {
  TokenRef x;
  SpanRef span;
};

struct WindowAggregate {
  TokenRef k;
  double window_t = 0.0;
  AggKind agg = AggKind::Mean;
  bool forward = true;
  bool partial_window = false;
};

struct SpanAggregate {
  TokenRef k;
  SpanRef span;
  AggKind agg = AggKind::Mean;
};

struct StateLabel {
  Snapshot machine;
  int32_t default_state = 0;
  int32_t invalid_label = -1;
};

// The alternatives in the order of the kinds' codes 0 to 8.
using AnnotKind = std::variant<FutureOccurrence, PastOccurrence, BeforeEvent, InSpan, WindowAggregate, SpanAggregate,
                               FutureSpanOccurrence, PastSpanOccurrence, StateLabel>;

}  // namespace tide
