#!/usr/bin/env python3
"""End-to-end tests of ostrand-batch on the generated sample (examples/dm_sample.py).

    end_to_end_test.py --program PATH [--emulator WINE_RUN] [--case NAME]
    end_to_end_test.py --program PATH --emulator WINE_RUN --compare-with NATIVE_PATH

With --emulator the program is a Windows executable run under Wine: paths are passed as Z:
paths and the log is read in code page 932 (the ANSI code page, since stdout is a pipe). With
--compare-with, only the comparison runs: the Windows program's output files and log against
those of the native program on the same sample.

Each case prints PASS or FAIL; the exit status is 0 when all passed, 77 when the comparison
cannot run for want of the native program (reported as skipped by ctest), else 1.
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "examples"))
import dm_sample  # noqa: E402

YEAR, MONTH = 6, 5
INDEX_BAD = "インデックスファイル {}  不良\u3000系情報不定"
PARAMETERS_FAILED = "指定のパラメーターを読み込めませんでした"
WRITE_FAILED = "{} 書き込み失敗"
RECORDS_OUT_OF_STEP = "レコード長が一定でないため、補正できません"
USAGE = "使い方: ostrand-batch"
SKIPPED = 77
REFUSALS = [dm_sample.REFUSAL_DATUM, dm_sample.REFUSAL_FIVE, dm_sample.REFUSAL_SAME,
            dm_sample.REFUSAL_ZONE]


def summary_line(corrected, refused, failed, points, corners, cancelled=False):
    """The summary line on stderr."""
    return (f"集計: 補正 {corrected}、補正不可 {refused}、失敗 {failed}、"
            f"未補正の座標点 {points}・図郭点 {corners}" + ("、中断" if cancelled else ""))


class Program:
    """ostrand-batch, native or under Wine."""

    def __init__(self, path, emulator=None):
        self.path, self.emulator = path, emulator

    @property
    def windows(self):
        return self.emulator is not None

    def arg_path(self, path):
        """A path as the program takes it."""
        if not self.windows:
            return path
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def log_path(self, path):
        """A folder path as the run writes it in the log, with the separator it appends."""
        return self.arg_path(path) + ("\\" if self.windows else "/")

    def decode(self, data):
        return data.decode("cp932" if self.windows else "utf-8")

    def run(self, args, cwd=None, timeout=600, popen=False):
        command = ([self.emulator] if self.emulator else []) + [self.path] + args
        if popen:
            return subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE)
        return subprocess.run(command, cwd=cwd, capture_output=True, timeout=timeout)


def folder_hash(folder):
    """sha256 over every file's name and bytes, in name order."""
    h = hashlib.sha256()
    for name in sorted(os.listdir(folder)):
        h.update(name.encode("utf-8") + b"\0")
        with open(os.path.join(folder, name), "rb") as f:
            h.update(f.read())
    return h.hexdigest()


def utf16_order(names):
    return sorted(names, key=lambda n: n.encode("utf-16-be"))


