#!/usr/bin/env python3
"""Builds the performance table from the benchmarks' JSON results.

Usage: performance-table.py RESULTS_DIR [--output FILE]

RESULTS_DIR holds one Google Benchmark JSON file per program (NAME.json, as
scripts/run-benchmarks.sh writes them) and, optionally, load.txt with the
load averages before and after the run. Each row shows a figure beside its
ceiling (what the machine allows) and its peer (what a user could use
instead), all from the same run, with their ratios and the target. The
Markdown goes to standard output and, with --output, to FILE.

Only the standard library is used.
"""

import argparse
import datetime
import json
import pathlib
import re
import sys

MIB = 1024 * 1024
MB = 1000 * 1000

# Parts of a run name that only say how it was timed.
TIMING_SUFFIX = re.compile(r"^(real_time|manual_time|iterations:\d+|min_time:.*|repeats:\d+)$")

TIME_UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def base_name(run_name):
    """BM_X/arg/real_time -> BM_X/arg."""
    parts = [p for p in run_name.split("/") if not TIMING_SUFFIX.match(p)]
    return "/".join(parts)


def load_results(directory):
    """Returns ({name: entry}, {name: error message}, [context]) over all files.

    An entry is the median aggregate when the program ran repetitions, else
    its one run.
    """
    results = {}
    errors = {}
    contexts = []
    for path in sorted(pathlib.Path(directory).glob("*.json")):
        try:
            data = json.loads(path.read_text(encoding="utf-8"))
        except (OSError, ValueError) as error:
            errors[path.stem] = f"unreadable results: {error}"
            continue
        contexts.append(data.get("context", {}))
        for bench in data.get("benchmarks", []):
            name = base_name(bench.get("run_name", bench.get("name", "")))
            if bench.get("error_occurred"):
                errors[name] = bench.get("error_message", "error")
                continue
            if bench.get("run_type") == "aggregate":
                if bench.get("aggregate_name") == "median":
                    results[name] = dict(bench, program=path.stem)
            elif name not in results:
                results[name] = dict(bench, program=path.stem)
    return results, errors, contexts


def seconds(entry, clock):
    """The entry's time per iteration in seconds, by "cpu" or "real" clock."""
    scale = TIME_UNITS.get(entry.get("time_unit", "ns"), 1e-9)
    return entry[f"{clock}_time"] * scale


def fmt(value, digits=3):
    """A number with about `digits` significant digits, no exponent."""
    if value == 0:
        return "0"
    magnitude = abs(value)
    if magnitude >= 10 ** digits:
        return f"{value:,.0f}"
    decimals = max(0, digits - 1 - int(f"{magnitude:e}".split("e")[1]))
    return f"{value:,.{decimals}f}"


def ratio_text(value):
    return "—" if value is None else f"{fmt(value)}×"


class Table:
    def __init__(self, results, errors):
        self.results = results
        self.errors = errors
        self.rows = []
        self.missed = []
        self.used = set()

    def get(self, name):
        entry = self.results.get(name)
        if entry is not None:
            self.used.add(name)
        return entry

    def missing(self, name):
        self.used.add(name)
        return self.errors.get(name, "not measured")

    def add(self, row, clock, figure, ceiling="—", vs_ceiling=None, peer="—", vs_peer=None,
            target="—", met=None, note=None):
        met_text = "—" if met is None else ("yes" if met else "**no**")
        self.rows.append([row, clock, figure, ceiling, ratio_text(vs_ceiling), peer,
                          ratio_text(vs_peer), target, met_text])
        if met is False and note:
            self.missed.append((row, note))

    def unmeasured(self, row, clock, reason):
        figure = "not measured" if reason == "not measured" else f"not measured ({reason})"
        self.add(row, clock, figure, met=False, note=f"no figure: {reason}")

    def markdown(self):
        header = ["Row", "Clock", "Figure", "Ceiling", "÷ ceiling", "Peer", "÷ peer",
                  "Target", "Met"]
        lines = ["| " + " | ".join(header) + " |",
                 "|" + "|".join("---" for _ in header) + "|"]
        for row in self.rows:
            lines.append("| " + " | ".join(row) + " |")
        return "\n".join(lines)


