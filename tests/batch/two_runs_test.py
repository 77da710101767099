#!/usr/bin/env python3
"""Two runs of ostrand-batch into one output folder at the same time, as when two people write
into one shared folder or the program is started twice.

    two_runs_test.py --program PATH [--emulator WINE_RUN] [--trials N]

One input folder (a big file and two smaller ones) and two parameter files with different grids.
First each grid's run alone gives the single-run outputs and logs. Then, trial after trial, both
runs are started on the same output folder, the second after a delay that varies from trial to
trial (spread over a single run's duration, each grid first in half of the trials). After every
trial:
  - each run exits 0 with its single-run log and the summary line of 3 files corrected, none
    refused or failed: it reports every file corrected, with no failure line;
  - every file under its output name is byte for byte one run's single-run output (the run that
    renamed it there last), nothing else;
  - no temporary file ("<name>.<16 hex digits>.ostrand-tmp") remains.
Prints PASS or FAIL with how often each run's copy was left and how often the runs overlapped;
exit status 0 when it passed, else 1.
"""

import argparse
import math
import os
import re
import shutil
import sys
import tempfile
import time

from end_to_end_test import YEAR, MONTH, Check, Program, dm_sample, folder_hash

TEMPORARY_NAME = re.compile(r"\.[0-9a-f]{16}\.ostrand-tmp$")
FILES = [("a_big.dm", 400_000, "09LD35"), ("b_small.dm", 30_000, "09LD36"),
         ("c_small.dm", 60_000, "09LD45")]


def other_shift(lat, lon):
    """A second made-up grid: the sample's shifts turned and scaled."""
    dlat, dlon = dm_sample.grid_shift(lat, lon)
    return 0.8 * dlon + 0.45, -0.6 * dlat + 0.05


class Job:
    """One of the two runs: its grid and its arguments."""

    def __init__(self, name, parameters, sample_in, out, program):
        self.name, self.parameters = name, parameters
        self.args = ["--in", program.arg_path(sample_in), "--out", program.arg_path(out),
                     "--par", program.arg_path(parameters), "--year", str(YEAR),
                     "--month", str(MONTH), "--quiet"]
        self.outputs, self.log, self.seconds = {}, None, None


def read_outputs(folder):
    outputs = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as f:
            outputs[name] = f.read()
    return outputs


def delays(trials, seconds):
    """Start offsets of the second run, in seconds: spread from 0 to a little beyond one run's
    duration, denser near 0 and near the end of the first run, where the races are."""
    spread = [0.0, 0.002, 0.01, 0.03, 0.1, 0.25, 0.5, 0.75, 0.9, 0.97, 1.0, 1.05]
    return [spread[i % len(spread)] * seconds * (1 + 0.1 * (i // len(spread)))
            for i in range(trials)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--trials", type=int, default=24)
    options = parser.parse_args()
    program = Program(options.program, options.emulator)

    scratch = tempfile.mkdtemp(prefix="ostrand-two-runs-")
    check = Check()
    try:
        sample_in = os.path.join(scratch, "in")
        os.makedirs(sample_in)
        for name, points, sheet in FILES:
            dm_sample.write_bench_dm_file(os.path.join(sample_in, name), points, sheet=sheet)
        before = folder_hash(sample_in)
        grid_a, grid_b = os.path.join(scratch, "a.par"), os.path.join(scratch, "b.par")
        dm_sample.write_parameter_file(grid_a, identifier=42)
        dm_sample.write_parameter_file(grid_b, identifier=43, shift=other_shift)
        out = os.path.join(scratch, "out")
        jobs = [Job("A", grid_a, sample_in, out, program),
                Job("B", grid_b, sample_in, out, program)]

        # Each run alone: the single-run outputs and logs.
        for job in jobs:
            started = time.monotonic()
            r = program.run(job.args)
            job.seconds = time.monotonic() - started
            check.equal(r.returncode, 0, f"exit status of run {job.name} alone")
            job.log = r.stdout
            job.outputs = read_outputs(out)
            check.equal(sorted(job.outputs), sorted(n for n, _, _ in FILES),
                        f"output folder of run {job.name} alone")
            shutil.rmtree(out)
        for name, _, _ in FILES:
            check(jobs[0].outputs.get(name) != jobs[1].outputs.get(name),
                  f"{name}: the two grids give the same output")
        if check.failures:
            raise SystemExit(report(check, "single runs"))
        seconds = max(job.seconds for job in jobs)

        left = {job.name: 0 for job in jobs}
        mixed = overlapped = 0
        for trial, delay in enumerate(delays(options.trials, seconds)):
            first, second = (jobs[0], jobs[1]) if trial % 2 == 0 else (jobs[1], jobs[0])
            what = f"trial {trial + 1} ({first.name} first, {second.name} after {delay:.3f} s)"
            p1 = program.run(first.args, popen=True)
            time.sleep(delay)
            # The runs overlap when the first is still at work as the second starts.
            overlapped += p1.poll() is None
            p2 = program.run(second.args, popen=True)
            results = {}
            for job, p in ((first, p1), (second, p2)):
                stdout, stderr = p.communicate(timeout=600)
                results[job.name] = (p.returncode, stdout, program.decode(stderr))
            for job in jobs:
                status, stdout, stderr = results[job.name]
                check.equal(status, 0, f"{what}: exit status of run {job.name}")
                check(stdout == job.log, f"{what}: the log of run {job.name} differs from its "
                                         f"single-run log: {program.decode(stdout)!r}")
                check("集計: 補正 3、補正不可 0、失敗 0、未補正の座標点 0・図郭点 0" in stderr,
                      f"{what}: summary of run {job.name}: {stderr!r}")
            names = sorted(os.listdir(out))
            check(not any(TEMPORARY_NAME.search(n) for n in names),
                  f"{what}: temporary files remain: {names}")
            check.equal(names, sorted(n for n, _, _ in FILES), f"{what}: output folder")
            winners = set()
            for name in names:
                with open(os.path.join(out, name), "rb") as f:
                    data = f.read()
                owner = next((job.name for job in jobs if job.outputs.get(name) == data), None)
                check(owner is not None,
                      f"{what}: {name} is no run's single-run output ({len(data)} bytes)")
                if owner:
                    left[owner] += 1
                    winners.add(owner)
            mixed += len(winners) > 1
            shutil.rmtree(out)
        check.equal(folder_hash(sample_in), before, "input folder hash")
        files = options.trials * len(FILES)
        print(f"  one run alone: {seconds:.2f} s; {options.trials} trials, runs overlapping in "
              f"{overlapped}; of {files} output files run A's copy was left {left['A']} times, "
              f"run B's {left['B']}; {mixed} trials left files of both runs")
        check(overlapped >= math.ceil(options.trials / 2),
              f"the runs overlapped in only {overlapped} of {options.trials} trials")
        return report(check, "two_runs_into_one_output_folder")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def report(check, name):
    if check.failures:
        print(f"FAIL {name}")
        for failure in check.failures[:40]:
            print(f"  {failure}")
        if len(check.failures) > 40:
            print(f"  ... and {len(check.failures) - 40} more")
        return 1
    print(f"PASS {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
