"""One subject's timeline as a matplotlib figure: events by code, query matches, state episodes, label columns.

Needs matplotlib (the `plot` extra). Everything is drawn from one subject's stream with the
native single-stream calls, so the picture shows exactly what tidemark computes for that subject.
"""

from __future__ import annotations

from collections.abc import Sequence
from typing import TYPE_CHECKING, Any

import numpy as np
import tidemark

if TYPE_CHECKING:
    from matplotlib.axes import Axes
    from matplotlib.figure import Figure

    from .corpus import Corpus

EVENT_COLOUR = "#4d4d4d"
MATCH_COLOUR = "#d62728"
# Colour-blind-safe hues for state episodes and label lines, none of them the match red.
PALETTE = ["#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e", "#17becf", "#8c564b", "#e377c2", "#bcbd22"]
MATCH_LANE = "matches"
MATCH_LANE_Y = -1.0


def timeline(
    corpus: Corpus,
    subject_id: int,
    query: tidemark.Pattern | tidemark.TideQuery | None = None,
    machine: tidemark.StateMachine | None = None,
    labels: Sequence[tidemark.AnnotationSpec] | None = None,
    codes: Sequence[str] | None = None,
    ax: Axes | None = None,
    title: str | None = None,
    show_values: bool = True,
) -> Figure:
    """Draw one subject's events on a datetime axis, one row per code, and return the Figure.

    query:   a Pattern or TideQuery; each match is a bar in a "matches" row above the codes,
             and its elements are ringed on their events.
    machine: a StateMachine; each episode is a shaded band in its state's colour (hatched when
             the episode is invalid: unclosed or failing its state's rules).
    labels:  AnnotationSpecs; each column is a step line in a panel of its own below.
    codes:   the codes to show, top to bottom (default: the subject's codes in order of first
             appearance); an event of another code is not drawn.
    ax:      the Axes to draw the events in (default: a new figure); label panels are added below it.
    title:   the title above the events (default: "subject <id>").
    show_values: write each shown event's numeric value beside it.
    """
    import matplotlib.dates as mdates

    stream = _subject_stream(corpus, subject_id)
    rows = _code_rows(corpus, stream["tokens"], codes)
    specs = _checked_labels(labels)
    query = _checked_query(query)
    if machine is not None and not isinstance(machine, tidemark.StateMachine):
        raise TypeError(f"timeline: machine must be a StateMachine, got {type(machine).__name__}")

    def to_x(t: np.ndarray) -> np.ndarray:
        # matplotlib.dates has no type annotations.
        return np.asarray(mdates.date2num(corpus.to_datetime(t)), dtype=np.float64)  # type: ignore[no-untyped-call]

    x = to_x(stream["times"])
    ax, panels = _axes(ax, len(rows) + (query is not None), len(specs))
    _draw_rows(ax, rows, query is not None)
    _draw_events(ax, x, stream, rows, show_values)
    if machine is not None:
        _draw_states(ax, to_x, stream, machine)
    if query is not None:
        _draw_matches(ax, x, stream, query, rows)
    ax.set_title(title if title is not None else f"subject {subject_id}", loc="left")
    ax.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), borderaxespad=0.0, fontsize="small", frameon=False)
    if specs:
        columns = tidemark.annotate_stream(stream["tokens"], stream["times"], specs, stream["values"])
        for i, (panel, (name, column)) in enumerate(zip(panels, columns.items())):
            _draw_label(panel, x, name, column, PALETTE[i % len(PALETTE)])
    bottom = panels[-1] if panels else ax
    for axes in [ax, *panels[:-1]]:
        axes.tick_params(labelbottom=False)
    locator = mdates.AutoDateLocator()  # type: ignore[no-untyped-call]
    bottom.xaxis.set_major_locator(locator)
    bottom.xaxis.set_major_formatter(mdates.ConciseDateFormatter(locator))  # type: ignore[no-untyped-call]
    if len(x):
        pad = max((x[-1] - x[0]) * 0.02, 1 / 24)
        ax.set_xlim(x[0] - pad, x[-1] + pad)
    figure = ax.get_figure(root=True)
    assert figure is not None  # an Axes made by or given to timeline belongs to a figure
    return figure