def load_rows(table):
    """Loading a 4000 x 4000 course: MB/s of the file, CPU time."""
    for arg, label in [(1, "1 bpp"), (8, "8 bpp"), (24, "24 bpp"), (32, "32 bpp"),
                       (0, "RLE8")]:
        row = f"Load 4000 x 4000, {label}"
        ours = table.get(f"BM_LoadCourse/{arg}")
        plain = table.get(f"BM_PlainRead/{arg}")
        stb = table.get(f"BM_StbLoad/{arg}")
        if ours is None or plain is None:
            table.unmeasured(row, "CPU", table.missing(f"BM_LoadCourse/{arg}"))
            continue
        rate = ours["bytes_per_second"] / MB
        plain_rate = plain["bytes_per_second"] / MB
        vs_ceiling = rate / plain_rate
        if stb is not None:
            stb_rate = stb["bytes_per_second"] / MB
            peer = f"{fmt(stb_rate)} MB/s stb_image"
            vs_peer = rate / stb_rate
        else:
            peer = f"stb_image cannot read it ({table.missing(f'BM_StbLoad/{arg}')})"
            vs_peer = None
        figure = f"{fmt(rate)} MB/s"
        ceiling = f"{fmt(plain_rate)} MB/s plain read"
        if arg == 0:
            # A compressed file is much smaller than the pixels it decodes to,
            # so a plain read of it bounds nothing useful.
            table.add(row, "CPU", figure, ceiling, vs_ceiling, peer, vs_peer)
            continue
        met = vs_ceiling >= 0.9 and (vs_peer is not None and vs_peer >= 2.0)
        shortfalls = []
        if vs_ceiling < 0.9:
            shortfalls.append(f"{fmt(vs_ceiling)}× the plain read, {fmt(0.9 - vs_ceiling)} short "
                              "of 0.9×")
        if vs_peer is not None and vs_peer < 2.0:
            shortfalls.append(f"{fmt(vs_peer)}× stb_image, {fmt(2.0 - vs_peer)} short of 2×")
        table.add(row, "CPU", figure, ceiling, vs_ceiling, peer, vs_peer,
                  "≥ 0.9× ceiling, ≥ 2× peer", met, "; ".join(shortfalls))


def step_rows(table):
    """TCar::Step on the 500 x 400 ring, CPU time."""
    step = table.get("BM_Step")
    floor = table.get("BM_SinCosFloor")
    if step is None:
        table.unmeasured("Step, 500 x 400 ring", "CPU", table.missing("BM_Step"))
        return
    rate = step["ticks_per_second"]
    if floor is not None:
        floor_rate = floor["ticks_per_second"]
        table.add("Step, 500 x 400 ring", "CPU", f"{fmt(rate / 1e6)} M ticks/s",
                  f"{fmt(floor_rate / 1e6)} M ticks/s (its 3 sines and cosines alone, every tick)",
                  rate / floor_rate)
    else:
        table.add("Step, 500 x 400 ring", "CPU", f"{fmt(rate / 1e6)} M ticks/s")


def extended_rows(table):
    """SoftExtended's operations and a tick's arithmetic beside the x87's, CPU
    time, the two sides' repetitions interleaved in one program; then Step
    with SoftExtended beside Step with the x87 (the same program holds both
    cores)."""
    for name, label in [("Add", "add"), ("Mul", "multiply"), ("Div", "divide"),
                        ("Tick", "a tick's arithmetic without sines")]:
        row = f"SoftExtended {label}"
        soft = table.get(f"BM_Extended{name}<SoftExtended>")
        x87 = table.get(f"BM_Extended{name}<long double>")
        if soft is None:
            table.unmeasured(row, "CPU", table.missing(f"BM_Extended{name}<SoftExtended>"))
            continue
        soft_ns = seconds(soft, "cpu") * 1e9
        if x87 is None:
            table.add(row, "CPU", f"{fmt(soft_ns)} ns")
            continue
        x87_ns = seconds(x87, "cpu") * 1e9
        ratio = soft_ns / x87_ns
        if name != "Tick":
            # A single operation is dominated by the loop around it: no target.
            table.add(row, "CPU", f"{fmt(soft_ns)} ns", peer=f"{fmt(x87_ns)} ns x87 long double",
                      vs_peer=ratio)
            continue
        table.add(row, "CPU", f"{fmt(soft_ns)} ns", peer=f"{fmt(x87_ns)} ns x87 long double",
                  vs_peer=ratio, target="≤ 6× peer (aim 3×)", met=ratio <= 6.0,
                  note=f"{fmt(ratio)}× the x87's, {fmt(ratio - 6.0)} over 6×")
    row = "Step with SoftExtended, 500 x 400 ring"
    soft = table.get("BM_Step<SoftExtended>")
    x87 = table.get("BM_Step")
    if soft is None or x87 is None:
        table.unmeasured(row, "CPU", table.missing("BM_Step<SoftExtended>"))
        return
    rate = soft["ticks_per_second"]
    x87_rate = x87["ticks_per_second"]
    ratio = rate / x87_rate
    table.add(row, "CPU", f"{fmt(rate / 1e6)} M ticks/s", peer=f"{fmt(x87_rate / 1e6)} M ticks/s "
              "with the x87", vs_peer=ratio, target="≥ 0.5× peer", met=ratio >= 0.5,
              note=f"{fmt(ratio)}× the x87's Step, {fmt(0.5 - ratio)} short of 0.5×")


