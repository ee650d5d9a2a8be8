"""Per-event label columns for patients of the synthetic corpus, computed in
one annotate_stream call per patient."""

import math

from corpus import make_corpus
from state_episodes import episode_machine
from tidemark import AnnotationSpec, Pattern, TideQuery, annotate_stream

STAY = ("ADMIT", "DISCHARGE")


def creatinine_rise():
    """A normal creatinine (at most 1.5) followed by a high one (2 or more) within 48 h."""
    p = Pattern()
    p.add_event("LAB_CREATININE", max_val=1.5)
    p.add_event("LAB_CREATININE", min_val=2.0, max_dt=48.0)
    return p


def label_specs(sm):
    """The columns: the spec names are the table's headings."""
    return [
        # 1 where a creatinine rise begins within the next 48 h.
        AnnotationSpec.future_occurrence("cr_rise_48h", creatinine_rise(), 48.0, partial_window=True),
        # 1 inside a stay with an antibiotic, 0 inside one without, -1 between stays.
        AnnotationSpec.in_span("abx_in_stay", "MED_ANTIBIOTIC", STAY),
        AnnotationSpec.span_aggregate("max_lactate", "LAB_LACTATE", STAY, "max"),
        AnnotationSpec.window_aggregate("na_mean_24h", "LAB_SODIUM", 24.0, "mean", forward=False, partial_window=True),
        # 1 across a stay (up to its discharge) holding a vasopressor.
        AnnotationSpec.before_event("pressor_stay", "MED_VASOPRESSOR", "DISCHARGE"),
        AnnotationSpec.state_label("state", sm),
    ]


def cell(value):
    if isinstance(value, float):
        return "." if math.isnan(value) else f"{value:.2f}"
    return str(value)


def pick_patients(corpus, max_events=25):
    """Two short histories with two stays each: one with a creatinine rise, one with a vasopressor."""
    rise = TideQuery(creatinine_rise())
    short = [p for p in corpus if len(p[1]) <= max_events and p[1].count("ADMIT") == 2]
    with_rise = next(p for p in short if len(rise.match_stream(p[1], p[2], p[3])["m_start"]))
    with_pressor = next(p for p in short if "MED_VASOPRESSOR" in p[1])
    return [with_rise, with_pressor]


def state_name(label, names):
    """The state of a state_label entry; -1 marks a retracted (not yet or never valid) instance."""
    return "?" if label < 0 else names[label]


def show_annotation_table(corpus):
    sm = episode_machine()
    specs = label_specs(sm)
    headings = [repr(s).removeprefix('AnnotationSpec(name="').removesuffix('")') for s in specs]
    print("  " + " ".join(f"{h:>11}" for h in ["time (h)", "event", "value"] + headings))
    for pid, tokens, times, values in pick_patients(corpus):
        print(f"  {pid}")
        columns = annotate_stream(tokens, times, specs, values)
        for i, token in enumerate(tokens):
            row = [f"{times[i]:.1f}", token.removeprefix("LAB_").removeprefix("MED_"), cell(values[i])]
            row += [cell(columns[h][i].item()) for h in headings[:-1]]
            row.append(state_name(columns["state"][i], sm.state_names))
            print("  " + " ".join(f"{c:>11}" for c in row))
    print("  state ? = an instance that failed its validity rules (here: fewer than 3 events)")


if __name__ == "__main__":
    show_annotation_table(make_corpus())
