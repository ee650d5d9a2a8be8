"""Working memory of state_spans and annotate_stream on a 10,000,000-position
stream: the peak resident memory during the call, less the memory before it
and the result's arrays, as a multiple of the input's bytes (8 per position
for the list of tokens, 8 for the times, 8 for the values). Each case runs in
a process of its own, whose peak is reset just before the call."""

import json
import subprocess
import sys

N = 10_000_000

CHILD = """
import json, sys
import numpy as np
import tidemark
from tidemark import AnnotationSpec, StateMachine

n, case = int(sys.argv[1]), sys.argv[2]
rng = np.random.default_rng(5)
vocab = [f"C{i}" for i in range(50)]
tokens = [vocab[i] for i in rng.integers(0, len(vocab), n)]
times = np.cumsum(rng.exponential(1.0, n))
values = rng.normal(5.0, 2.0, n)
if case == "state_spans":
    sm = StateMachine()
    sm.add_state("on", max_gap=20.0, sustain=["C1"])
    sm.add_entry("on", "C0")
    sm.add_exit("on", "C2")
    call = lambda: tidemark.state_spans(tokens, times, sm, values)
else:
    specs = [
        AnnotationSpec.past_occurrence("past", "C0", 10.0),
        AnnotationSpec.window_aggregate("mean", ["C1", "C2"], 30.0),
        AnnotationSpec.in_span("span", "C3", ("C4", "C5")),
    ]
    call = lambda: tidemark.annotate_stream(tokens, times, specs, values)


def status(key):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(key):
                return int(line.split()[1]) * 1024


with open("/proc/self/clear_refs", "w") as f:
    f.write("5")  # the peak resident size starts again from the current one
before = status("VmRSS:")
out = call()
peak = status("VmHWM:")
result = sum(a.nbytes for a in out.values())
print(json.dumps({"working": peak - before - result, "input": 24 * n, "result": result}))
"""


def measure(case, n):
    r = subprocess.run([sys.executable, "-c", CHILD, str(n), case], capture_output=True, text=True, check=True)
    return json.loads(r.stdout)


def main():
    print(f"{'case':16} {'positions':>10} {'input MB':>9} {'working MB':>11} {'x input':>8}")
    for case in ("state_spans", "annotate_stream"):
        m = measure(case, N)
        mb = 1 << 20
        print(f"{case:16} {N:10d} {m['input'] / mb:9.0f} {m['working'] / mb:11.0f} {m['working'] / m['input']:8.2f}")


if __name__ == "__main__":
    main()