def _axes(ax: Axes | None, n_rows: int, n_panels: int) -> tuple[Axes, list[Axes]]:
    """The events' Axes and one panel per label column below it, sharing its time axis.

    Without `ax`, a new figure sized to the rows; with it, the panels are placed below it,
    outside its area (leave room for them).
    """
    if ax is None:
        import matplotlib.pyplot as plt

        heights = [0.45 + 0.3 * n_rows] + [0.9] * n_panels
        fig, axes = plt.subplots(
            1 + n_panels,
            1,
            sharex=True,
            squeeze=False,
            height_ratios=heights,
            figsize=(11, 0.9 + sum(heights)),
            layout="constrained",
        )
        return axes[0, 0], list(axes[1:, 0])
    height, gap = 0.3, 0.08
    return ax, [ax.inset_axes((0.0, -(i + 1) * (height + gap), 1.0, height), sharex=ax) for i in range(n_panels)]


def _subject_stream(corpus: Corpus, subject_id: int) -> dict[str, Any]:
    """The subject's codes, times and values, or a ValueError naming a subject the corpus lacks."""
    i = int(np.searchsorted(corpus.subject_ids, subject_id))
    if i == len(corpus.subject_ids) or corpus.subject_ids[i] != subject_id:
        raise ValueError(f"timeline: subject_id {subject_id} is not in the corpus")
    lo, hi = int(corpus.offsets[i]), int(corpus.offsets[i + 1])
    vocabulary = np.asarray(corpus.vocabulary, dtype=object)
    return {
        "tokens": vocabulary[corpus.code_index[lo:hi]].tolist(),
        "times": np.ascontiguousarray(corpus.times[lo:hi], dtype=np.float64),
        "values": np.ascontiguousarray(corpus.values[lo:hi], dtype=np.float64),
    }


def _code_rows(corpus: Corpus, tokens: list[str], codes: Sequence[str] | None) -> dict[str, int]:
    """Row of each shown code, 0 at the top; codes the corpus has never seen are refused."""
    if codes is None:
        return {code: row for row, code in enumerate(dict.fromkeys(tokens))}
    if isinstance(codes, str):
        raise TypeError("timeline: codes must be a list of codes, not a single str")
    known = set(corpus.vocabulary)
    unknown = [c for c in codes if c not in known]
    if unknown:
        raise ValueError(f"timeline: codes not in the corpus's vocabulary: {unknown}")
    return {code: row for row, code in enumerate(dict.fromkeys(codes))}


def _checked_labels(labels: Sequence[tidemark.AnnotationSpec] | None) -> list[tidemark.AnnotationSpec]:
    specs = list(labels or [])
    wrong = [type(s).__name__ for s in specs if not isinstance(s, tidemark.AnnotationSpec)]
    if wrong:
        raise TypeError(f"timeline: labels must be AnnotationSpecs, got {', '.join(wrong)}")
    return specs


def _checked_query(query: tidemark.Pattern | tidemark.TideQuery | None) -> tidemark.TideQuery | None:
    if isinstance(query, tidemark.Pattern):
        return tidemark.TideQuery(query)
    if query is not None and not isinstance(query, tidemark.TideQuery):
        raise TypeError(f"timeline: query must be a Pattern or a TideQuery, got {type(query).__name__}")
    return query


def _draw_rows(ax: Axes, rows: dict[str, int], match_lane: bool) -> None:
    """One row per code from the top, and the match lane above them when there is a query."""
    ticks = [MATCH_LANE_Y] * match_lane + list(rows.values())
    names = [MATCH_LANE] * match_lane + list(rows)
    ax.set_yticks(ticks, names, fontsize="small")
    ax.set_ylim(len(rows) - 0.5, MATCH_LANE_Y - 0.5 if match_lane else -0.5)
    ax.grid(axis="y", color="#e6e6e6", linewidth=0.8)
    ax.set_axisbelow(True)