class Check:
    def __init__(self):
        self.failures = []

    def __call__(self, condition, message):
        if not condition:
            self.failures.append(message)

    def equal(self, actual, expected, what):
        self(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


class Sample:
    """A fresh sample in a scratch folder."""

    def __init__(self, root):
        self.root = root
        self.expected = dm_sample.make_sample(root)
        self.input = os.path.join(root, "in")
        self.output = os.path.join(root, "out")
        self.parameters = os.path.join(root, "sample.par")

    def args(self, program, *extra, output=None):
        return ["--in", program.arg_path(self.input),
                "--out", program.arg_path(output or self.output),
                "--par", program.arg_path(self.parameters),
                "--year", str(YEAR), "--month", str(MONTH),
                "--number", dm_sample.ADVICE_NUMBER, "--org", dm_sample.ORGANISATION,
                "--quiet", *extra]

    def expected_log(self, program, output=None, outcomes=None):
        """The run's log lines for the sample."""
        outcomes = outcomes or self.expected["files"]
        inp, out = program.log_path(self.input), program.log_path(output or self.output)
        lines = [INDEX_BAD.format(inp + self.expected["index_file"])]
        for name in utf16_order(outcomes):
            lines.append(f"{inp}{name} から {out}{name}")
            for x, y in self.expected["point_errors"].get(name, []):
                lines.append(f"座標({x:12.3f}, {y:12.3f}) (9 系)補正パラメータが見つかりませんでした")
            if outcomes[name] != "corrected":
                lines.append(outcomes[name])
        return lines


def log_lines(check, program, stdout):
    """The log's lines; checks that every line ends in CR LF."""
    text = program.decode(stdout)
    check(text.endswith("\r\n"), "the log does not end with CR LF")
    body = text[:-2] if text.endswith("\r\n") else text
    lines = body.split("\r\n")
    check(all("\n" not in line and "\r" not in line for line in lines),
          "a log line ends otherwise than in CR LF")
    return lines


# ---- DM files read back -------------------------------------------------------------------------

def field_int(record, column, width):
    """A fixed-width integer field read as the corrector reads it."""
    value, negative = 0, False
    for byte in record[column:column + width]:
        if 0x30 <= byte <= 0x39:
            value = value * 10 + byte - 0x30
        elif byte == 0x2D:
            if value != 0:
                break
            negative = True
        elif value > 0:
            break
    return -value if negative else value


def dm_records(path):
    with open(path, "rb") as f:
        records = f.read().split(b"\r\n")
    return records[:-1] if records and records[-1] == b"" else records


class DmLayout:
    """Where the parts of a DM file stand: the latest organisation record, the body, the unit,
    corner 0 (X, Y) in metres as a reader of the file takes it, and the points the corrector
    visits (record index, column of X), in file order."""

    def __init__(self, records):
        self.records = records
        index = 3
        for _ in range(field_int(records[0], 65, 2) + 1):
            self.organisation = records[index + 1]
            index += 2 + field_int(records[index], 9, 1)
        self.body = index
        frame = records[1]
        unit = field_int(frame, 44, 3)
        self.unit = 1000 if unit == 999 else unit
        self.corner0 = tuple(self.with_fraction(field_int(frame, 7 * k, 7),
                                                field_int(self.organisation, 40 + 4 * k, 4))
                             for k in (0, 1))
        self.points = []
        i = self.body
        while i < len(records):
            record = records[i]
            if record[:1] != b"E":
                i += 1
                continue
            kind, count = field_int(record, 20, 1), field_int(record, 27, 4)
            record_count = field_int(record, 31, 4)
            if field_int(record, 35, 7) > 0 or field_int(record, 42, 7) > 0:
                self.points.append((i, 35))
            per_record, width = {2: (6, 14), 3: (4, 21)}.get(kind, (0, 0))
            done = 0
            for r in range(1, record_count + 1):
                for k in range(per_record):
                    if done < count:
                        self.points.append((i + r, width * k))
                        done += 1
            i += 1 + record_count

    def with_fraction(self, whole, fraction):
        metres = abs(fraction) * self.unit / 1000
        return whole + metres if whole >= 0 else whole - metres

    def position(self, point):
        """The absolute (X, Y) of a visited point, metres."""
        record, column = point
        x = field_int(self.records[record], column, 7)
        y = field_int(self.records[record], column + 7, 7)
        return x * self.unit / 1000 + self.corner0[0], y * self.unit / 1000 + self.corner0[1]


def log_blocks(lines, program, sample, output):
    """The log's lines of each file, by file name: the lines after its "から" line."""
    blocks, current = {}, None
    prefix = program.log_path(sample.input)
    for line in lines:
        if line.startswith(prefix) and " から " in line:
            current = line[len(prefix):line.index(" から ")]
            blocks[current] = []
        elif line == "中断しました" or line == "----キャンセル----":
            if current is not None:
                blocks[current].append(line)
        elif current is not None:
            blocks[current].append(line)
    return blocks


POINT_ERROR = re.compile(r"^座標\( *(-?[0-9.]+), *(-?[0-9.]+)\) \(\d+ 系\)補正パラメータが見つかりませんでした$")
CORNER_ERROR = re.compile(r"^図郭座標\(")
CAP_LINE = "同一のエラーが100件を超えました、以降のエラーはリストされません"

JSON_TOP_KEYS = ["parameterFile", "parameterId", "headerText", "inputFolder", "outputFolder",
                 "fallbackZone", "cancelled", "summary", "files"]
JSON_SUMMARY_KEYS = ["corrected", "refused", "failed", "points", "pointsCorrected",
                     "pointsNotCorrected"]
JSON_FILE_KEYS = ["input", "output", "status", "reason", "zone", "unit", "points",
                  "pointsCorrected", "pointsNotCorrected", "corner0", "shift"]


def check_report_against_run(check, program, sample, data, lines, output):
    """The JSON report of a finished run against its log lines and its input and output files:
    the keys, the files in run order, statuses and reasons from the log, points read back from
    the outputs, corner 0 from the frames, the shifts recomputed from both files."""
    check.equal(list(data), JSON_TOP_KEYS, "top-level keys")
    check.equal(list(data["summary"]), JSON_SUMMARY_KEYS, "summary keys")
    check.equal(data["parameterFile"], program.arg_path(sample.parameters), "parameterFile")
    check.equal(data["parameterId"], dm_sample.PARAMETER_ID, "parameterId")
    check(data["headerText"].startswith("Ostrand sample correction grid"), "headerText")
    check.equal(data["headerText"].count("\r\n"), 13, "header lines")
    check.equal(data["inputFolder"], program.log_path(sample.input), "inputFolder")
    check.equal(data["outputFolder"], program.log_path(output), "outputFolder")
    blocks = log_blocks(lines, program, sample, output)
    names = [os.path.basename(entry["input"].replace("\\", "/")) for entry in data["files"]]
    check.equal(names, list(blocks), "files in run order")

    totals = dict.fromkeys(["corrected", "refused", "failed", "points", "pointsCorrected",
                            "pointsNotCorrected"], 0)
    for entry, name in zip(data["files"], names):
        what = name
        check.equal(list(entry), JSON_FILE_KEYS, f"{what}: keys")
        check.equal(entry["input"], program.log_path(sample.input) + name, f"{what}: input")
        check.equal(entry["output"], program.log_path(output) + name, f"{what}: output")
        block = blocks[name]
        point_errors = [m.groups() for m in map(POINT_ERROR.match, block) if m]
        others = [line for line in block if not POINT_ERROR.match(line)
                  and not CORNER_ERROR.match(line) and line != CAP_LINE]
        status = "refused" if any(line in REFUSALS for line in others) else \
            "failed" if any(line.endswith("失敗") for line in others) else "corrected"
        check.equal(entry["status"], status, f"{what}: status")
        check.equal(entry["reason"], others[-1] if others else None, f"{what}: reason")
        totals[status] += 1
        for key in ("points", "pointsCorrected", "pointsNotCorrected"):
            totals[key] += entry[key]
        if status != "corrected":
            check(not os.path.exists(os.path.join(output, name)), f"{what}: an output exists")
            check.equal((entry["points"], entry["shift"]), (0, None), f"{what}: points")
            continue

        before = DmLayout(dm_records(os.path.join(sample.input, name)))
        after = DmLayout(dm_records(os.path.join(output, name)))
        check.equal(len(after.points), len(before.points), f"{what}: points of input and output")
        check.equal(entry["points"], len(after.points), f"{what}: points")
        check.equal(entry["unit"], after.unit, f"{what}: unit")
        check.equal(entry["zone"], 9, f"{what}: zone")
        check.equal(entry["pointsNotCorrected"], len(point_errors),
                    f"{what}: points not corrected against the log")
        check.equal(entry["pointsCorrected"], entry["points"] - entry["pointsNotCorrected"],
                    f"{what}: points corrected")
        for key, corner in (("before", before.corner0), ("after", after.corner0)):
            got = entry["corner0"][key]
            check(all(abs(a - b) < 0.0005 + 1e-9 for a, b in zip(got, corner)),
                  f"{what}: corner 0 {key}: report {got}, file {corner}")

        # The shift of every corrected point: written minus read, as the files give them.
        failed = {(float(x), float(y)) for x, y in point_errors}
        dx = dy = largest = 0.0
        corrected = 0
        for p_in, p_out in zip(before.points, after.points):
            x0, y0 = before.position(p_in)
            if (float(f"{x0:.3f}"), float(f"{y0:.3f}")) in failed:
                check.equal(after.position(p_out)[0] - after.corner0[0],
                            x0 - before.corner0[0], f"{what}: a failed point was changed")
                continue
            x1, y1 = after.position(p_out)
            dx, dy = dx + (x1 - x0), dy + (y1 - y0)
            largest = max(largest, ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5)
            corrected += 1
        check.equal(corrected, entry["pointsCorrected"], f"{what}: corrected points in the files")
        shift = entry["shift"]
        for key, value in (("meanX", dx / corrected), ("meanY", dy / corrected),
                           ("maxMetres", largest)):
            check(abs(shift[key] - value) <= 0.00005 + 1e-9,
                  f"{what}: shift {key}: report {shift[key]}, files {value}")
    check.equal(data["summary"], totals, "summary")


# ---- Cases ---------------------------------------------------------------------------------------

def case_sample_run(program, scratch, check):
    """The sample: corrected files written, refused ones not, exit 4, the log, input unchanged."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    log_file = os.path.join(scratch, "run.log")
    r = program.run(sample.args(program, "--log", program.arg_path(log_file)))
    check.equal(r.returncode, 4, "exit status")
    check.equal(folder_hash(sample.input), before, "input folder hash")
    corrected = [n for n, outcome in sample.expected["files"].items() if outcome == "corrected"]
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected), "output folder")
    check.equal(log_lines(check, program, r.stdout), sample.expected_log(program), "log lines")
    with open(log_file, "rb") as f:
        check(f.read() == r.stdout, "--log FILE differs from stdout")
    stderr = program.decode(r.stderr)
    check(summary_line(4, 4, 0, 2, 0) in stderr, f"summary line: {stderr!r}")

    # The history entry of the flags, in the file's own kanji encoding.
    for name, jis in (("a01_ld35.dm", False), ("a02_ld36.dm", True)):
        with open(os.path.join(sample.output, name), "rb") as f:
            records = f.read().split(b"\r\n")
        with open(os.path.join(sample.input, name), "rb") as f:
            old = f.read().split(b"\r\n")
        blocks = int(old[0][65:67]) + 1
        history = next(i for i in range(3, len(records)) if records[i] != old[i])
        new = records[history]
        check.equal(new[0:4], b"%02d%02d" % (YEAR, MONTH), f"{name}: year and month")
        check.equal(new[40:70].rstrip(), dm_sample.kanji_bytes(dm_sample.ADVICE_NUMBER, jis),
                    f"{name}: advice number")
        check.equal(records[history + 1][0:40].rstrip(),
                    dm_sample.kanji_bytes(dm_sample.ORGANISATION, jis), f"{name}: organisation")
        check.equal(int(records[0][65:67]), blocks, f"{name}: modification count")


def case_settings_file_and_zone(program, scratch, check):
    """A settings file with the fallback zone ticked: the file without a zone is corrected too;
    the flags override the file's values; the settings file is not written."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    elsewhere = os.path.join(scratch, "not-used")
    settings = os.path.join(scratch, "job.ini")
    lines = ["[OstrandDlg]", f"In={program.arg_path(sample.input)}",
             f"Out={program.arg_path(elsewhere)}", f"Par={program.arg_path(sample.parameters)}",
             "Year=99", "Month=12", "Number=x", "Kikan=y", "Kei=8", "BKei=1"]
    with open(settings, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    r = program.run(["--settings", program.arg_path(settings),
                     "--out", program.arg_path(sample.output), "--year", str(YEAR), "--quiet"])
    check.equal(r.returncode, 4, "exit status")
    check(not os.path.exists(elsewhere), "the settings file's output folder was used")
    with open(settings, "rb") as f:
        check(f.read() == ("\r\n".join(lines) + "\r\n").encode("ascii"),
              "the settings file was changed")
    outcomes = dict(sample.expected["files"], **{"r4_nozone.dm": "corrected"})
    corrected = [n for n, outcome in outcomes.items() if outcome == "corrected"]
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected), "output folder")
    check.equal(log_lines(check, program, r.stdout), sample.expected_log(program, outcomes=outcomes),
                "log lines")
    with open(os.path.join(sample.output, "a01_ld35.dm"), "rb") as f:
        records = f.read().split(b"\r\n")
    history = [rec for rec in records if rec[0:4] == b"%02d12" % YEAR]
    check(len(history) == 1, "the history entry lacks the year of the flag and the settings' month")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def write_settings_file(path, values):
    """A settings file as the Windows profile functions write one: code page 932, CR LF."""
    lines = ["[OstrandDlg]"] + [f"{key}={value}" for key, value in values]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