def sine_cosine_rows(table):
    """The integer sine and cosine beside fsincos: one call, and Step (which
    now calls the integer one three times a tick) beside the same Step with
    its three calls made by fsincos instead."""
    ours = table.get("BM_SinCosBitsCall")
    x87 = table.get("BM_FsincosCall")
    row = "Sine and cosine, one call"
    if ours is None or x87 is None:
        table.unmeasured(row, "CPU", table.missing("BM_SinCosBitsCall"))
        return
    ns = seconds(ours, "cpu") * 1e9
    x87_ns = seconds(x87, "cpu") * 1e9
    table.add(row, "CPU", f"{fmt(ns)} ns (integer)", "—", None, f"{fmt(x87_ns)} ns fsincos",
              ns / x87_ns, "< 60 ns", ns < 60, f"{fmt(ns)} ns a call")
    step = table.get("BM_Step")
    ours_tick = table.get("BM_SinCosBitsTick")
    x87_tick = table.get("BM_FsincosTick")
    row = "Step with the integer sine and cosine"
    if step is None or ours_tick is None or x87_tick is None:
        table.unmeasured(row, "CPU", table.missing("BM_SinCosBitsTick"))
        return
    step_s = seconds(step, "cpu")
    # The same Step with fsincos: a tick makes the three calls of the tick
    # benchmarks only when its heading turned (turning_share of the ticks),
    # so that many calls are swapped back.
    share = float(step.get("turning_share", 1.0))
    fsincos_step_s = step_s - share * (seconds(ours_tick, "cpu") - seconds(x87_tick, "cpu"))
    ratio = fsincos_step_s / step_s
    table.add(row, "CPU", f"{fmt(1 / step_s / 1e6)} M ticks/s", "—", None,
              f"{fmt(1 / fsincos_step_s / 1e6)} M ticks/s with fsincos (estimated, "
              f"{fmt(share * 100)} % of ticks turn)", ratio,
              "≥ 0.6× peer", ratio >= 0.6, f"{fmt(ratio)}× the fsincos Step")


def redraw_rows(table):
    """One frame, CPU time, beside a plain copy of 500 x 400 pixels."""
    copy = table.get("BM_PlainCopy500x400")
    for depth in (24, 1):
        smallest = table.get(f"BM_Redraw/500/{depth}")
        for size, label in [(500, "500 x 400"), (4000, "4000 x 4000"), (16000, "16000 x 16000")]:
            row = f"Redraw, {label}, {depth} bpp"
            entry = table.get(f"BM_Redraw/{size}/{depth}")
            if entry is None or copy is None:
                table.unmeasured(row, "CPU", table.missing(f"BM_Redraw/{size}/{depth}"))
                continue
            frame = seconds(entry, "cpu")
            copy_time = seconds(copy, "cpu")
            figure = f"{fmt(frame * 1e6)} µs/frame"
            ceiling = f"{fmt(copy_time * 1e6)} µs plain copy of 500 x 400"
            if size == 500 or smallest is None:
                table.add(row, "CPU", figure, ceiling, frame / copy_time)
                continue
            growth = frame / seconds(smallest, "cpu")
            met = growth <= 1.5
            table.add(row, "CPU", figure, ceiling, frame / copy_time,
                      target=f"≤ 1.5× the 500 x 400 frame (is {fmt(growth)}×)", met=met,
                      note=f"{fmt(growth)}× the 500 x 400 frame, {fmt(growth - 1.5)} over 1.5×")


def sim_rows(table):
    """One million ticks: the whole ormakin-sim process against bare Step calls."""
    row = "ormakin-sim run, 1,000,000 ticks"
    run = table.get("BM_SimRun")
    bare = table.get("BM_BareSteps")
    if run is None or bare is None:
        table.unmeasured(row, "real", table.missing("BM_SimRun" if run is None else
                                                    "BM_BareSteps"))
        return
    run_time = seconds(run, "real")
    bare_time = seconds(bare, "real")
    ratio = run_time / bare_time
    table.add(row, "real", f"{fmt(run_time * 1e3)} ms",
              f"{fmt(bare_time * 1e3)} ms bare Step calls", ratio,
              target="≤ 1.3× ceiling", met=ratio <= 1.3,
              note=f"{fmt(ratio)}× the bare calls, {fmt(ratio - 1.3)} over 1.3×")


def search_rows(table):
    """sweep and tune on the sample courses on two threads, beside one thread
    (ceiling: twice its speed) and beside two one-thread processes run at
    once (peer: what the two cores give two processes in the same run)."""
    row = ("ormakin-sim sweep --around 10, 1-oval.bmp (441 starts x 5000 ticks), "
           "2 jobs")
    names = ["BM_Sweep/1", "BM_Sweep/2", "BM_SweepPair"]
    one, two, pair = (table.get(name) for name in names)
    if one is None or two is None or pair is None:
        missing = names[[one, two, pair].index(None)]
        table.unmeasured(row, "real", table.missing(missing))
    else:
        one_time = seconds(one, "real")
        two_time = seconds(two, "real")
        # The pair makes two sweeps in its time.
        pair_each = seconds(pair, "real") / 2
        table.add(row, "real", f"{fmt(two_time * 1e3)} ms (1 job: {fmt(one_time * 1e3)} ms)",
                  f"{fmt(one_time * 1e3 / 2)} ms (1 job ÷ 2)", two_time / (one_time / 2),
                  f"{fmt(pair_each * 1e3)} ms a sweep (two 1-job sweeps at once: "
                  f"{fmt(one_time / pair_each)}× 1 job)", two_time / pair_each,
                  target="< 1 s", met=two_time < 1.0,
                  note=f"{fmt(two_time)} s")

    row = "ormakin-sim tune, five sample courses, evaluations per second, 2 jobs"
    names = ["BM_Tune/1", "BM_Tune/2", "BM_TunePair"]
    one, two, pair = (table.get(name) for name in names)
    if one is None or two is None or pair is None:
        missing = names[[one, two, pair].index(None)]
        table.unmeasured(row, "real", table.missing(missing))
    else:
        one_rate = one["evaluations_per_second"]
        two_rate = two["evaluations_per_second"]
        pair_rate = pair["evaluations_per_second"]
        vs_pair = two_rate / pair_rate
        table.add(row, "real", f"{fmt(two_rate)} /s (1 job: {fmt(one_rate)} /s, "
                  f"{fmt(two_rate / one_rate)}×)",
                  f"{fmt(2 * one_rate)} /s (2 × 1 job)", two_rate / (2 * one_rate),
                  f"{fmt(pair_rate)} /s (two 1-job searches at once: "
                  f"{fmt(pair_rate / one_rate)}× 1 job)", vs_pair,
                  target="≥ 0.9× peer", met=vs_pair >= 0.9,
                  note=f"{fmt(vs_pair)}× two 1-job searches at once")


