"""A picture of one septic patient's stay: events by code, the cohort query's matches,
admission episodes and two label columns, saved as a PNG whose path is printed."""

import sys
from datetime import datetime, timedelta
from pathlib import Path

import polars as pl
from state_episodes import episode_machine
from tidemark import AnnotationSpec, Pattern

from tidemark_corpus import Corpus, duration
from tidemark_corpus.plot import timeline

ADMITTED = datetime(2024, 3, 4, 21, 40)
# (hours after admission, code, value): a sepsis admission with a lactate of 4.8, fluids and
# antibiotics, a vasopressor, lactate clearing over two days, a quiet day on the ward, discharge.
STAY = [
    (0.0, "ADMIT", None),
    (0.0, "DX_SEPSIS", None),
    (0.3, "LAB_LACTATE", 4.8),
    (0.3, "LAB_WBC", 18.2),
    (0.8, "LAB_BLOOD_CULTURE", None),
    (1.0, "MED_ANTIBIOTIC", None),
    (1.2, "MED_FLUID_BOLUS", None),
    (3.5, "LAB_LACTATE", 4.1),
    (4.0, "MED_VASOPRESSOR", None),
    (9.0, "LAB_LACTATE", 3.0),
    (12.0, "MED_VASOPRESSOR", None),
    (13.0, "MED_ANTIBIOTIC", None),
    (18.0, "LAB_WBC", 14.6),
    (21.0, "LAB_LACTATE", 1.9),
    (25.0, "MED_ANTIBIOTIC", None),
    (37.0, "MED_ANTIBIOTIC", None),
    (42.0, "LAB_WBC", 9.8),
    (49.0, "MED_ANTIBIOTIC", None),
    (80.0, "LAB_WBC", 8.1),
    (96.0, "DISCHARGE", None),
]


def stay_corpus():
    rows = [(1001, ADMITTED + timedelta(hours=h), code, value) for h, code, value in STAY]
    schema = {"subject_id": pl.Int64, "time": pl.Datetime("us"), "code": pl.String, "numeric_value": pl.Float64}
    return Corpus.from_frame(pl.DataFrame(rows, schema=schema, orient="row"))


def lactate_then_pressor():
    """A lactate of at least 4, then a vasopressor within 6 hours, no discharge between."""
    p = Pattern()
    p.add_event("LAB_LACTATE", min_val=4.0)
    p.add_event("MED_VASOPRESSOR", max_dt=duration("6h"), block_token="DISCHARGE")
    return p


def main(out):
    labels = [
        AnnotationSpec.future_occurrence(
            "pressor within 12 h", "MED_VASOPRESSOR", duration("12h"), partial_window=True
        ),
        AnnotationSpec.window_aggregate(
            "max lactate, past 12 h", "LAB_LACTATE", duration("12h"), "max", forward=False, partial_window=True
        ),
    ]
    fig = timeline(
        stay_corpus(),
        1001,
        query=lactate_then_pressor(),
        machine=episode_machine(),
        labels=labels,
        title="subject 1001: sepsis admission (lactate >= 4 then a vasopressor within 6 h)",
    )
    out.parent.mkdir(parents=True, exist_ok=True)
    fig.savefig(out, dpi=120)
    print(f"timeline picture: {out.resolve()}")


if __name__ == "__main__":
    main(Path(sys.argv[1]) if len(sys.argv) > 1 else Path("examples/out/timeline.png"))