# "Kei" and "BKei" as the dialog's start and data exchange read them: the file without a zone in
# its sheet number (r4_nozone.dm) is corrected in zone 9 when the box is ticked and entry 8 is
# selected, and refused otherwise.
FALLBACK_ZONE_ROWS = [
    ("Kei=8, BKei=1", "8", "1", True),
    ("Kei outside 0 to 18 selects nothing", "25", "1", False),
    ("Kei=19 selects nothing", "19", "1", False),
    ("Kei=-1 selects nothing", "-1", "1", False),
    ("an empty Kei is the default entry 8", "", "1", True),
    ("Kei with blanks and a tail", " 8x", "1", True),
    ("BKei=2 ticks the two-state box", "8", "2", True),
    ("BKei=3 is set to 0", "8", "3", False),
    ("BKei=-1 is set to 0", "8", "-1", False),
    ("a non-numeric BKei is 0", "8", "abc", False),
    ("an empty BKei is the default 0", "8", "", False),
]


def case_settings_file_read_as_the_dialog_reads_it(program, scratch, check):
    """--settings runs the job that the dialog runs from the same file: "Kei" outside 0 to 18
    leaves no zone selected (fallback zone 0), "BKei" outside 0 to 2 is 0 and 2 ticks the box."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    settings = os.path.join(scratch, "Ostrand.ini")
    for what, kei, bkei, fallback in FALLBACK_ZONE_ROWS:
        write_settings_file(settings, [
            ("In", program.arg_path(sample.input)), ("Out", program.arg_path(sample.output)),
            ("Year", YEAR), ("Month", MONTH), ("Number", dm_sample.ADVICE_NUMBER),
            ("Kikan", dm_sample.ORGANISATION), ("Par", program.arg_path(sample.parameters)),
            ("Kei", kei), ("BKei", bkei)])
        r = program.run(["--settings", program.arg_path(settings), "--quiet"])
        outcomes = dict(sample.expected["files"])
        if fallback:
            outcomes["r4_nozone.dm"] = "corrected"
        check.equal(r.returncode, 4, f"{what}: exit status")
        check.equal(log_lines(check, program, r.stdout),
                    sample.expected_log(program, outcomes=outcomes), f"{what}: log lines")
        check.equal(sorted(os.listdir(sample.output)),
                    sorted(n for n, outcome in outcomes.items() if outcome == "corrected"),
                    f"{what}: output folder")
        shutil.rmtree(sample.output)
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_settings_path_spellings(program, scratch, check):
    """--settings as a bare file name (run in the folder that holds it), as .\\name (./name) and
    as a full path: the same job each time, with the year, month, advice number and organisation
    of the file in the new history record."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    folder = os.path.join(scratch, "settings folder")
    os.mkdir(folder)
    write_settings_file(os.path.join(folder, "Ostrand.ini"), [
        ("In", program.arg_path(sample.input)), ("Out", program.arg_path(sample.output)),
        ("Year", "26"), ("Month", "4"), ("Number", dm_sample.ADVICE_NUMBER),
        ("Kikan", dm_sample.ORGANISATION), ("Par", program.arg_path(sample.parameters))])
    separator = "\\" if program.windows else "/"
    spellings = ["Ostrand.ini", "." + separator + "Ostrand.ini",
                 program.arg_path(os.path.join(folder, "Ostrand.ini"))]
    results = []
    for spelling in spellings:
        r = program.run(["--settings", spelling, "--quiet"], cwd=folder)
        check.equal(r.returncode, 4, f"{spelling}: exit status ({program.decode(r.stderr)!r})")
        outputs = {}
        if os.path.isdir(sample.output):
            for name in sorted(os.listdir(sample.output)):
                with open(os.path.join(sample.output, name), "rb") as f:
                    outputs[name] = f.read()
            shutil.rmtree(sample.output)
        results.append((spelling, r.stdout, outputs))
        a01 = outputs.get("a01_ld35.dm", b"").split(b"\r\n")
        new_history = [rec for rec in a01 if rec[0:4] == b"2604"]
        check(len(new_history) == 1, f"{spelling}: no history record of 26/04")
        for rec in new_history:
            check.equal(rec[40:70].rstrip(), dm_sample.kanji_bytes(dm_sample.ADVICE_NUMBER, False),
                        f"{spelling}: advice number")
            following = a01[a01.index(rec) + 1]
            check.equal(following[0:40].rstrip(),
                        dm_sample.kanji_bytes(dm_sample.ORGANISATION, False),
                        f"{spelling}: organisation")
    check.equal(log_lines(check, program, results[0][1]), sample.expected_log(program),
                "log lines")
    for spelling, stdout, outputs in results[1:]:
        check(stdout == results[0][1], f"{spelling}: the log differs from that of {spellings[0]}")
        check(outputs == results[0][2], f"{spelling}: the outputs differ from those of "
                                        f"{spellings[0]}")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_usage_errors(program, scratch, check):
    """Wrong usage: exit 2, the usage text on stderr, nothing on stdout, nothing written."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    cases = [
        ["--year", "x"],
        ["--month", "5月"],
        ["--zone"],
        ["--bogus"],
        ["stray-argument"],
        ["--settings", program.arg_path(os.path.join(scratch, "missing.ini"))],
        ["--settings", "missing.ini"],
        ["--settings", program.arg_path(scratch)],
        ["--report", program.arg_path(os.path.join(scratch, "report.txt"))],
        ["--report"],
    ]
    for extra in cases:
        r = program.run(sample.args(program) + extra, cwd=scratch)
        check.equal(r.returncode, 2, f"exit status of {extra}")
        check(USAGE in program.decode(r.stderr), f"no usage text for {extra}")
        check.equal(r.stdout, b"", f"stdout of {extra}")
        check(not os.path.exists(sample.output), f"output folder created for {extra}")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_parameter_load_fails(program, scratch, check):
    """A parameter file that does not load: exit 1 and the dialog's message."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    bad = os.path.join(scratch, "bad.par")
    with open(bad, "wb") as f:
        f.write(b"a title line without the keyword\r\n" * 20)
    for par in (bad, os.path.join(scratch, "missing.par")):
        args = sample.args(program) + ["--par", program.arg_path(par)]
        r = program.run(args)
        check.equal(r.returncode, 1, f"exit status for {os.path.basename(par)}")
        check(PARAMETERS_FAILED in program.decode(r.stderr),
              f"message for {os.path.basename(par)}: {program.decode(r.stderr)!r}")
        check.equal(r.stdout, b"", "stdout")
        check(not os.path.exists(sample.output), "output folder created")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_refused_before_the_run(program, scratch, check):
    """The run's own checks: exit 1, the message on stderr, no log on stdout or in --log."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    empty = os.path.join(scratch, "empty")
    os.mkdir(empty)
    log_file = os.path.join(scratch, "refused.log")
    cases = [
        (["--out", ""], ["出力データフォルダーが指定されていません"]),
        (["--year", "100", "--month", "13"],
         ["作成年は0から99で指定してください", "作成月は1から12で指定してください"]),
        (["--out", program.arg_path(sample.input)],
         ["入力フォルダーと出力フォルダーが一致しています。"]),
        (["--in", program.arg_path(empty)],
         ["指定のフォルダーにDMファイルが見つかりませんでした"]),
    ]
    for extra, messages in cases:
        r = program.run(sample.args(program) + extra + ["--log", program.arg_path(log_file)])
        stderr = program.decode(r.stderr)
        check.equal(r.returncode, 1, f"exit status of {extra}")
        check.equal([line for line in stderr.splitlines() if line], messages, f"stderr of {extra}")
        check.equal(r.stdout, b"", f"stdout of {extra}")
        check(not os.path.exists(log_file), f"log file written for {extra}")
    # Without any parameter file the run refuses too.
    r = program.run(["--in", program.arg_path(sample.input),
                     "--out", program.arg_path(sample.output), "--quiet"])
    check.equal(r.returncode, 1, "exit status without parameters")
    check("補正パラメーターが読み込まれていません" in program.decode(r.stderr),
          "message without parameters")
    check(not os.path.exists(sample.output), "output folder created by a refused run")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_records_out_of_step(program, scratch, check):
    """Copies of a sample file whose records are out of step (a short line in the header, the
    history or the body, a line end of the other kind, no line ends) are refused with no output
    and an earlier output of their name left alone; copies that differ only at the end of the
    file are corrected as the file itself."""
    sample = Sample(scratch)
    with open(os.path.join(sample.input, "a01_ld35.dm"), "rb") as f:
        good = f.read()
    records = good.split(b"\r\n")[:-1]

    def cut(index, columns):
        damaged = list(records)
        damaged[index] = damaged[index][:columns]
        return b"".join(r + b"\r\n" for r in damaged)

    mixed = b"".join(r + (b"\n" if i == 10 else b"\r\n") for i, r in enumerate(records))
    damaged = {
        "d1_short_header.dm": cut(0, 50),
        "d2_short_history.dm": cut(3, 40),
        "d3_short_organisation.dm": cut(4, 40),
        "d4_short_coordinates.dm": cut(7, 50),  # the first of an element's two records
        "d5_short_body.dm": cut(16, 50),
        "d6_mixed_line_ends.dm": mixed,
        "d7_no_line_ends.dm": b"".join(records),
    }
    complete = {"v1_last_line_end_missing.dm": good[:-2], "v2_end_of_file_byte.dm": good + b"\x1a"}
    for name, data in list(damaged.items()) + list(complete.items()):
        with open(os.path.join(sample.input, name), "wb") as f:
            f.write(data)
    os.mkdir(sample.output)
    earlier = os.path.join(sample.output, "d2_short_history.dm")
    with open(earlier, "wb") as f:
        f.write(b"an earlier output")
    before = folder_hash(sample.input)

    r = program.run(sample.args(program))
    check.equal(r.returncode, 4, "exit status")
    outcomes = dict(sample.expected["files"])
    outcomes.update({name: RECORDS_OUT_OF_STEP for name in damaged})
    outcomes.update({name: "corrected" for name in complete})
    check.equal(log_lines(check, program, r.stdout), sample.expected_log(program, outcomes=outcomes),
                "log lines")
    corrected = [n for n, outcome in outcomes.items() if outcome == "corrected"]
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected + ["d2_short_history.dm"]),
                "output folder")
    with open(earlier, "rb") as f:
        check.equal(f.read(), b"an earlier output", "the earlier output of a refused file")
    with open(os.path.join(sample.output, "a01_ld35.dm"), "rb") as f:
        corrected_good = f.read()
    with open(os.path.join(sample.output, "v1_last_line_end_missing.dm"), "rb") as f:
        check(f.read() == corrected_good[:-2], "the file without its last line end")
    with open(os.path.join(sample.output, "v2_end_of_file_byte.dm"), "rb") as f:
        check(f.read() == corrected_good + b"\x1a", "the file with an end-of-file byte")
    stderr = program.decode(r.stderr)
    check(summary_line(6, 11, 0, 2, 0) in stderr, f"summary line: {stderr!r}")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_interrupt(program, scratch, check):
    """Ctrl-C (SIGINT) during a file: cancel lines in the log, no output for that file, exit 3."""
    sample = Sample(scratch)
    big = os.path.join(sample.input, "a00_big.dm")
    dm_sample.write_bench_dm_file(big, 2_000_000)
    before = folder_hash(sample.input)
    report = os.path.join(scratch, "report.json")
    p = program.run(sample.args(program, "--report", program.arg_path(report)), popen=True)
    deadline = time.time() + 120
    while time.time() < deadline and p.poll() is None:
        if os.path.isdir(sample.output) and os.listdir(sample.output):
            break  # the first file is being written
        time.sleep(0.01)
    time.sleep(0.1)
    if p.poll() is not None:
        check(False, "the run ended before it could be interrupted")
        return
    p.send_signal(signal.SIGINT)
    stdout, stderr = p.communicate(timeout=120)
    check.equal(p.returncode, 3, "exit status")
    lines = log_lines(check, program, stdout)
    inp, out = program.log_path(sample.input), program.log_path(sample.output)
    check.equal(lines, [INDEX_BAD.format(inp + "sample.dmi"), f"{inp}a00_big.dm から {out}a00_big.dm",
                        "----キャンセル----", "中断しました"], "log lines")
    check.equal(os.listdir(sample.output), [], "output folder")
    check.equal(folder_hash(sample.input), before, "input folder hash")
    check(summary_line(0, 0, 0, 0, 0, cancelled=True) in program.decode(stderr), "summary line")

    # The report: the cancelled file, then every other file not started.
    with open(report, encoding="utf-8") as f:
        data = json.load(f)
    check.equal(data["cancelled"], True, "cancelled")
    names = [os.path.basename(entry["input"]) for entry in data["files"]]
    check.equal(names, utf16_order(["a00_big.dm", *sample.expected["files"]]), "files")
    check.equal((data["files"][0]["status"], data["files"][0]["reason"]),
                ("cancelled", "中断しました"), "the cancelled file")
    for entry in data["files"][1:]:
        check.equal((entry["status"], entry["reason"], entry["points"], entry["corner0"],
                     entry["shift"]), ("notStarted", None, 0, None, None),
                    f"{entry['input']} after the cancel")


def case_report_json(program, scratch, check):
    """--report FILE.json on the sample: counts, statuses and reasons as the log and the output
    files give them; the summary line counts the same."""
    sample = Sample(scratch)
    report = os.path.join(scratch, "report.json")
    r = program.run(sample.args(program, "--report", program.arg_path(report)))
    check.equal(r.returncode, 4, "exit status")
    with open(report, "rb") as f:
        data = json.loads(f.read().decode("utf-8"))
    check_report_against_run(check, program, sample, data, log_lines(check, program, r.stdout),
                             sample.output)
    check.equal(data["fallbackZone"], None, "fallbackZone")
    check.equal(data["cancelled"], False, "cancelled")
    s = data["summary"]
    check(summary_line(s["corrected"], s["refused"], s["failed"], s["pointsNotCorrected"], 0)
          in program.decode(r.stderr), f"summary line {program.decode(r.stderr)!r}")


def case_report_html(program, scratch, check):
    """--report FILE.html: an XML parser reads it, it names every file (also one whose name
    holds characters that XML escapes), draws the zone's map, and takes nothing from
    elsewhere."""
    sample = Sample(scratch)
    odd_name = "a05&'.dm"
    shutil.copy(os.path.join(sample.input, "a01_ld35.dm"), os.path.join(sample.input, odd_name))
    report = os.path.join(scratch, "report.html")
    r = program.run(sample.args(program, "--report", program.arg_path(report)))
    check.equal(r.returncode, 4, "exit status")
    with open(report, "rb") as f:
        page = f.read().decode("utf-8")
    root = ElementTree.fromstring(page)
    xhtml = "{http://www.w3.org/1999/xhtml}"
    first_cells = [row.find(f"{xhtml}td").text for row in root.iter(f"{xhtml}tr")
                   if row.find(f"{xhtml}td") is not None]
    for name in [*sample.expected["files"], odd_name]:
        check(name in first_cells, f"{name} is not named in the table")
    maps = list(root.iter("{http://www.w3.org/2000/svg}svg"))
    check.equal(len(maps), 1, "maps (one zone)")
    sheets = list(root.iter("{http://www.w3.org/2000/svg}polygon"))
    check.equal(len(sheets), 8, "sheet outlines (the file without a zone has none)")
    check.equal(len([p for p in root.iter("{http://www.w3.org/2000/svg}path")
                     if p.get("class") == "miss"]), 2, "marks of the two failed points")
    for pattern in (r"<script", r"<link", r"<img", r"\bsrc=", r"\bhref=", r"url\(", r"@import"):
        check(re.search(pattern, page) is None, f"the page refers to something else: {pattern}")
    check(set(re.findall(r"https?://[^\s\"]+", page)) <=
          {"http://www.w3.org/1999/xhtml", "http://www.w3.org/2000/svg"}, "addresses in the page")


def case_report_cannot_be_written(program, scratch, check):
    """A report in a folder that does not exist: the run is done and its outputs stay, the log is
    on stdout, the error on stderr, exit 1."""
    sample = Sample(scratch)
    report = os.path.join(scratch, "no-such-folder", "report.json")
    r = program.run(sample.args(program, "--report", program.arg_path(report)))
    check.equal(r.returncode, 1, "exit status")
    stderr = program.decode(r.stderr)
    check(f"ostrand-batch: レポート {program.arg_path(report)} を書き込めませんでした" in stderr,
          f"stderr {stderr!r}")
    check(summary_line(4, 4, 0, 2, 0) in stderr, "summary line")
    check.equal(log_lines(check, program, r.stdout), sample.expected_log(program), "log lines")
    corrected = [n for n, outcome in sample.expected["files"].items() if outcome == "corrected"]
    check.equal(sorted(os.listdir(sample.output)), sorted(corrected), "output folder")
    check(not os.path.exists(report), "a report was written")


def case_dry_run(program, scratch, check):
    """--dry-run: no output folder is created, an existing one stays byte for byte; the log, the
    JSON report and the exit status are those of the real run."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)

    def run(*extra, report):
        r = program.run(sample.args(program, "--report", program.arg_path(report), *extra))
        with open(report, "rb") as f:
            return r, f.read()

    dry, dry_report = run("--dry-run", report=os.path.join(scratch, "dry.json"))
    check(not os.path.exists(sample.output), "the dry run created the output folder")
    real, real_report = run(report=os.path.join(scratch, "real.json"))
    check.equal(dry.returncode, real.returncode, "exit status of the dry run")
    check(dry.stdout == real.stdout, "the dry run's log differs from the real run's")
    check(dry_report == real_report, "the dry run's JSON report differs from the real run's")
    check.equal(program.decode(dry.stderr), program.decode(real.stderr), "summary line")

    # Again with the real run's outputs in place: untouched.
    after_real = folder_hash(sample.output)
    again, again_report = run("--dry-run", report=os.path.join(scratch, "again.json"))
    check.equal(folder_hash(sample.output), after_real, "output folder after a dry run")
    check(again.stdout == real.stdout, "the second dry run's log differs")
    check(again_report == real_report, "the second dry run's report differs")
    # The HTML report says that nothing was written.
    html = os.path.join(scratch, "dry.html")
    program.run(sample.args(program, "--dry-run", "--report", program.arg_path(html)))
    with open(html, "rb") as f:
        check("--dry-run" in f.read().decode("utf-8"), "the HTML report of a dry run")
    check.equal(folder_hash(sample.output), after_real, "output folder after the HTML dry run")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_exit_status(program, scratch, check):
    """Exit 0 only when every file was corrected with every point and corner; 4 when a file was
    not corrected or a point could not be: a wrong zone fails every point and corner of a file,
    a zone outside 1 to 19 refuses it."""
    cases = [
        # name, files kept, index file bytes, extra arguments, exit, points not corrected
        ("every point corrected", ["a01_ld35.dm", "a03_ld4512.dm", "図郭04.dm"], None, [], 0, 0),
        ("two points outside the grid", ["a01_ld35.dm", "a02_ld36.dm"], None, [], 4, 2),
        ("a refused file", ["a01_ld35.dm", "r3_same.dm"], None, [], 4, 0),
        ("index zone 25: no zone, refused", ["r4_nozone.dm"], b"  25\r\n", [], 4, 0),
        ("a wrong --zone", ["r4_nozone.dm"], None, ["--zone", "5"], 4, "all"),
        ("the right --zone", ["r4_nozone.dm"], None, ["--zone", "9"], 0, 0),
    ]
    for number, (name, kept, index, extra, status, not_corrected) in enumerate(cases):
        sample = Sample(os.path.join(scratch, f"case{number}"))
        for entry in os.listdir(sample.input):
            if entry not in kept:
                os.remove(os.path.join(sample.input, entry))
        if index is not None:
            with open(os.path.join(sample.input, "zone.dmi"), "wb") as f:
                f.write(index)
        report = os.path.join(sample.root, "report.json")
        r = program.run(sample.args(program, "--report", program.arg_path(report), *extra))
        check.equal(r.returncode, status, f"{name}: exit status")
        with open(report, encoding="utf-8") as f:
            data = json.load(f)
        s = data["summary"]
        if not_corrected == "all":
            check(s["points"] > 0 and s["pointsCorrected"] == 0,
                  f"{name}: every point should fail, summary {s}")
            not_corrected = s["points"]
            corners = 4
        else:
            corners = 0
        check.equal(s["pointsNotCorrected"], not_corrected, f"{name}: points not corrected")
        stderr = program.decode(r.stderr)
        check(summary_line(s["corrected"], s["refused"], s["failed"], not_corrected, corners)
              in stderr, f"{name}: summary line {stderr!r}")


