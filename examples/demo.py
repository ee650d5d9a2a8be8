"""What tidemark finds in a synthetic clinical corpus it makes itself."""

from pathlib import Path

import numpy as np
import tidemark
from annotation_table import show_annotation_table
from corpus import make_corpus
from meds_tables import show_meds_tables
from state_episodes import show_state_episodes
from tidemark import Pattern, TideQuery


def section(title):
    print(f"\n== {title}")


def main():
    corpus = make_corpus()
    n_tokens = sum(len(tokens) for _, tokens, _, _ in corpus)
    print(f"synthetic corpus: {len(corpus)} patients, {n_tokens} events")

    section("vocabulary ids")
    vocab = sorted({tok for _, tokens, _, _ in corpus for tok in tokens})
    ids = tidemark.vocab_ids(vocab)
    for token, token_id in list(zip(vocab, ids))[:6]:
        print(f"  {token:<18} -> {token_id}")
    print(f"  ... {len(vocab)} codes in all")

    section("patterns")
    high_lactate_then_pressor = Pattern(max_dt=48.0)
    high_lactate_then_pressor.add_event("LAB_LACTATE", min_val=4.0)
    high_lactate_then_pressor.add_event("MED_VASOPRESSOR", block_token="DISCHARGE", max_dt=24.0)
    stay = Pattern(collector="count")
    stay.add_event("ADMIT", backtrackable=False)
    stay.add_event("DISCHARGE", backtrackable=False)
    sepsis_admission = Pattern()
    sepsis_admission.add_event_seq([["ADMIT", "DX_SEPSIS"]])
    sepsis_admission.add_event("MED_ANTIBIOTIC", max_dt=6.0, backtrackable=False)
    for name, p in [
        ("lactate >= 4 then vasopressor within 24 h, no discharge between", high_lactate_then_pressor),
        ("admission to discharge", stay),
        ("sepsis admission, antibiotic within 6 h", sepsis_admission),
    ]:
        print(f"  {name}: {p!r}")

    section("matches in the first patients (lactate >= 4 then vasopressor)")
    query = TideQuery(high_lactate_then_pressor)
    shown = 0
    for pid, tokens, times, values in corpus:
        r = query.match_stream(tokens, times, values, include_tokens=True)
        for m in range(len(r["m_start"])):
            lactate = values[r["el_stream_idx"][m][0]]
            t0, t1 = r["el_times"][m]
            print(
                f"  {pid}: lactate {lactate:.2f} at {t0:7.1f} h -> {r['el_tokens'][m][1]} at {t1:7.1f} h"
                f" ({t1 - t0:4.1f} h later)"
            )
            shown += 1
            if shown == 8:
                break
        if shown == 8:
            break

    section("sepsis admissions treated within 6 h, whole corpus")
    sepsis = TideQuery(sepsis_admission)
    treated = sum(
        1
        for _, tokens, times, values in corpus
        if len(sepsis.match_stream(tokens, times, values, first_only=True)["m_start"])
    )
    with_code = sum(1 for _, tokens, _, _ in corpus if "DX_SEPSIS" in tokens)
    print(f"  {treated} of {with_code} patients with a sepsis code had an antibiotic within 6 h of admission")

    section("cohort query over the pre-coded corpus in one call (match_batch)")
    remap = dict(zip(vocab, ids))
    token_ids = np.array([remap[t] for _, tokens, _, _ in corpus for t in tokens], dtype=np.uint32)
    times = np.array([t for _, _, ts, _ in corpus for t in ts])
    values = np.array([v for _, _, _, vs in corpus for v in vs])
    offsets = np.cumsum([0] + [len(tokens) for _, tokens, _, _ in corpus]).astype(np.int64)
    batch = query.match_batch(token_ids, times, offsets, values)
    hits = np.flatnonzero(batch["m_start"] >= 0)
    print(f"  {len(hits)} of {len(corpus)} patients match; first few:")
    for k in hits[:5]:
        print(f"  {corpus[k][0]}: events {batch['m_start'][k]} to {batch['m_end'][k]}")

    section("admission episodes labelled by a state machine")
    show_state_episodes(corpus)

    section("label columns per event (annotate_stream), for two patients")
    show_annotation_table(corpus)

    section("the same patients as a MEDS dataset, queried into tables (tidemark_corpus)")
    show_meds_tables(corpus, Path(__file__).parent / "out" / "meds")


if __name__ == "__main__":
    main()