def _draw_events(ax: Axes, x: np.ndarray, stream: dict[str, Any], rows: dict[str, int], show_values: bool) -> None:
    y = np.array([rows.get(t, -1) for t in stream["tokens"]], dtype=float)
    shown = y >= 0
    ax.scatter(x[shown], y[shown], s=22, color=EVENT_COLOUR, zorder=3, label="events")
    if show_values:
        for i in np.flatnonzero(shown & ~np.isnan(stream["values"])):
            ax.annotate(
                f"{stream['values'][i]:g}",
                (x[i], y[i]),
                xytext=(4, 4),
                textcoords="offset points",
                fontsize="x-small",
                color=EVENT_COLOUR,
            )


def _draw_states(ax: Axes, to_x: Any, stream: dict[str, Any], machine: tidemark.StateMachine) -> None:
    from matplotlib.collections import PolyCollection

    spans = tidemark.state_spans(stream["tokens"], stream["times"], machine, stream["values"])
    start, end = to_x(spans["t_start"]), to_x(spans["t_end"])
    transform = ax.get_xaxis_transform()
    for state in np.unique(spans["state"]):
        colour = PALETTE[(int(state) - 1) % len(PALETTE)]
        name = machine.state_names[state]
        for valid in (True, False):
            pick = (spans["state"] == state) & (spans["valid"] == valid)
            if not pick.any():
                continue
            boxes = [[(a, 0), (b, 0), (b, 1), (a, 1)] for a, b in zip(start[pick], end[pick])]
            bands = PolyCollection(
                boxes,
                transform=transform,
                facecolor=colour,
                alpha=0.18 if valid else 0.08,
                edgecolor=colour if not valid else "none",
                hatch=None if valid else "//",
                zorder=1,
                label=name if valid else f"{name} (invalid)",
            )
            ax.add_collection(bands, autolim=False)


def _draw_matches(
    ax: Axes, x: np.ndarray, stream: dict[str, Any], query: tidemark.TideQuery, rows: dict[str, int]
) -> None:
    from matplotlib.collections import LineCollection

    r = query.match_stream(stream["tokens"], stream["times"], stream["values"])
    bars = np.stack([x[r["m_start"]], x[r["m_end"]]], axis=1)
    segments = np.stack([bars, np.full_like(bars, MATCH_LANE_Y)], axis=2)
    ax.add_collection(
        LineCollection(
            list(segments), colors=MATCH_COLOUR, linewidths=6, alpha=0.45, capstyle="projecting", label="matches"
        ),
        autolim=False,
    )
    idx = r["el_stream_idx"].ravel()
    y = np.array([rows.get(stream["tokens"][i], -1) for i in idx], dtype=float)
    shown = y >= 0
    ax.scatter(
        x[idx[shown]],
        y[shown],
        s=90,
        facecolors="none",
        edgecolors=MATCH_COLOUR,
        linewidths=1.6,
        zorder=4,
        label="matched events",
    )


def _draw_label(ax: Axes, x: np.ndarray, name: str, column: np.ndarray, colour: str) -> None:
    # The value holds from each event to the next; the dots are the events themselves.
    ax.step(x, column.astype(float), where="post", color=colour, linewidth=1.2, alpha=0.7, label=name)
    ax.plot(x, column.astype(float), linestyle="none", marker="o", color=colour, markersize=3.5)
    ax.set_ylabel(name, rotation=0, ha="right", va="center", fontsize="small")
    ax.grid(axis="y", color="#e6e6e6", linewidth=0.8)
    if column.dtype.kind == "i" and len(column):
        levels = np.unique(column)
        ax.set_yticks(levels)
        ax.set_ylim(min(levels.min(), 0) - 0.4, max(levels.max(), 1) + 0.4)