# ---- Parallel runs -------------------------------------------------------------------------------

TAKEN_NAME = "m20_a01_ld35.dm"  # an output name taken by a folder: that file fails


def many_files(sample, big_points=200_000):
    """The sample plus copies under other names: 55 copies of the file with two point failures
    (past the run's limit of 100), refused ones, a truncated one, and one large file among them
    so that the workers finish out of order. Returns the DM names in list order."""
    def copy(name, new):
        shutil.copyfile(os.path.join(sample.input, name), os.path.join(sample.input, new))
    for k in range(1, 56):
        copy("a02_ld36.dm", f"m{k:02d}_a02_ld36.dm")
    for k in range(1, 31):
        copy("a01_ld35.dm", f"m{k:02d}_a01_ld35.dm")
    for k in (7, 23, 41):
        copy("r1_datum.dm", f"m{k:02d}_r1_datum.dm")
        copy("r3_same.dm", f"m{k:02d}_r3_same.dm")
    with open(os.path.join(sample.input, "a01_ld35.dm"), "rb") as f:
        head = f.read(3 * 86 + 40)
    with open(os.path.join(sample.input, "m33_cut.dm"), "wb") as f:
        f.write(head)
    dm_sample.write_bench_dm_file(os.path.join(sample.input, "m30_big.dm"), big_points)
    return utf16_order(n for n in os.listdir(sample.input) if n.endswith(".dm"))


