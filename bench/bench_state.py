"""Tokens per second of state_spans on a 1,000,000-token stream with a machine of
3 states and 6 rules, beside the cost of converting and interning the stream
alone (what any entry point that takes a stream of str pays first)."""

from bench_match import VOCAB, N, best_of, make_stream
from tidemark import Pattern, StateMachine, TideQuery, state_spans


def machine():
    """admitted -> icu -> admitted, with a follow-up state entered on expiry."""
    sm = StateMachine("home")
    sm.add_state("admitted", max_gap=400.0, timeout_to="follow_up", min_events=2, require=[VOCAB[9]])
    sm.add_state("icu", max_gap=100.0, gap_anchor="any_event", min_duration=5.0)
    sm.add_state("follow_up", max_gap=200.0, drop_unclosed=False)
    sm.add_entry("admitted", [VOCAB[1], VOCAB[2]], from_states=["home", "follow_up"])
    icu = Pattern(max_dt=50.0)
    icu.add_event(VOCAB[3])
    icu.add_event(VOCAB[4])
    sm.add_entry("icu", icu, from_states=["admitted"], anchor="start")
    sm.add_entry("admitted", VOCAB[5], from_states=["icu"])
    sm.add_exit("admitted", VOCAB[6])
    sm.add_exit("icu", VOCAB[7], inclusive=False)
    sm.add_exit("follow_up", [[VOCAB[8]]])
    return sm


def main():
    tokens, times, values = make_stream()
    sm = machine()
    query = TideQuery(Pattern())
    intern_s = best_of(lambda: query.preprocess(tokens, times, values))
    print(f"stream of {N:,} tokens; converting and interning it alone: {N / intern_s / 1e6:6.1f} M tokens/s")
    result = state_spans(tokens, times, sm, values)
    run_s = best_of(lambda: state_spans(tokens, times, sm, values))
    print(f"{sm!r}")
    print(
        f"state_spans, 3 states and 6 rules: {N / run_s / 1e6:6.1f} M tokens/s "
        f"({run_s * 1e3:.0f} ms, {len(result['state']):,} instances, {int(result['valid'].sum()):,} valid)"
    )


if __name__ == "__main__":
    main()