def startup_rows(table):
    """The window program: time to a shown window, peak memory with a course."""
    row = "Start-up to the window shown"
    start = table.get("BM_StartupToWindow")
    bare = table.get("BM_BareQtWindow")
    if start is None:
        table.unmeasured(row, "real", table.missing("BM_StartupToWindow"))
    elif bare is not None:
        table.add(row, "real", f"{fmt(seconds(start, 'real') * 1e3)} ms",
                  f"{fmt(seconds(bare, 'real') * 1e3)} ms empty Qt window",
                  seconds(start, "real") / seconds(bare, "real"))
    else:
        table.add(row, "real", f"{fmt(seconds(start, 'real') * 1e3)} ms")

    row = "Peak memory, 4000 x 4000 course (24 bpp)"
    empty = table.get("BM_PeakRssEmpty")
    course = table.get("BM_PeakRssCourse")
    if empty is None or course is None:
        table.unmeasured(row, "—", table.missing("BM_PeakRssCourse" if course is None else
                                                 "BM_PeakRssEmpty"))
        return
    store = course["store_bytes"]
    growth = course["peak_rss_bytes"] - empty["peak_rss_bytes"]
    limit = store + 64 * MIB
    table.add(row, "—",
              f"+{fmt(growth / MIB)} MiB (peak {fmt(course['peak_rss_bytes'] / MIB)} MiB, "
              f"empty start {fmt(empty['peak_rss_bytes'] / MIB)} MiB)",
              f"{fmt(store / MIB)} MiB course pixel store", growth / store,
              target="≤ store + 64 MiB", met=growth <= limit,
              note=f"{fmt((growth - limit) / MIB)} MiB over the store plus 64 MiB")


def other_rows(results, used):
    """Benchmarks that the table does not place, with their plain figures."""
    lines = []
    for name in sorted(set(results) - used):
        entry = results[name]
        counters = [f"{key}={fmt(value)}" for key, value in entry.items()
                    if key.endswith(("_per_second", "_bytes", "_ms"))]
        lines.append(f"| {name} | {entry['program']} | {fmt(entry['real_time'])} "
                     f"{entry['time_unit']} | {fmt(entry['cpu_time'])} {entry['time_unit']} | "
                     f"{', '.join(counters) or '—'} |")
    if not lines:
        return ""
    return "\n".join(["| Benchmark | Program | Real time | CPU time | Counters |",
                      "|---|---|---|---|---|"] + lines)