def output_files(folder):
    return {name: open(os.path.join(folder, name), "rb").read()
            for name in sorted(os.listdir(folder))
            if os.path.isfile(os.path.join(folder, name))}


def case_jobs_1_and_4_agree(program, scratch, check):
    """A folder of 101 files with point failures past the run's limit, refusals, a failure and an
    index file, corrected by one worker and by four: the same exit status, the same summary, the
    same log bytes on stdout and in --log, the same report, the same output files byte for
    byte."""
    sample = Sample(scratch)
    names = many_files(sample)
    before = folder_hash(sample.input)
    runs = {}
    for jobs in ("1", "4"):
        if os.path.exists(sample.output):
            shutil.rmtree(sample.output)
        os.makedirs(os.path.join(sample.output, TAKEN_NAME))
        log_file = os.path.join(scratch, f"run{jobs}.log")
        report = os.path.join(scratch, f"run{jobs}.json")
        r = program.run(sample.args(program, "--jobs", jobs, "--log", program.arg_path(log_file),
                                    "--report", program.arg_path(report)))
        with open(log_file, "rb") as f, open(report, "rb") as g:
            runs[jobs] = (r.returncode, r.stdout, f.read(), program.decode(r.stderr),
                          output_files(sample.output), g.read())
    one, four = runs["1"], runs["4"]
    check.equal(one[0], 4, "exit status of --jobs 1")
    check.equal(four[0], one[0], "exit status of --jobs 4")
    check(one[1] == one[2], "--log FILE differs from stdout")
    check(four[1] == one[1], "the logs of --jobs 4 and --jobs 1 differ")
    check(four[2] == one[2], "the --log files of --jobs 4 and --jobs 1 differ")
    check.equal(four[3], one[3], "stderr")
    check(four[5] == one[5], "the reports of --jobs 4 and --jobs 1 differ")
    check.equal(sorted(four[4]), sorted(one[4]), "output names")
    for name in one[4]:
        check(four[4].get(name) == one[4][name], f"{name} differs between --jobs 4 and --jobs 1")
    lines = log_lines(check, program, one[1])
    out = program.log_path(sample.output)
    check.equal(lines.count("同一のエラーが100件を超えました、以降のエラーはリストされません"), 1,
                "cap lines")
    check(WRITE_FAILED.format(out + TAKEN_NAME) in lines, "the taken name did not fail")
    check.equal(len([n for n in lines if " から " in n]), len(names), "file lines")
    check(summary_line(89, 11, 1, 112, 0) in one[3], f"summary line {one[3]!r}")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_interrupt_keeps_a_prefix(program, scratch, check):
    """Ctrl-C in the middle of a run of four workers over an output folder that holds files of
    every name already: exit 3; the files before the first unfinished one are the one-worker
    run's outputs byte for byte, every later name keeps its earlier file, no temporary file is
    left; the log is the one-worker log up to that file's line, then the two cancel lines."""
    sample = Sample(scratch)
    # 40 files of one size ahead of the sample's, so that the workers take them in list order;
    # every seventh is refused (its datum code blanked).
    slow = os.path.join(scratch, "slow.dm")
    dm_sample.write_bench_dm_file(slow, 30_000)
    with open(slow, "rb") as f:
        data = f.read()
    refused = data[:3 * 86 + 70] + b" " + data[3 * 86 + 71:]
    for k in range(1, 41):
        with open(os.path.join(sample.input, f"a00_slow{k:02d}.dm"), "wb") as f:
            f.write(refused if k % 7 == 3 else data)
    names = utf16_order(n for n in os.listdir(sample.input) if n.endswith(".dm"))
    before = folder_hash(sample.input)
    reference = os.path.join(scratch, "reference")
    r = program.run(sample.args(program, "--jobs", "1", output=reference))
    check.equal(r.returncode, 4, "exit status of the reference run")
    ref_files = output_files(reference)
    ref_lines = [line.replace(program.log_path(reference), program.log_path(sample.output))
                 for line in log_lines(check, program, r.stdout)]

    os.mkdir(sample.output)
    earlier = {name: f"earlier {name}\r\n".encode("utf-8") for name in names}
    for name, data in earlier.items():
        with open(os.path.join(sample.output, name), "wb") as f:
            f.write(data)
    p = program.run(sample.args(program, "--jobs", "4"), popen=True)
    deadline = time.time() + 120
    while time.time() < deadline and p.poll() is None:
        replaced = [n for n in names[:8] if open(os.path.join(sample.output, n), "rb").read()
                    != earlier[n]]
        if len(replaced) >= 2:
            break
        time.sleep(0.005)
    if p.poll() is not None:
        check(False, "the run ended before it could be interrupted")
        return
    p.send_signal(signal.SIGINT)
    stdout, stderr = p.communicate(timeout=120)
    check.equal(p.returncode, 3, "exit status")
    lines = log_lines(check, program, stdout)
    check(len(lines) >= 3 and lines[-2:] == ["----キャンセル----", "中断しました"],
          f"the log does not end with the cancel lines: {lines[-3:]}")
    inp, out = program.log_path(sample.input), program.log_path(sample.output)
    cut_line = lines[-3]
    cut = next((i for i, n in enumerate(names) if cut_line == f"{inp}{n} から {out}{n}"), None)
    if cut is None:
        check(False, f"the line before the cancel lines names no file: {cut_line!r}")
        return
    check(cut >= 1, "not one file was kept")
    print(f"  cancelled in file {cut + 1} of {len(names)}")
    upto = ref_lines.index(cut_line)
    check.equal(lines[:-2], ref_lines[:upto + 1], "log lines up to the cut")
    files = output_files(sample.output)
    check.equal(sorted(files), sorted(names), "output names (no temporary file left)")
    for i, name in enumerate(names):
        expected = ref_files[name] if i < cut and name in ref_files else earlier[name]
        check(files.get(name) == expected,
              f"{name} ({'before' if i < cut else 'at or after'} the cut) is not as expected")
    check("、中断" in program.decode(stderr), "summary line")
    check.equal(folder_hash(sample.input), before, "input folder hash")


