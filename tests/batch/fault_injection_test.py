#!/usr/bin/env python3
"""Fault injection through ostrand-batch: output folders that cannot be written, a file system
that fills up mid-file, a process killed mid-file, the input folder reached through a link as the
output folder, bad files among good ones, and paths beyond the Windows limits.

    fault_injection_test.py --program PATH [--emulator WINE_RUN] [--case NAME]

Shares the sample and the helpers of end_to_end_test.py. Every case checks that the input folder
is byte for byte unchanged. A case that this machine cannot set up (no permission to mount a small
file system, say) prints SKIP with the reason. Exit status 0 when nothing failed, else 1.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

from end_to_end_test import (INDEX_BAD, Check, Program, Sample, Skip, dm_sample, folder_hash,
                             log_lines, run_cases, utf16_order)

# A run's temporary file: "<output file name>.<16 lowercase hex digits>.ostrand-tmp".
TEMPORARY_NAME = re.compile(r"^(?P<output>.+)\.[0-9a-f]{16}\.ostrand-tmp$")
SAME_FOLDERS = "入力フォルダーと出力フォルダーが一致しています。"
OPEN_FAILED = "{} 書き込みOpen失敗"
READ_OPEN_FAILED = "{} 読み出しOpen失敗"
WRITE_FAILED = "{} 書き込み失敗"
TRUNCATED = "ファイルが途中で終わっているため、補正できません"
BAD_MODIFICATION_COUNT = "修正回数が不正なため、補正できません"
BAD_UNIT = "座標単位が不正なため、補正できません"
EARLIER = b"an earlier output of the same name\r\n"


def is_root():
    return hasattr(os, "geteuid") and os.geteuid() == 0


def quiet(*command):
    return subprocess.run(command, capture_output=True).returncode == 0


def records(path):
    with open(path, "rb") as f:
        data = f.read()
    return [data[i:i + 86] for i in range(0, len(data), 86)]


def expected_lines(program, sample, output, extra):
    """The run's log: the index line, then per DM file its line and the lines `extra(name)`
    gives (the point errors, a refusal, a failure ...)."""
    inp, out = program.log_path(sample.input), program.log_path(output)
    lines = [INDEX_BAD.format(inp + sample.expected["index_file"])]
    for name in utf16_order(n for n in os.listdir(sample.input) if n.endswith(".dm")):
        lines.append(f"{inp}{name} から {out}{name}")
        lines += extra(name)
    return lines


def sample_outcome(sample, name):
    """The log lines of a sample file after its "from" line when its output can be written."""
    lines = [f"座標({x:12.3f}, {y:12.3f}) (9 系)補正パラメータが見つかりませんでした"
             for x, y in sample.expected["point_errors"].get(name, [])]
    outcome = sample.expected["files"][name]
    return lines + ([] if outcome == "corrected" else [outcome])


def corrected_names(sample):
    return sorted(n for n, outcome in sample.expected["files"].items() if outcome == "corrected")


# ---- Output folders that cannot be written -------------------------------------------------------

def read_only_folder(scratch):
    """An existing, empty output folder that refuses new files. Permission bits do not stop root:
    then the folder is made immutable (chattr +i) or a read-only file system is mounted on it."""
    folder = os.path.join(scratch, "read-only")
    os.mkdir(folder)
    if not is_root():
        os.chmod(folder, 0o555)
        return folder, lambda: os.chmod(folder, 0o755)
    if quiet("chattr", "+i", folder):
        return folder, lambda: quiet("chattr", "-i", folder)
    if quiet("mount", "-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", folder):
        return folder, lambda: quiet("umount", folder)
    raise Skip("running as root, and neither chattr +i nor a read-only mount is permitted here")


def folder_under_a_file(scratch):
    """An output folder whose parent is a regular file: it cannot be created."""
    plain = os.path.join(scratch, "plain-file")
    with open(plain, "wb") as f:
        f.write(b"not a folder")
    return os.path.join(plain, "out"), lambda: None


def folder_name_too_long(scratch):
    """One folder name of 300 characters: more than any file system here takes."""
    return os.path.join(scratch, "n" * 300), lambda: None


def case_output_folder_cannot_be_written(program, scratch, check):
    """Read-only, uncreatable, over-long output folder: every file is reported with its output
    path as "書き込みOpen失敗", the run goes on to the last file, exit 4, nothing is written."""
    rows = [("a read-only output folder", read_only_folder),
            ("an output folder under a regular file", folder_under_a_file),
            ("an output folder name of 300 characters", folder_name_too_long)]
    for what, make in rows:
        sample = Sample(os.path.join(scratch, make.__name__))
        before = folder_hash(sample.input)
        try:
            output, undo = make(sample.root)
        except Skip as reason:
            print(f"SKIP {what}: {reason}")
            continue
        try:
            r = program.run(sample.args(program, output=output))
            entries = sorted(os.listdir(output)) if os.path.isdir(output) else []
        finally:
            undo()
        out = program.log_path(output)
        check.equal(r.returncode, 4, f"{what}: exit status")
        check.equal(log_lines(check, program, r.stdout),
                    expected_lines(program, sample, output,
                                   lambda name: [OPEN_FAILED.format(out + name)]),
                    f"{what}: log lines")
        check("集計: 補正 0、補正不可 0、失敗 8、未補正の座標点 0・図郭点 0" in program.decode(r.stderr),
              f"{what}: summary line {program.decode(r.stderr)!r}")
        check.equal(entries, [], f"{what}: output folder")
        check.equal(folder_hash(sample.input), before, f"{what}: input folder hash")


# ---- A file system that fills up -----------------------------------------------------------------

def case_output_file_system_fills_up(program, scratch, check):
    """A 64 KiB file system as the output folder and a 4 MB file first in the input: that file
    fails mid-file with "書き込み失敗" and leaves nothing behind, the space comes back, and the
    sample's files after it are corrected; exit 4. With one worker that is the whole story. With
    the default pool the sample's files are written while the big one still holds the space, so
    any of them may fail the same way: then it too leaves nothing, and every file that is under
    its output name is complete (as the one-worker run wrote it)."""
    rows = [("one worker", ["--jobs", "1"]), ("the default pool", [])]
    results = {}
    for what, jobs in rows:
        sample = Sample(os.path.join(scratch, str(len(results))))
        dm_sample.write_bench_dm_file(os.path.join(sample.input, "a00_big.dm"), 300_000)
        before = folder_hash(sample.input)
        os.mkdir(sample.output)
        if not quiet("mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", sample.output):
            raise Skip("mounting a small tmpfs is not permitted here (the failing writer of the DM "
                       "corrector's unit tests covers a full disk)")
        try:
            r = program.run(sample.args(program, *jobs))
            entries = sorted(os.listdir(sample.output))
            files = {name: open(os.path.join(sample.output, name), "rb").read()
                     for name in entries}
        finally:
            quiet("umount", sample.output)
        out = program.log_path(sample.output)
        lines = log_lines(check, program, r.stdout)
        failed = {name for name in corrected_names(sample)
                  if WRITE_FAILED.format(out + name) in lines}
        if jobs:
            check.equal(failed, set(), f"{what}: files that failed besides the big one")

        def extra(name):
            if name == "a00_big.dm":
                return [WRITE_FAILED.format(out + name)]
            return sample_outcome(sample, name) + \
                ([WRITE_FAILED.format(out + name)] if name in failed else [])
        check.equal(r.returncode, 4, f"{what}: exit status")
        check.equal(lines, expected_lines(program, sample, sample.output, extra),
                    f"{what}: log lines")
        check.equal(entries, sorted(set(corrected_names(sample)) - failed), f"{what}: output folder")
        check.equal(folder_hash(sample.input), before, f"{what}: input folder hash")
        results[what] = files
    for name, data in results.get("the default pool", {}).items():
        check(data == results["one worker"].get(name), f"{name} differs from the one-worker run")


# ---- A process killed mid-file -------------------------------------------------------------------

def size_of(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0  # gone meanwhile (renamed or deleted)


def case_killed_mid_file(program, scratch, check):
    """SIGKILL while the first file is written: nothing under any output name, since a finished
    copy waits for every earlier file; at most temporary files are left, one per output name (the
    big file's, and those of later files finished meanwhile). A second run corrects everything,
    leaves no temporary file of its own, and leaves the killed run's temporary files as they were
    (they are nobody else's to delete)."""
    sample = Sample(scratch)
    big = "a00_big.dm"
    dm_sample.write_bench_dm_file(os.path.join(sample.input, big), 1_000_000)
    before = folder_hash(sample.input)
    p = program.run(sample.args(program), popen=True)
    deadline = time.time() + 120
    while time.time() < deadline and p.poll() is None:
        if os.path.isdir(sample.output) and any(
                size_of(os.path.join(sample.output, n)) > 100_000
                for n in os.listdir(sample.output)):
            break  # well inside the first file
        time.sleep(0.005)
    if p.poll() is not None:
        check(False, "the run ended before it could be killed")
        return
    p.send_signal(signal.SIGKILL)
    p.communicate(timeout=60)
    if program.windows:
        time.sleep(1)  # the Wine server lets go of the file
    left = sorted(os.listdir(sample.output))
    names = [n for n in os.listdir(sample.input) if n.endswith(".dm")]
    owners = [TEMPORARY_NAME.match(n).group("output") if TEMPORARY_NAME.match(n) else None
              for n in left]
    check(all(o in names for o in owners) and len(set(owners)) == len(owners),
          f"after the kill the output folder holds {left}")
    print(f"  the killed run left {left}")
    left_bytes = {n: open(os.path.join(sample.output, n), "rb").read() for n in left}
    check.equal(folder_hash(sample.input), before, "input folder hash after the kill")

    r = program.run(sample.args(program))
    check.equal(r.returncode, 4, "exit status of the second run")
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected_names(sample) + [big] + left),
                "output folder after the second run")
    for name, data in left_bytes.items():
        check(open(os.path.join(sample.output, name), "rb").read() == data,
              f"the killed run's {name} was changed")
    check(os.path.getsize(os.path.join(sample.output, big)) >
          os.path.getsize(os.path.join(sample.input, big)), "the big file's output is incomplete")
    check.equal(folder_hash(sample.input), before, "input folder hash after the second run")


