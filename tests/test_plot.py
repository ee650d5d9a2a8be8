"""timeline draws what tidemark computes for one subject: checked on the artists, not on pixels."""

import math

import numpy as np
import pytest

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.dates as mdates  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402
import polars as pl  # noqa: E402
from matplotlib.collections import LineCollection, PathCollection, PolyCollection  # noqa: E402
from tidemark import AnnotationSpec, Pattern, StateMachine  # noqa: E402

from tidemark_corpus import Corpus  # noqa: E402
from tidemark_corpus.plot import timeline  # noqa: E402

nan = math.nan
# Subject 7: admitted, two lactates, a vasopressor, discharged; subject 9 has one event,
# subject 12 only a static row.
EVENTS = [
    (7, "2024-03-01 08:00", "ADMIT", nan),
    (7, "2024-03-01 09:00", "LAB_LACTATE", 5.1),
    (7, "2024-03-01 12:00", "LAB_LACTATE", 3.2),
    (7, "2024-03-01 17:00", "MED_VASOPRESSOR", nan),
    (7, "2024-03-03 08:00", "DISCHARGE", nan),
    (9, "2024-05-01 10:00", "ADMIT", nan),
    (12, None, "SEX_F", nan),
]


@pytest.fixture(scope="module")
def corpus():
    frame = pl.DataFrame(EVENTS, schema=["subject_id", "time", "code", "numeric_value"], orient="row")
    return Corpus.from_frame(frame.with_columns(pl.col("time").str.to_datetime()))


@pytest.fixture(autouse=True)
def close_figures():
    yield
    plt.close("all")


def by_label(ax, kind, label):
    [artist] = [c for c in ax.collections if isinstance(c, kind) and c.get_label() == label]
    return artist


def hours(*times):
    return mdates.date2num(np.array(times, dtype="datetime64[us]"))


def test_events_one_row_per_code_in_order_of_first_appearance(corpus):
    ax = timeline(corpus, 7).axes[0]
    assert [t.get_text() for t in ax.get_yticklabels()] == ["ADMIT", "LAB_LACTATE", "MED_VASOPRESSOR", "DISCHARGE"]
    xy = by_label(ax, PathCollection, "events").get_offsets()
    assert xy[:, 1].tolist() == [0, 1, 1, 2, 3]
    assert xy[0, 0] == hours("2024-03-01T08:00")[0]
    assert sorted(t.get_text() for t in ax.texts) == ["3.2", "5.1"]
    assert isinstance(ax.figure.axes[-1].xaxis.get_major_formatter(), mdates.ConciseDateFormatter)


def test_codes_choose_and_order_the_rows(corpus):
    ax = timeline(corpus, 7, codes=["DISCHARGE", "LAB_LACTATE"], show_values=False).axes[0]
    assert [t.get_text() for t in ax.get_yticklabels()] == ["DISCHARGE", "LAB_LACTATE"]
    assert by_label(ax, PathCollection, "events").get_offsets()[:, 1].tolist() == [1, 1, 0]
    assert len(ax.texts) == 0


def test_matches_are_bars_in_their_lane_and_rings_on_their_elements(corpus):
    p = Pattern()
    p.add_event("LAB_LACTATE")
    p.add_event("MED_VASOPRESSOR", max_dt=10.0)
    ax = timeline(corpus, 7, query=p).axes[0]
    assert ax.get_yticklabels()[0].get_text() == "matches"
    [bar, bar2] = by_label(ax, LineCollection, "matches").get_segments()
    assert bar.tolist() == [[*hours("2024-03-01T09:00"), -1.0], [*hours("2024-03-01T17:00"), -1.0]]
    assert bar2[0, 0] == hours("2024-03-01T12:00")[0]
    rings = by_label(ax, PathCollection, "matched events").get_offsets()
    assert rings[:, 1].tolist() == [1, 2, 1, 2]