def case_native_and_windows_agree(program, native, scratch, check):
    """The same sample through both programs: identical output files, identical logs once the
    paths are masked."""
    sample = Sample(scratch)
    before = folder_hash(sample.input)
    out_native = os.path.join(scratch, "out-native")
    out_windows = os.path.join(scratch, "out-windows")
    report_native = os.path.join(scratch, "native.json")
    report_windows = os.path.join(scratch, "windows.json")
    rn = native.run(sample.args(native, "--report", native.arg_path(report_native),
                                output=out_native))
    rw = program.run(sample.args(program, "--report", program.arg_path(report_windows),
                                 output=out_windows))
    check.equal((rw.returncode, rn.returncode), (4, 4), "exit statuses (Windows, native)")
    names = sorted(os.listdir(out_native))
    check.equal(sorted(os.listdir(out_windows)), names, "output file names")
    for name in names:
        a = open(os.path.join(out_native, name), "rb").read()
        b = open(os.path.join(out_windows, name), "rb").read()
        if a != b:
            where = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]),
                         min(len(a), len(b)))
            check(False, f"{name}: first difference at byte {where} (record {where // 86}, "
                         f"column {where % 86}): native {a[where:where + 16]!r}, "
                         f"Windows {b[where:where + 16]!r}")

    def masked(prog, stdout, out):
        lines = log_lines(check, prog, stdout)
        inp, outp = prog.log_path(sample.input), prog.log_path(out)
        return [line.replace(inp, "<IN>/").replace(outp, "<OUT>/") for line in lines]

    ln = masked(native, rn.stdout, out_native)
    lw = masked(program, rw.stdout, out_windows)
    for i, (a, b) in enumerate(zip(ln, lw)):
        check(a == b, f"log line {i + 1}: native {a!r}, Windows {b!r}")
    check.equal(len(lw), len(ln), "number of log lines")

    # The JSON reports, byte for byte once the paths (as JSON strings) are masked.
    def masked_report(prog, path, out):
        with open(path, "rb") as f:
            text = f.read().decode("utf-8")
        for real, mask in ((prog.log_path(sample.input), "<IN>/"), (prog.log_path(out), "<OUT>/"),
                           (prog.arg_path(sample.parameters), "<PAR>")):
            text = text.replace(json.dumps(real, ensure_ascii=False)[1:-1], mask)
        return text.encode("utf-8")

    jn = masked_report(native, report_native, out_native)
    jw = masked_report(program, report_windows, out_windows)
    check(jn == jw, "the JSON reports differ once the paths are masked:\n"
          + "\n".join(f"  native {a!r}\n  Windows {b!r}" for a, b in
                      zip(jn.decode().splitlines(), jw.decode().splitlines()) if a != b))
    check(b"<IN>/" in jn and b"<OUT>/" in jn and b"<PAR>" in jn, "the paths were not masked")
    check.equal(folder_hash(sample.input), before, "input folder hash")