# ---- The input folder under another name ---------------------------------------------------------

def case_same_folder_through_a_symbolic_link(program, scratch, check):
    """Input and output folder are one folder, one of them named through a symbolic link:
    refused before the run, exit 1, no log, the inputs unchanged."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    link = os.path.join(scratch, "link-to-in")
    os.symlink(sample.input, link)
    parent_link = os.path.join(scratch, "link-to-root")
    os.symlink(scratch, parent_link)
    rows = [("output through a link", ["--out", program.arg_path(link)]),
            ("input through a link", ["--in", program.arg_path(link),
                                      "--out", program.arg_path(sample.input)]),
            ("output through a linked parent", ["--out", program.arg_path(
                os.path.join(parent_link, "in"))])]
    for what, extra in rows:
        r = program.run(sample.args(program) + extra)
        check.equal(r.returncode, 1, f"{what}: exit status")
        check.equal([line for line in program.decode(r.stderr).splitlines() if line],
                    [SAME_FOLDERS], f"{what}: stderr")
        check.equal(r.stdout, b"", f"{what}: stdout")
        check.equal(folder_hash(sample.input), before, f"{what}: input folder hash")
    check(not os.path.exists(sample.output), "output folder created")


# ---- Bad files among good ones -------------------------------------------------------------------

def bad_files(good):
    """Files made from a good one (its records, 86 bytes each): name, bytes, log line."""
    header, frame = good[0], good[1]
    head = b"".join(good[:4])
    return [
        ("b1_count99.dm", header[:65] + b"99" + header[67:] + b"".join(good[1:]),
         BAD_MODIFICATION_COUNT),
        ("b2_count_minus1.dm", header[:65] + b"-1" + header[67:] + b"".join(good[1:]),
         BAD_MODIFICATION_COUNT),
        ("b3_unit0.dm", header + frame[:44] + b"  0" + frame[47:] + b"".join(good[2:]),
         BAD_UNIT),
        ("b4_cut_in_history.dm", head + good[4][:40], TRUNCATED),
        ("b5_two_records.dm", b"".join(good[:2]), TRUNCATED),
        ("b6_empty.dm", b"", TRUNCATED),
    ]


def case_bad_files_among_good_ones(program, scratch, check):
    """Over-range and truncated files among the sample's: each gets its reason in the log under
    its own line, the run goes on, the good files come out as in a run without the bad ones,
    exit 4; earlier outputs named like a refused file survive."""
    clean = Sample(os.path.join(scratch, "clean"))
    r = program.run(clean.args(program))
    check.equal(r.returncode, 4, "exit status of the clean run")

    sample = Sample(os.path.join(scratch, "mixed"))
    good = records(os.path.join(sample.input, "a01_ld35.dm"))
    reasons = {}
    for name, data, reason in bad_files(good):
        with open(os.path.join(sample.input, name), "wb") as f:
            f.write(data)
        reasons[name] = reason
    before = folder_hash(sample.input)
    os.mkdir(sample.output)
    earlier = ["b1_count99.dm", "b4_cut_in_history.dm", "r1_datum.dm"]
    for name in earlier:
        with open(os.path.join(sample.output, name), "wb") as f:
            f.write(EARLIER)

    r = program.run(sample.args(program))
    check.equal(r.returncode, 4, "exit status")
    check.equal(log_lines(check, program, r.stdout), expected_lines(
        program, sample, sample.output,
        lambda name: [reasons[name]] if name in reasons else sample_outcome(sample, name)),
        "log lines")
    check("集計: 補正 4、補正不可 10、失敗 0、" in program.decode(r.stderr),
          f"summary line {program.decode(r.stderr)!r}")
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected_names(sample) + earlier),
                "output folder")
    for name in corrected_names(sample):
        with open(os.path.join(sample.output, name), "rb") as a, \
                open(os.path.join(clean.output, name), "rb") as b:
            check(a.read() == b.read(), f"{name} differs from the run without bad files")
    for name in earlier:
        path = os.path.join(sample.output, name)
        check(os.path.exists(path) and open(path, "rb").read() == EARLIER,
              f"the earlier {name} was changed or removed")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_output_name_taken_by_a_folder(program, scratch, check):
    """A folder holds the output name of a good file: the finished copy cannot be renamed onto
    it, so that file fails with "書き込み失敗", leaves no temporary file and the folder as it
    was; the run goes on, exit 4."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    taken = "a02_ld36.dm"
    os.makedirs(os.path.join(sample.output, taken))
    with open(os.path.join(sample.output, taken, "inside.txt"), "wb") as f:
        f.write(EARLIER)
    r = program.run(sample.args(program))
    out = program.log_path(sample.output)
    check.equal(r.returncode, 4, "exit status")
    check.equal(log_lines(check, program, r.stdout), expected_lines(
        program, sample, sample.output,
        lambda name: sample_outcome(sample, name) + [WRITE_FAILED.format(out + name)]
        if name == taken else sample_outcome(sample, name)), "log lines")
    check.equal(sorted(os.listdir(sample.output)), corrected_names(sample), "output folder")
    check.equal(os.listdir(os.path.join(sample.output, taken)), ["inside.txt"], "the folder")
    check("集計: 補正 3、補正不可 4、失敗 1、" in program.decode(r.stderr),
          f"summary line {program.decode(r.stderr)!r}")
    check.equal(folder_hash(sample.input), before, "input folder hash")