def test_state_episodes_are_bands_hatched_when_invalid(corpus):
    sm = StateMachine()
    sm.add_state("inpatient", min_duration=24.0)
    sm.add_entry("inpatient", "ADMIT")
    sm.add_exit("inpatient", "DISCHARGE")
    sm.add_state("shock")
    sm.add_entry("shock", "MED_VASOPRESSOR")
    ax = timeline(corpus, 7, machine=sm).axes[0]
    too_short = by_label(ax, PolyCollection, "inpatient (invalid)")
    assert too_short.get_hatch() == "//"
    [band] = too_short.get_paths()
    assert band.vertices[:, 0].min() == hours("2024-03-01T08:00")[0]
    assert band.vertices[:, 0].max() == hours("2024-03-01T17:00")[0]
    assert by_label(ax, PolyCollection, "shock (invalid)").get_hatch() == "//"


def test_labels_are_step_lines_in_panels_below(corpus):
    specs = [
        AnnotationSpec.future_occurrence("pressor_12h", "MED_VASOPRESSOR", 12.0, partial_window=True),
        AnnotationSpec.window_aggregate("max_lactate", "LAB_LACTATE", 6.0, "max", forward=False, partial_window=True),
    ]
    fig = timeline(corpus, 7, labels=specs)
    assert [a.get_ylabel() for a in fig.axes[1:]] == ["pressor_12h", "max_lactate"]
    assert fig.axes[1].lines[0].get_ydata().tolist() == [1, 1, 1, 1, 0]
    np.testing.assert_array_equal(fig.axes[2].lines[0].get_ydata(), [nan, 5.1, 5.1, 3.2, nan])
    fig.canvas.draw()
    dates = [[t.get_text() for t in a.get_xticklabels() if t.get_visible() and t.get_text()] for a in fig.axes]
    assert not dates[0] and not dates[1] and dates[2]


def test_draws_into_a_given_axes_with_label_panels_below_it(corpus):
    fig, ax = plt.subplots()
    spec = AnnotationSpec.past_occurrence("admitted", "ADMIT", 1.0)
    assert timeline(corpus, 9, ax=ax, labels=[spec]) is fig
    assert by_label(ax, PathCollection, "events").get_offsets().shape == (1, 2)
    [panel] = ax.child_axes
    assert panel.get_ylabel() == "admitted" and panel.get_shared_x_axes().joined(panel, ax)


def test_a_subject_without_timed_events_gives_an_empty_picture(corpus):
    p = Pattern()
    p.add_event("ADMIT")
    sm = StateMachine()
    sm.add_state("inpatient")
    sm.add_entry("inpatient", "ADMIT")
    spec = AnnotationSpec.future_occurrence("admit_24h", "ADMIT", 24.0)
    fig = timeline(corpus, 12, query=p, machine=sm, labels=[spec])
    assert by_label(fig.axes[0], PathCollection, "events").get_offsets().shape == (0, 2)
    assert len(by_label(fig.axes[0], LineCollection, "matches").get_segments()) == 0
    assert len(fig.axes[1].lines[0].get_ydata()) == 0
    fig.canvas.draw()


@pytest.mark.parametrize(
    ("kwargs", "error", "message"),
    [
        ({"subject_id": 8}, ValueError, "subject_id 8 is not in the corpus"),
        ({"codes": ["LAB_LACTATE", "LAB_LACTAT"]}, ValueError, "LAB_LACTAT"),
        ({"codes": "ADMIT"}, TypeError, "not a single str"),
        ({"query": "ADMIT"}, TypeError, "query must be a Pattern or a TideQuery, got str"),
        ({"machine": Pattern()}, TypeError, "machine must be a StateMachine, got Pattern"),
        ({"labels": ["pressor"]}, TypeError, "labels must be AnnotationSpecs, got str"),
    ],
)
def test_bad_arguments_are_named(corpus, kwargs, error, message):
    with pytest.raises(error, match=message):
        timeline(corpus, **{"subject_id": 7, **kwargs})
