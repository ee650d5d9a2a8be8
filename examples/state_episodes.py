"""Admission episodes in the synthetic corpus, labelled by a state machine."""

import tidemark
from corpus import LABS, MEDS, make_corpus
from tidemark import StateMachine, state_spans

CARE = list(LABS) + MEDS


def episode_machine():
    """In hospital from ADMIT to DISCHARGE while labs or medications keep coming;
    a day without any makes the stay 'quiet' until care resumes or discharge."""
    sm = StateMachine("home")
    sm.add_state("admitted", max_gap=24.0, sustain=CARE, min_events=3, timeout_to="quiet")
    sm.add_state("quiet", drop_unclosed=False)
    sm.add_entry("admitted", "ADMIT")
    sm.add_entry("admitted", CARE, from_states=["quiet"])
    sm.add_exit("admitted", "DISCHARGE")
    sm.add_exit("quiet", "DISCHARGE")
    return sm


def show_state_episodes(corpus, n_patients=4):
    sm = episode_machine()
    print(f"  {sm!r}")
    names = sm.state_names
    for pid, tokens, times, values in corpus[:n_patients]:
        r = state_spans(tokens, times, sm, values)
        for k in range(len(r["state"])):
            status = "valid" if r["valid"][k] else "rejected: " + tidemark.REJECT_REASONS[r["reject_reason"][k]]
            opened = "timeout" if r["timeout_entered"][k] else "entry"
            print(
                f"  {pid}: {names[r['state'][k]]:<8} events {r['start_pos'][k]:>3} to {r['end_pos'][k]:>3},"
                f" {r['t_start'][k]:7.1f} h to {r['t_end'][k]:7.1f} h, {r['n_events'][k]:>2} evidence,"
                f" opened by {opened}, closed by {tidemark.CLOSE_REASONS[r['close_reason'][k]]}, {status}"
            )


if __name__ == "__main__":
    show_state_episodes(make_corpus())
