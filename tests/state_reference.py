"""A plain Python model of a state machine run, for comparison with the module.

A machine is described by plain data:
  states:  list of dicts with the keys of StateMachine.add_state (name required)
  entries: list of (state, trigger, from_states, anchor)
  exits:   list of (state, trigger, inclusive, anchor)
Triggers are str, list[str] or list[list[str]]; patterns are not modelled.
"""

import bisect
import math

import tidemark

STATE_DEFAULTS = dict(
    max_gap=math.inf,
    gap_anchor="sustain",
    sustain=None,
    self_transition="refresh",
    min_duration=0.0,
    min_events=1,
    require=None,
    drop_unclosed=True,
    timeout_to=None,
)


def build(base, states, entries, exits):
    sm = tidemark.StateMachine(base)
    for s in states:
        sm.add_state(**s)
    for state, trigger, from_states, anchor in entries:
        sm.add_entry(state, trigger, from_states, anchor)
    for state, trigger, inclusive, anchor in exits:
        sm.add_exit(state, trigger, inclusive, anchor)
    return sm


def locate(ref, tokens, times):
    """(start, end) of every point where the reference fires."""
    n = len(tokens)
    if isinstance(ref, str):
        ref = [ref]
    if all(isinstance(x, str) for x in ref):
        return [(p, p) for p in range(n) if tokens[p] in ref]
    points, p = [], 0
    while p < n:
        longest = max(
            (
                len(seq)
                for seq in ref
                if tokens[p : p + len(seq)] == list(seq) and all(t == times[p] for t in times[p : p + len(seq)])
            ),
            default=0,
        )
        if longest:
            points.append((p, p + longest - 1))
            p += longest
        else:
            p += 1
    return points


def firings(ref, anchor, tokens, times):
    """pos -> firing span."""
    return {(s if s == e or anchor == "start" else e): (s, e) for s, e in locate(ref, tokens, times)}


def run(base, states, entries, exits, tokens, times):
    """The instances as tuples in the key order of state_spans."""
    states = [{**STATE_DEFAULTS, **s} for s in states]
    names = [base] + [s["name"] for s in states]
    sid = {name: i for i, name in reversed(list(enumerate(names)))}
    n = len(tokens)
    entry_rules = [
        (sid[st], firings(trig, anchor, tokens, times), [sid[f] for f in (fr or [])])
        for st, trig, fr, anchor in entries
    ]
    exit_rules = [(sid[st], firings(trig, anchor, tokens, times), incl) for st, trig, incl, anchor in exits]
    defs = {}
    for i, s in enumerate(states, 1):
        if s["sustain"] is not None:
            sustain = [firings(s["sustain"], "end", tokens, times)]
        else:
            sustain = [f for st, f, _ in entry_rules if st == i]
        target = sid.get(s["timeout_to"]) if s["timeout_to"] is not None else None
        required = [sorted(firings(r, "end", tokens, times)) for r in (s["require"] or [])]
        defs[i] = dict(s, sustain=sustain, timeout_to=target or None, required=required)

    done = []
    cur = None  # the open instance: a dict
    clock = deadline = math.inf

    def close(end_pos, t_end, reason):
        nonlocal cur, deadline
        cur.update(end_pos=end_pos, t_end=t_end, close=reason)
        done.append(cur)
        cur, deadline = None, math.inf

    def cut(s):
        if cur["te"]:
            return max(s, cur["start"]) - 1
        return max(max(s - 1, 0), cur["start"])

    def expire(i, now):
        nonlocal cur, clock, deadline
        while cur is not None and deadline < now:
            c = bisect.bisect_right(times, deadline, cur["start"], i) - cur["start"] if cur["start"] < i else 0
            end = cur["start"] + c - 1 if c > 0 else (cur["start"] - 1 if cur["te"] else cur["start"])
            target = defs[cur["state"]]["timeout_to"]
            t_end = max(deadline, cur["t_start"])
            close(end, t_end, 1)
            if target is None:
                return
            cur, clock = dict(state=target, start=end + 1, t_start=t_end, n=0, te=True), t_end
            deadline = clock + defs[target]["max_gap"]

    for i in range(n):
        now = times[i]
        expire(i, now)
        entered = None
        current = cur["state"] if cur else 0
        for target, fire, from_states in entry_rules:
            if i not in fire or (from_states and current not in from_states):
                continue
            s, _ = fire[i]
            mode = defs[target]["self_transition"] if target == current else None
            if mode == "refresh":
                cur["n"] += 1
                clock = now
                entered = "refreshed"
            elif mode != "ignore":
                if cur:
                    close(cut(s), times[s], 2)
                cur, clock = dict(state=target, start=s, t_start=times[s], n=1, te=False), now
                entered = "opened"
            break
        if cur is None:
            continue
        d = defs[cur["state"]]
        if any(i in f for f in d["sustain"]):
            if entered is None:
                cur["n"] += 1
            if d["gap_anchor"] != "entry":
                clock = now
        elif d["gap_anchor"] == "any_event":
            clock = now
        deadline = clock + d["max_gap"]
        if entered == "opened":
            continue
        for state, fire, inclusive in exit_rules:
            if state == cur["state"] and i in fire:
                s, e = fire[i]
                end = (e if cur["te"] else max(cur["start"], e)) if inclusive else cut(s)
                close(end, now, 0)
                break
    if n:
        expire(n, times[-1])
        if cur:
            close(n - 1 if cur["te"] else max(cur["start"], n - 1), times[-1], 3)
    done.sort(key=lambda x: (x["start"], x["t_start"]))
    rows = []
    for x in done:
        d = defs[x["state"]]
        failed = [
            d["drop_unclosed"] and x["close"] == 3,  # reasons 1 to 4, the first failing one wins
            d["min_duration"] > 0 and x["t_end"] - x["t_start"] < d["min_duration"],
            not x["te"] and x["n"] < d["min_events"],
            any(not any(x["start"] <= p <= x["end_pos"] for p in hits) for hits in d["required"]),
        ]
        reject = next((k for k, f in enumerate(failed, 1) if f), 0)
        rows.append(
            (
                x["state"],
                x["start"],
                x["end_pos"],
                x["t_start"],
                x["t_end"],
                x["n"],
                x["close"],
                reject,
                int(reject == 0),
                int(x["te"]),
            )
        )
    return rows


KEYS = "state start_pos end_pos t_start t_end n_events close_reason reject_reason valid timeout_entered".split()


def rows_of(result):
    """state_spans' dict as tuples, one per instance."""
    return list(zip(*(result[k].tolist() for k in KEYS)))