# ---- Long paths ----------------------------------------------------------------------------------

def nested(root, total):
    """A folder path under `root` of at least `total` characters, in names of 40 characters."""
    path = root
    while len(path) < total:
        path = os.path.join(path, f"{len(path):04d}" + "x" * 36)
    return path


def case_long_paths(program, scratch, check):
    """Paths beyond the Windows limits: an output folder of over 263 characters, input files of
    over 260 characters, an output folder of over 4096 characters. Each run ends normally: the
    files are corrected, or every file is reported with its path ("読み出しOpen失敗",
    "書き込みOpen失敗"); no crash, the inputs unchanged."""
    rows = [("output folder over 263 characters", False, 300),
            ("input files over 260 characters", True, 250),
            ("output folder over 4096 characters", False, 4200)]
    for what, long_input, length in rows:
        root = os.path.join(scratch, str(length))
        sample = Sample(root)
        if long_input:
            deep = nested(root, length)
            os.makedirs(os.path.dirname(deep))
            shutil.move(sample.input, deep)
            sample.input = deep
            output = sample.output
        else:
            output = nested(root, length)
        before = folder_hash(sample.input)
        r = program.run(sample.args(program, output=output))
        inp, out = program.log_path(sample.input), program.log_path(output)
        check.equal(r.returncode, 4, f"{what}: exit status")
        lines = log_lines(check, program, r.stdout)
        handled = expected_lines(program, sample, output,
                                 lambda name: sample_outcome(sample, name))
        if long_input:
            refused = expected_lines(program, sample, output,
                                     lambda name: [READ_OPEN_FAILED.format(inp + name)])
        else:
            refused = expected_lines(program, sample, output,
                                     lambda name: [OPEN_FAILED.format(out + name)])
        check(lines in (handled, refused), f"{what}: log lines {lines!r}")
        how = "corrected" if lines == handled else "reported per file"
        print(f"  {what} ({len(output if not long_input else sample.input)} characters): {how}")
        if lines == handled:
            check.equal(sorted(os.listdir(output)), corrected_names(sample), f"{what}: output")
        check.equal(folder_hash(sample.input), before, f"{what}: input folder hash")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--case", help="run only this case")
    options = parser.parse_args()

    program = Program(options.program, options.emulator)
    cases = [case_output_folder_cannot_be_written, case_output_file_system_fills_up,
             case_killed_mid_file, case_same_folder_through_a_symbolic_link,
             case_bad_files_among_good_ones, case_output_name_taken_by_a_folder, case_long_paths]
    return run_cases(program, cases, options.case, "ostrand-fault-test-")


if __name__ == "__main__":
    sys.exit(main())