# Why the figures stand where they do, from profiles (perf) of this tree on
# the machine the table was first made on. Printed below every table: the
# rows above say which targets this run met.
ANALYSIS = """\
## Why, and what would close the gaps

From profiles (`perf record`) of the benchmarks on this machine, a 2-core
virtual machine whose page faults and system calls are expensive.

**Loading, 24 and 32 bpp, against stb_image (target 2×).** The reader is at
its ceiling: it reads the pixel data with one `pread` straight into the pixel
store, and runs level with the plain read. Both spend their time in the
kernel copying out of the page cache and in first-touch faults of the fresh
48 or 64 MB buffer (`_copy_to_iter` and the fault path, about three quarters
of the samples). stb_image pays the same faults and copy, plus its own
per-pixel decoding, so on this machine even the plain read is only some
1.4–1.8 times faster than stb_image (1.4–1.5 in most runs): a reader that
copies the file into fresh memory cannot reliably reach 2× here. What would close it: not copying at all.
For an uncompressed file whose rows lie in the file as the store keeps them,
map the file (`mmap`, `MAP_PRIVATE`) and let the mapping be the store; pages
then come straight from the page cache, copied only where something writes
to them. That would also pass the plain-read ceiling.

**Loading, 1 and 8 bpp, against the plain read (target 0.9×).** These files
are small (2 and 16 MB) and land in heap memory that the previous iteration
freed, so no page faults: both sides are one kernel copy out of the page
cache (`_copy_to_iter`, 90 % of the samples on either side), and the figures
swing by 10–20 % between runs. The reader makes two `pread` calls per file
(the file's first 4 KiB, which holds the headers and the colour table, then
the pixels) plus an `fstat`, where the plain read makes one `read`; each call
costs a few microseconds here, a measurable share of the 60 µs that the 2 MB
file takes. What would close the rest: mapping the file as described above,
which removes the copy altogether.

**Loading, RLE8 (no target; stb_image cannot read it).** The figure is MB/s
of the compressed file (about 150 KB), so the ratio to a plain read of it
says little. The time goes into a 32-bit store for the decoded pixels, four
bytes each (64 MB for 4000 x 4000) and page-faulted on first touch
(`ReadPixels`' one store instruction plus the fault path, over 80 %).
Decoding into an 8-bit store with the colour table, as the uncompressed
8 bpp course is kept, would write a quarter as much.

**`Step` against its sines and cosines (no target).** The floor computes the
three sines and cosines of a tick whose heading turned, on every tick; `Step`
keeps them while the heading's bits stay the same (the car goes straight on
most ticks of the ring), which is why it runs faster than its floor. The
integer sine and cosine take about 48 ns a call, and three dependent calls
about 240 ns, against 27 ns and 105 ns for the x87's `fsincos`, which no
program uses any more. The rest is mostly the six truncations of probe
coordinates to integers and the three probes of the course. The build uses
SSE3 on x86-64 so that the compiler truncates a `long double` with `fisttp`;
without it, each truncation saves, changes and restores the x87 control word
around a `fistp`, which took half the tick's time, and more or less of it
from one process to the next (stack and data placement).

**`SoftExtended` against the x87 (targets: a tick's arithmetic at most 6×
the x87's, aiming at 3×; `Step` with `SoftExtended` at least 0.5× the
hardware `Step`).** Both sides run in one program each, their repetitions
interleaved, the tick's constants hidden from the compiler on both sides;
`step_bench` holds a second copy of the core built with `SoftExtended`.
Every operation takes an inline path for normal operands with a normal
result and calls the general code only for zeros beside non-normal numbers,
subnormals, infinities, NaNs, overflow and underflow. On that path: both
operands are classified by one test; rounding to nearest even is one
comparison (described below; it was an add-with-carry of half a unit less
one and the last kept bit at first); a sum of
like signs is one 64-bit addition whose carry shifts it down a place, and a
difference one 64-bit subtraction that borrows from the exact lost bits and
shifts up to its leading one; a quotient comes from the processor's
128-by-64 division on x86-64 (other processors keep the portable digits).
A sum picks its larger operand by a branch: in the car's sums the order of
the magnitudes hardly ever changes (a position of hundreds of pixels plus an
offset of a few), so the branch is predicted, where the swap by masks it
replaced cost every sum some ten instructions (the tick from 208 to 155 ns,
`Step` from 191 to 161 ns in one pair of runs). Like and unlike signs take
separate branches for the same reason; the tick benchmark's random sines
mispredict about half of them, and one branch-free road for both cost
`Step` more than it saved the tick. Three changes in the car itself make
the common tick cheaper on both builds without changing a bit: the products
that depend on the heading alone (each side sensor's offset, the distance
ahead along the heading, the move's steps for a distance) are kept with the
heading's sines and cosines while its bits stay the same, as are a rule's
turn in radians and the distance of the last speed and advance; and a probe
point's pixel is `Trunc32PlusHalf`, which for 1 ≤ |v| < 2^30 takes the
integer part of v + 0.5 from the significand without rounding a sum (the
sum is exact there unless a positive one carries into the next power of two,
which takes the general road; the x87 build keeps the plain expression). A
tick of a car going straight then adds ten sums for its probes and two for
its move, where it multiplied and added some thirty times before. Over this
round `Step` with `SoftExtended` went from 0.41× the x87's to 0.62–0.69×
(met in every run), and the tick, which keeps all its products and sums,
from 7.9× to 5.4–6.5× on the quiet machine: the x87 side moves with the
machine's speed more than the software side does (its tick took 24 ns in
some runs and 45 ns in others, the software one 152 to 247 ns), so the
target is met in about half of the runs and missed in the others (this
table's run, in the machine's quicker phase, among them). Where `Step`'s time goes now, from `perf record` of `step_bench`:
42 % in the probes (ten sums, six pixels and the course's calls), 16 % in
`Step` itself (the turn's sum, the two comparisons with 0 and 2π, the move's
sums and three narrowings to double), 13 % in the sine and cosine on the
ticks that turn, 11 % in the course's pixels, 9 % in looking up what is
kept, 5 % in `Sense`. An addition still takes some 60–70 instructions on its
road (classify, order the magnitudes, align, add or subtract, normalise,
round, check the range, pack sign and exponent) and a product some 40,
where the x87 takes one each; an unpacked layout (sign, exponent and
significand kept apart between operations) would save the packing, some ten
instructions an operation (built since, below).

In the page the same code runs as WebAssembly, which has no 64 x 64 to
128-bit product and no 128-by-64 division: the product takes four 32-bit
partial products (emscripten would call `__multi3` for the compiler's
128-bit integer, which does the same four) and the quotient the portable
digits. Measured with Node's V8 on the same `Step` loop, a sum took 9–10 ns
against 5–6 ns natively, a product 7–9 against 3.3, a quotient 11–17
against 4: V8's code for these branches and 64-bit shifts is about twice as
slow as GCC's, and the kept products helped the page more than the native
tool (a sweep's ticks in Node went from 1425 to 680 ms, natively from 518
to 290 ms). A profile of the page's sweep in V8: 35 % in the probes, 33 %
in the tick (`Step` inlined into the run's tick), 10 % in the score's
bookkeeping, 7 % in the sine and cosine, 5 % in the course's pixels, 2 % in
the calls that emscripten's exceptions route through the page's script. The
page's `Step` stays below its target (see the page's table).

Two costs of the page's own were found since, in profiles with the
functions' names (`--profiling-funcs`) and in the module's disassembly. In
WebAssembly a structure passed by value goes through memory: the general
cases that the operations call out of line took their operands as
`ExtendedBits`, and the copies for those calls were made on every
operation, the common case included (the car's probe stored 169 values a
call into a stack frame of 464 bytes). They now take each operand as its
two fields, and the probe stores 60 values into 32 bytes; natively both are
passed in registers, so nothing changes there. And the score's run loop
called each tick through `invoke_ii` (with the crossing into the script and
`dynCall_ii`, about a tenth of the sweep), since the function that held the
loop also holds the keeper and the score, which must be destroyed if a tick
throws; the loop now runs in a function of its own that holds nothing to
destroy, and the score tells the lap distance from the sum of squares,
calling `std::hypot` only near `kLapDistance` and for NaN. Together the
module's sweep in one call went from 760 ms to 533–579 ms and the tool's
from 336 ms to 297–309 ms (the page's row from 0.44× to 0.53–0.56× in two
runs on a quiet machine), every result byte for byte the same. Tried and
not kept: `-O3` (0.98 and 1.02 of the `-O2` module's time in two
alternated runs), `-flto` with `-O2` or `-O3` (1.03 and 1.09), and
WebAssembly exceptions (`-fwasm-exceptions`), which Debian's emscripten
3.1.6 cannot combine with Asyncify: its optimizer aborts on the `try`
blocks of the functions Asyncify instruments ("unexpected expression
type"). In the page's profile now, the probes take 47 % of the sweep and
the tick 25 %, in the same shares as natively (41 % and 22 %): what is left
is V8's code for the same operations, about 1.9 times GCC's.

Since then a probe's pixel is decided in doubles wherever they cannot give
another one (`PixelOfSum`, `extended/pixel_of_sum.h`), in the software
type's build. A probe's coordinate is the position, a double, plus one or
two offsets kept with the heading, each kept beside its nearest double.
While the terms' magnitudes add up to less than 2^25, the doubles' sum plus
a half lies within 2^-24 of the extended one, so a sum further than 2^-20
from every integer has the extended sum's integer part; a sum closer to an
integer, larger terms, infinities and NaNs take the extended sum, so every
pixel is the extended one's. In the sweep of `1-oval.bmp` (2.2 million
ticks, 13.2 million coordinates) the extended sum decided 25 of them. The
tool's sweep went from 4.77 to 3.01 billion instructions (callgrind, which
does not move with the machine's speed), `Step` with `SoftExtended` on the
ring from some 3300 to 1900 instructions a tick; the x87 build keeps the
plain sum and truncation, which cost less there than the doubles' test
(with the test its `Step` took 1140 instructions a tick against 880). In
alternated runs on this machine, the module's sweep in one call went from
718 to 453 ms and the tool's from 391 to 354 ms: the page's row from 0.54×
to 0.77–0.81×. The probes now take 30 % of the page's profile, the tick
(with its move's sums) 30 %, the sine and cosine 16 %, the score 12 %.
Tried and not kept: the same for the move's two sums (a two-sum of the
position and the step's nearest double with its rest, one rounding, and a
test that the exact sum does not lie near a point halfway between two
doubles): 1 % fewer instructions and no gain in the page, since that chain
of dependent double operations costs about what the software type's sum of
like signs does.

Since then a value of the software type keeps its sign, exponent and
significand apart (`SoftFields`) and packs them into the format's 16-bit
sign-and-exponent field only when its bits are asked for. In a profile of
the tick benchmark by source line (callgrind), packing that field after
every operation, taking it apart before the next and the test that both
operands are normal took 30 % of the tick's instructions; now the fields
stay in registers from one operation to the next. A tick went from some
3300 to 2900 instructions, and from 147–149 ns to 127–128 ns against the
x87's 24 ns in alternated runs (6.1× to 5.3×); `Step` with `SoftExtended`
ran at 0.63–0.72× the x87's `Step`. The tool's sweep went only from 3.01 to 2.97
billion instructions: its probes add in doubles now. Of the tick's
remaining time some 10 % is the branches of sums whose signs the
benchmark's random sines make unpredictable (with positive sines it took
142 ns against 151–159 ns); the rest is the operations' own work: aligning,
adding and rounding the significands, two divisions and six truncations.
The module in the page runs as fast as the tool once the browser has
compiled it: a second sweep in one call in the same page took 271–283 ms
against the tool's 294 ms (its start and the course's reading included),
where the first took 376–504 ms, its code compiled as it first ran and
optimised only from the next call of each function on. The page's row
times a first call in a fresh page, and meets its target or misses it by
that time (0.71–0.88× in this day's runs).

The run of this table was made on another machine, an Intel Xeon (family 6,
model 167) of 2 cores, where the x87's tick takes 15 to 18 ns, against 24 to
45 ns on the AMD EPYC of the runs before, and the software type's 118 to 142
ns, against 127 to 247 ns there: the x87 nearly twice as quick, the software
type barely quicker, so the tick's target, met there (5.42×), is missed on
this machine (8.30× two changes ago, 7.66× one change ago, 6.56× after the
key below, and 6.51× in this table's run, with the sum's change after it:
121 ns against 18.5 ns). `Step` with `SoftExtended` meets its target here
too (0.545×).

The change before the last: the common paths of + - * / took only operands
whose size keeps the result normal, so the rounding checks no exponent; the
rounding to nearest even is one comparison (the rest, with the lowest kept
bit put into its own lowest bit, against half); where the compiler has
128-bit integers a sum's smaller significand is aligned with one double-word
shift; and a like-signed sum's carry out, rare in the car's sums, may be
taken by a branch. A tick went from 2554 to 2298 instructions (callgrind,
the benchmark's tick in a loop of its own), 133 to 128 ns.

The last change: `SoftFields` keeps the exponent as a key, the biased
exponent less an offset, with a flag bit added for anything that is not a
normal number (a zero, a subnormal, an infinity, a NaN, an unsupported
encoding). Every common path now takes the same operands, normal numbers
from 2^-4096 to below 2^4096 in magnitude, and one comparison of the two
keys ORed together tells it, where each operation made two range checks and
tested both integer bits before; the narrowing to double and the
truncations test the key alone. The bits are the same (the vectors, the
reference tests, the soft build's tests, new cases on either side of the
new limits). A tick went from 2298 to 1956 instructions, and in alternated
runs of that loop (eight each) from 139–142 ns to 120–121 ns. Choosing a
sum's larger operand by the keys, then the significands where the keys are
equal, in place of one 128-bit comparison, took 31 more off (1925), and
1 % of the time in alternated runs (12 each); the module in the page took
as long as before, within its runs' spread.

Where the time goes now: with the benchmark's sines all positive, so that
the signs of the terms repeat, the same loop takes 110–112 ns against
120–121 ns (the code before the key: 128–130 against 139–142), so about a
twelfth of the tick is the branch between like and unlike signs, which the
random sines make unpredictable and a car turning a few degrees a tick does
not. Of the tick's 1956 instructions about 30 % are moves, between
registers and to and from memory (the benchmark keeps eleven constants of
three fields each live across the loop), 11 % the rounding, 7 % choosing the larger operand of a sum. A
target of 6× needs some 111 ns against this run's x87. Tried and not kept
(alternated against the key's code): the like and unlike sums joined by
masks rather than a branch (2706 instructions, 170 ns); a quotient's
dividend shifted by masks rather than a branch (130 ns: the division then
waits for the comparison, where a predicted branch starts it at once); a
sum with two copies for the two orders of its operands, so that neither
moves them (1880 instructions, no quicker); the products' normalisation by
adding the product to itself under a mask (1939 instructions, no quicker).
Earlier: the products' normalisation by a conditional add (a branch on a bit
that is as good as random) and the unlike-signed sum's shift as a
double-word shift (more instructions).

**`ormakin-sim run` against bare `Step` calls (target 1.3×).** Both sides
run the same `Step`. The run itself got faster (215 ms before the integer
sine and cosine and the kept angles, 187 ms now), but `Step` got faster
still (169 ms to 113 ms), so the same bookkeeping weighs more and the ratio
misses its target. About 25 ms of the difference is the process's fixed
start (exec and dynamic linking, first-touch page faults, loading the course
and the 160 rules, the first frame); the rest is the bookkeeping of the run
loop, mostly the FNV-1a hash of the summary line: it is defined over the
trace's bytes, so each tick costs 28 dependent multiplications, one per
byte. The fixed start weighs less in longer runs (about 1 % at ten million
ticks); the hash's share is what the summary line's definition costs, and a
hash that mixes a 64-bit word per step would remove it at the price of a
new hash value.

**`ormakin-sim sweep` and `tune` with one thread and with two (targets: a
sweep of 441 starts x 5000 ticks under 1 s; the search at 2 jobs at least
0.9× the rate of two 1-job searches run at once).** All spawn the tool and
are timed in wall-clock time, start-up and course loading included. The
ceiling, twice one job, is what two free cores would give; the peer, two
independent 1-job processes started together in the same run, is what the
machine's two cores give two processes at the moment of measuring, with
whatever else runs on them (on this shared machine other builds often do:
the pair then gives anywhere from 2× one job down to no gain at all). The
runs of a sweep (one per start) and of a search generation (8 controllers ×
the courses) are independent tasks handed out to the threads through one
atomic counter; each task writes its own result, so the results are the
same for any number of jobs. A generation waits for its slowest task before
the next one starts, so two threads stay below two processes by the idle
time at the end of each generation (40 tasks of unequal length on five
courses). On the Intel machine of this table's run the 2-job search
gave 0.73× to 0.79× two 1-job searches at once, where the last run on the
AMD machine gave 0.903×; its code did not change. A sweep costs about what its
ticks cost in `Step`, plus a car built for each start.

**`Redraw` against a plain copy of 500 x 400 pixels (size target 1.5×).**
A frame costs the same for every course size, so the size target holds; it
is some 10–20 times the plain copy. The first drawing operation converts the
visible 500 x 400 pixels, row by row, into a full-colour copy in the
course's own order (each row converted into place, then its top byte
cleared); the car's few small shapes cost little beside it. A conversion
that writes whole 32-bit words with vector instructions, or a frame that
keeps the course's own format for uncompressed 24- and 32-bit courses,
would bring it nearer the plain copy. Frame times vary by some 30 % from one
process to the next, whatever the course size, so the size ratio moves by
as much between runs.

**Start-up (no target)** is measured up to the moment the window is first
exposed, beside an empty Qt main window of the same size; the difference is
what the program adds to that (its menu and picture control, and creation
with the settings file's 160 rules). It was not profiled further.

**Peak memory** stays within the target: loading a 4000 x 4000 course adds
about its pixel store and little more, since the pixels are read straight
into the store and a frame copies only the 500 x 400 pixels it shows.
"""