class Skip(Exception):
    """The case (or one row of it) cannot be set up on this machine."""


def run_cases(program, cases, only, prefix):
    """Runs each case (or only the one named `only`) in a scratch folder of its own and prints
    PASS, FAIL or SKIP with its time; 1 when any case failed, else 0."""
    failed = 0
    for case in cases:
        name = case.__name__[len("case_"):]
        if only and only != name:
            continue
        scratch = tempfile.mkdtemp(prefix=prefix)
        check = Check()
        started = time.time()
        try:
            case(program, scratch, check)
        except Skip as reason:
            print(f"SKIP {name}: {reason}")
            continue
        except Exception:
            check.failures.append(traceback.format_exc())
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        took = f"({time.time() - started:.1f} s)"
        if check.failures:
            failed += 1
            print(f"FAIL {name} {took}")
            for failure in check.failures:
                print(f"  {failure}")
        else:
            print(f"PASS {name} {took}")
    return 1 if failed else 0


def native_comparison_cases(native_path, compare):
    """The one case of a --compare-with run: compare(windows, native, scratch, check). None, after
    saying so, when the native program is not built."""
    if not os.path.exists(native_path):
        print(f"SKIP native comparison: {native_path} is not built")
        return None
    native = Program(native_path)

    def case_native_and_windows(p, s, c):
        compare(p, native, s, c)
    return [case_native_and_windows]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--compare-with", help="native ostrand-batch to compare the Windows one with")
    parser.add_argument("--case", help="run only this case")
    options = parser.parse_args()

    program = Program(options.program, options.emulator)
    cases = [case_sample_run, case_settings_file_and_zone,
             case_settings_file_read_as_the_dialog_reads_it, case_settings_path_spellings,
             case_usage_errors, case_parameter_load_fails, case_refused_before_the_run,
             case_records_out_of_step, case_report_json, case_report_html,
             case_report_cannot_be_written, case_dry_run, case_exit_status,
             case_jobs_1_and_4_agree]
    if not program.windows:
        # Ctrl-C cannot be sent to a program under Wine from here
        cases += [case_interrupt, case_interrupt_keeps_a_prefix]
    if options.compare_with:
        cases = native_comparison_cases(options.compare_with, case_native_and_windows_agree)
        if cases is None:
            return SKIPPED

    return run_cases(program, cases, options.case, "ostrand-batch-test-")


if __name__ == "__main__":
    sys.exit(main())
