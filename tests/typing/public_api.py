"""A user's script over the public API of tidemark, written as a typed user would write it.

`make typecheck` checks it with mypy --strict and pyright against the installed stubs, and
runs it. The lines marked `type: ignore` are mistakes the stubs must reject: both checkers
report an ignore comment that suppresses nothing, so each of them proves a rejection.
"""

import math

import numpy as np
import numpy.typing as npt
import tidemark
from tidemark import (
    CLOSE_REASONS,
    REJECT_REASONS,
    AnnotationSpec,
    Pattern,
    PreprocessedStream,
    StateMachine,
    StateSpan,
    TideQuery,
    annotate_stream,
    state_spans,
    vocab_ids,
)

version: str = tidemark.__version__

tokens = ["ADMIT", "LAB_LACTATE", "LAB_LACTATE", "MED_VASOPRESSOR", "DISCHARGE"]
times = [0.0, 2.0, 5.0, 9.0, 30.0]
values = [math.nan, 5.1, 3.2, math.nan, math.nan]

# Patterns: every element kind.
p = Pattern(max_dt=48.0, collector="count")
p.add_event("LAB_LACTATE", min_val=4.0)
p.add_event("MED_VASOPRESSOR", block_token="DISCHARGE", max_dt=24)
p.add_event_set(["DISCHARGE", "DEATH"], min_vals=[math.nan, math.nan])
p.add_event_seq([["VITAL_SBP", "VITAL_HR"]], max_vals=[[90.0]])
p.add_time_event(block_tokens=["DEATH"], min_dt=1.0)
p.add_dynamic_time_event(rel_max_dt=np.float64(3.0))
p.add_dynamic_event(static_block_tokens=("DEATH",), backtrackable=np.bool_(False))
p.add_dynamic_event_set(static_match_tokens=["LAB_WBC"], match_from_last=True)
p.add_mapped_event(0, {"LAB_LACTATE": {"match": "MED_FLUIDS", "max_dt": 6.0}}, default={"match": ["X", "Y"]})
p.add_mapped_event(3, {("VITAL_SBP", "VITAL_HR"): {"match": [["MED_FLUIDS"]], "min_val": [[0.5]]}})
p.add_midstream_collector(["LAB_WBC"], start_after=[0], stop_before=[1], collector="count")
pattern_repr: str = repr(p)

simple = Pattern()
simple.add_event("LAB_LACTATE", min_val=4.0)
simple.add_event("MED_VASOPRESSOR", block_token="DISCHARGE", max_dt=24.0)
q = TideQuery(simple)

# One stream: the result keys have their array types.
r = q.match_stream(tokens, times, values, include_tokens=True)
m_start: npt.NDArray[np.int64] = r["m_start"]
el_times: npt.NDArray[np.float64] = r["el_times"]
el_tokens = r.get("el_tokens", [])
assert m_start.tolist() == [1] and el_times.shape == (1, 2)
assert el_tokens == [["LAB_LACTATE", "MED_VASOPRESSOR"]]
assert r["result"] is None and r["mid_result"] is None

stream: PreprocessedStream = q.preprocess(np.array(tokens), np.array(times))
n_tokens: int = len(stream)
assert q.match_preprocessed(stream, first_only=True)["m_end"].tolist() == []

# A corpus of two documents, coded once.
ids = np.array(vocab_ids(tokens), dtype=np.uint32)
offsets = np.array([0, 4, 5], dtype=np.int64)
batch = q.match_batch(ids, np.array(times), offsets, np.array(values))
first_starts: npt.NDArray[np.int64] = batch["m_start"]
assert first_starts.tolist() == [1, -1]

# State machines.
sm = StateMachine("home")
sm.add_state("admitted", max_gap=24.0, sustain=["LAB_WBC", "MED_ANTIBIOTIC"], min_events=3, timeout_to="quiet")
sm.add_state("quiet", drop_unclosed=False, require=[simple])
sm.add_entry("admitted", "ADMIT", from_states=["home"])
sm.add_exit("admitted", "DISCHARGE", anchor="start")
sm.add_exit("quiet", [["DISCHARGE"]], inclusive=False)
names: list[str] = sm.state_names
admitted: int = sm.state_id("admitted")
stay: StateSpan = sm.span("admitted")
spans = state_spans(tokens, times, sm, include_invalid=False)
reasons = [CLOSE_REASONS[int(c)] for c in spans["close_reason"]]
rejects = [REJECT_REASONS[int(c)] for c in spans["reject_reason"]]

# Label columns.
cols = annotate_stream(
    tokens,
    times,
    [
        AnnotationSpec.future_occurrence("lactate_24h", "LAB_LACTATE", 24.0, partial_window=True),
        AnnotationSpec.past_occurrence("admit_before", ["ADMIT"], 48.0),
        AnnotationSpec.before_event("pressor_before_discharge", "MED_VASOPRESSOR", "DISCHARGE"),
        AnnotationSpec.in_span("lactate_in_stay", "LAB_LACTATE", ("ADMIT", "DISCHARGE")),
        AnnotationSpec.future_span_occurrence("stay_ahead", stay, 12.0),
        AnnotationSpec.past_span_occurrence("stay_behind", simple, 12.0),
        AnnotationSpec.window_aggregate("max_lactate_6h", "LAB_LACTATE", 6.0, agg="max", forward=False),
        AnnotationSpec.span_aggregate("mean_lactate", "LAB_LACTATE", ("ADMIT", "DISCHARGE")),
        AnnotationSpec.state_label("state", sm, default_state=0, invalid_label=-1),
    ],
    values,
)
column: npt.NDArray[np.generic] = cols["lactate_24h"]
assert len(column) == len(tokens)


def mistakes() -> None:
    """Calls the stubs reject (never run: each would raise)."""
    Pattern(collector="Count")  # type: ignore[arg-type]
    simple.add_event(["LAB_LACTATE"])  # type: ignore[arg-type]
    AnnotationSpec.window_aggregate("w", "LAB_LACTATE", 6.0, agg="median")  # type: ignore[arg-type]
    sm.add_entry("admitted", "ADMIT", anchor="middle")  # type: ignore[arg-type]
    q.match_stream(tokens, times)["no_such_key"]  # type: ignore[typeddict-item]
    state_spans(tokens, times, simple)  # type: ignore[arg-type]


print(f"tidemark {version}: {n_tokens} tokens, {len(names)} states (admitted={admitted}), {pattern_repr}")