def cpu_model():
    try:
        for line in pathlib.Path("/proc/cpuinfo").read_text(encoding="utf-8").splitlines():
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def load_text(directory):
    path = pathlib.Path(directory) / "load.txt"
    try:
        return path.read_text(encoding="utf-8").strip()
    except OSError:
        return ""


def document(directory):
    results, errors, contexts = load_results(directory)
    table = Table(results, errors)
    load_rows(table)
    step_rows(table)
    extended_rows(table)
    sine_cosine_rows(table)
    redraw_rows(table)
    sim_rows(table)
    search_rows(table)
    startup_rows(table)

    # The run's own date: the earliest program start in the results.
    dates = []
    for context in contexts:
        try:
            dates.append(datetime.datetime.fromisoformat(context["date"]))
        except (KeyError, TypeError, ValueError):
            pass
    when = min(dates) if dates else datetime.datetime.now().astimezone()
    cpus = {c.get("num_cpus") for c in contexts if c.get("num_cpus")}
    repetitions = sorted({e.get("repetitions", 1) for e in results.values()})
    out = ["# Performance", "",
           "Written by `make bench` (scripts/run-benchmarks.sh, then "
           "scripts/performance-table.py); every figure below comes from one run.", "",
           f"- Date: {when.strftime('%Y-%m-%d %H:%M %Z')}",
           f"- CPU: {cpu_model()} ({', '.join(str(c) for c in sorted(cpus)) or '?'} cores)",
           f"- Repetitions per benchmark: {', '.join(map(str, repetitions)) or '?'}; "
           "each figure is the median."]
    load = load_text(directory)
    if load:
        out.append(f"- Load average (1, 5, 15 min): {load}")
    out += ["",
            "Each row puts a figure beside its ceiling (what the machine allows for the same "
            "job) and its peer (what a user could pick instead), measured in the same run. "
            "“÷ ceiling” and “÷ peer” are the figure divided by that reference in the row's "
            "own unit: for throughputs higher is better, for times and memory lower is "
            "better. “Clock” says which time the row uses: CPU time of the process for the "
            "work done in-process, wall-clock (real) time where a child process is spawned. "
            "MB is 10⁶ bytes, MiB 2²⁰.", "",
            table.markdown(), ""]
    if table.missed:
        out += ["## Targets missed in this run", ""]
        out += [f"- {row}: {note}." for row, note in table.missed]
        out.append("")
    others = other_rows(results, table.used)
    if others:
        out += ["## Other benchmarks", "", others, ""]
    out.append(ANALYSIS)
    return "\n".join(out), not table.missed


PAGE_MARKER = "<!-- The page: written by bench/web/page_bench.mjs -->"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", help="directory of the benchmarks' JSON files")
    parser.add_argument("--output", help="also write the Markdown to this file")
    args = parser.parse_args()
    text, _ = document(args.results)
    print(text)
    if args.output:
        output = pathlib.Path(args.output)
        text = text if text.endswith("\n") else text + "\n"
        # The page's section (bench/web/page_bench.mjs) stays at the end.
        before = output.read_text(encoding="utf-8") if output.exists() else ""
        if PAGE_MARKER in before:
            text += "\n" + before[before.index(PAGE_MARKER):]
        output.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
