"""A small synthetic clinical corpus: patients with admissions, lab results
carrying values, medications and discharges, on an hourly time axis."""

import random

LABS = {"LAB_CREATININE": (0.6, 4.0), "LAB_LACTATE": (0.5, 8.0), "LAB_WBC": (3.0, 25.0), "LAB_SODIUM": (125.0, 150.0)}
MEDS = ["MED_ANTIBIOTIC", "MED_DIURETIC", "MED_VASOPRESSOR", "MED_INSULIN", "MED_ANALGESIC"]
CODES = ["DX_SEPSIS", "DX_AKI", "DX_CHF"]
NAN = float("nan")


def patient_timeline(rng):
    """One patient's (token, time, value) events in time order."""
    events = []
    t = rng.uniform(0, 500)
    for _ in range(rng.randint(1, 3)):
        events.append(("ADMIT", t, NAN))
        if rng.random() < 0.4:
            events.append((rng.choice(CODES), t, NAN))  # recorded together with the admission
        stay = rng.uniform(24, 24 * 10)
        end = t + stay
        clock = t
        while clock < end:
            clock += rng.expovariate(1 / 6.0)
            if clock >= end:
                break
            if rng.random() < 0.6:
                lab = rng.choice(list(LABS))
                lo, hi = LABS[lab]
                events.append((lab, clock, round(rng.uniform(lo, hi), 2)))
            else:
                events.append((rng.choice(MEDS), clock, NAN))
        events.append(("DISCHARGE", end, NAN))
        t = end + rng.uniform(24 * 7, 24 * 120)
    return events


def make_corpus(n_patients=300, seed=7):
    """A list of (patient_id, tokens, times, values), one entry per patient."""
    rng = random.Random(seed)
    corpus = []
    for pid in range(n_patients):
        events = patient_timeline(rng)
        tokens = [e[0] for e in events]
        times = [e[1] for e in events]
        values = [e[2] for e in events]
        corpus.append((f"P{pid:04d}", tokens, times, values))
    return corpus
