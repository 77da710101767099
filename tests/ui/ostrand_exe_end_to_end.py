#!/usr/bin/env python3
"""End to end: the real Ostrand.exe under Wine on the generated sample (examples/dm_sample.py),
driven from outside by ui_driver.exe, against ostrand-batch.exe on the same sample.

    ostrand_exe_end_to_end.py --program Ostrand.exe --driver ui_driver.exe \
                              --batch ostrand-batch.exe --emulator WINE_RUN

The desktop program gets its entries from its settings file (a copy of Ostrand.exe in a scratch
folder, with Ostrand.ini beside it); ui_driver clicks 実行 and waits for the run to end, or answers
the message box that refuses it.

- The sample's entries: the run must leave the same output files as ostrand-batch given the same
  entries as flags, write "Ostrand.txt" in the temporary folder with the same bytes as the batch
  program's --log file, and write the settings file it started from back unchanged. Where no
  program opens text files (a fresh Wine prefix), the log is named in a message box instead;
  F1 without a manual beside the program names the missing manual.
- A table of settings files (out-of-range, empty and non-numeric "Kei", "BKei", "Year", "Month";
  texts in quotes): each runs through both front ends, Ostrand.exe with the file beside it and
  ostrand-batch --settings with a copy of it. Both must run the same job (the same run log, the
  same output files, the expected fate of the file without a zone in its sheet number) or both
  refuse before the run (a message box; exit 1 with nothing on stdout), writing nothing.
- A run that ui_driver cancels in the middle (キャンセル, はい), over an output folder that holds
  a file of every name already: the files before the first unfinished one must be those of
  ostrand-batch --jobs 1 byte for byte, every later name must keep its earlier file, no
  temporary file may be left, and the log must be that of --jobs 1 up to the unfinished file's
  line, then "----キャンセル----" and "中断しました".
Prints PASS or FAIL; exits 0 when it passed.
"""

import argparse
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "examples"))
sys.path.insert(0, os.path.join(HERE, "..", "batch"))
import dm_sample  # noqa: E402
from end_to_end_test import folder_hash  # noqa: E402  (one hash for every end-to-end test)

YEAR, MONTH = 6, 5
NUMBER = "関公第１２３号"
ORGANISATION = "株式会社見本測量"
NO_ZONE = "r4_nozone.dm"  # its sheet number gives no zone: only a fallback zone corrects it

# name, the keys that differ from the sample's entries, and what both front ends must do:
# True / False: run, with NO_ZONE corrected or refused; None: refuse before the run.
SETTINGS_TABLE = [
    ("Kei outside 0 to 18, box ticked", {"Kei": "25", "BKei": "1"}, False),
    ("Kei=19, box ticked", {"Kei": "19", "BKei": "1"}, False),
    ("Kei=-1, box ticked", {"Kei": "-1", "BKei": "1"}, False),
    ("Kei=8, BKei=2 (a two-state box)", {"Kei": "8", "BKei": "2"}, True),
    ("Kei=8, BKei=3", {"Kei": "8", "BKei": "3"}, False),
    ("Kei=8, BKei not a number", {"Kei": "8", "BKei": "abc"}, False),
    ("Kei empty (entry 8), box ticked", {"Kei": "", "BKei": "1"}, True),
    ("Kei not a number (entry 0, zone 1), box ticked", {"Kei": "abc", "BKei": "1"}, True),
    ("Kei=18 (zone 19), box ticked", {"Kei": "18", "BKei": "1"}, True),
    ("Year and Month with blanks and a tail, texts in quotes",
     {"Year": " 7 ", "Month": "4月", "Number": f'"{NUMBER}"', "Kikan": f'"{ORGANISATION}"'},
     False),
    ("Year empty (the current year)", {"Year": ""}, False),
    ("Month not a number", {"Month": "abc"}, None),
    ("Year=2013", {"Year": "2013"}, None),
]


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_settings(path, values):
    """The settings file as the profile functions keep Japanese text: UTF-16LE with a BOM."""
    lines = ["[OstrandDlg]"] + [f"{key}={value}" for key, value in values]
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))


class Setup:
    """The sample, the copy of Ostrand.exe and the paths both front ends use."""

    def __init__(self, work, args):
        self.args = args
        self.sample = os.path.join(work, "sample")
        subprocess.run([sys.executable, dm_sample.__file__, self.sample], check=True,
                       capture_output=True)
        self.input = os.path.join(self.sample, "in")
        self.parameters = os.path.join(self.sample, "sample.par")
        self.input_hash = folder_hash(self.input)
        app = os.path.join(work, "app")
        os.makedirs(app)
        self.program = os.path.join(app, "Ostrand.exe")
        shutil.copy(args.program, self.program)
        self.ini = os.path.join(app, "Ostrand.ini")
        self.batch_ini = os.path.join(work, "batch", "Ostrand.ini")
        os.makedirs(os.path.dirname(self.batch_ini))
        self.out = os.path.join(work, "out")
        self.gui_out = os.path.join(work, "out-gui")
        self.gui_log = os.path.join(work, "gui-log.txt")
        self.batch_log = os.path.join(work, "batch-log.txt")

    def entries(self, changes=None):
        values = {"In": wine_path(self.input), "Out": wine_path(self.out),
                  "Year": str(YEAR), "Month": str(MONTH), "Number": NUMBER,
                  "Kikan": ORGANISATION, "Par": wine_path(self.parameters),
                  "Kei": "8", "BKei": "0"}
        values.update(changes or {})
        return list(values.items())

    def clean(self):
        for folder in (self.out, self.gui_out):
            shutil.rmtree(folder, ignore_errors=True)
        for file in (self.gui_log, self.batch_log):
            if os.path.exists(file):
                os.remove(file)

    def run_dialog(self):
        """Ostrand.exe with its settings file, 実行 clicked; its output folder moved aside.
        Returns the driver's exit status (0 ran, 3 refused by a message box) and its output."""
        driven = subprocess.run([self.args.emulator, self.args.driver, wine_path(self.program),
                                 wine_path(self.gui_log)], capture_output=True, timeout=300)
        if os.path.isdir(self.out):
            os.rename(self.out, self.gui_out)
        return driven.returncode, driven.stdout.decode("utf-8", "replace")

    def run_batch(self, options):
        """ostrand-batch.exe into the same output path, so that the logs (which name the paths)
        compare byte for byte."""
        return subprocess.run([self.args.emulator, self.args.batch, *options,
                               "--log", wine_path(self.batch_log), "--quiet"],
                              capture_output=True, timeout=300)


def compare_runs(setup, what, failures):
    """Both front ends ran: the same output files and the same run log."""
    gui_files = sorted(os.listdir(setup.gui_out)) if os.path.isdir(setup.gui_out) else []
    batch_files = sorted(os.listdir(setup.out)) if os.path.isdir(setup.out) else []
    if gui_files != batch_files:
        failures.append(f"{what}: output files differ: {gui_files} vs {batch_files}")
    elif not gui_files:
        failures.append(f"{what}: no file was corrected")
    else:
        _, mismatch, errors = filecmp.cmpfiles(setup.gui_out, setup.out, gui_files,
                                               shallow=False)
        if mismatch or errors:
            failures.append(f"{what}: output bytes differ: {mismatch + errors}")
    if not os.path.exists(setup.gui_log):
        failures.append(f"{what}: no Ostrand.txt in the temporary folder")
    elif not os.path.exists(setup.batch_log):
        failures.append(f"{what}: the batch program wrote no log")
    elif not filecmp.cmp(setup.gui_log, setup.batch_log, shallow=False):
        failures.append(f"{what}: Ostrand.txt differs from the batch program's log")
    return gui_files


def check_boxes_after_the_run(setup, said, failures):
    """The message box that names the run log where no program opens it, and the one that names
    the missing manual after F1, as ui_driver reported them."""
    prefix = "ui_driver: "
    reported = dict(line[len(prefix):].split(": ", 1) for line in said.splitlines()
                    if line.startswith(prefix) and ": " in line[len(prefix):])
    log_path = reported.get("run log", "?")
    if "ui_driver: viewer closed" not in said:
        expected = ("ログファイルを開けませんでした。 | テキストエディターなどで、"
                    f"次のファイルを開いてください。 | {log_path}")
        if reported.get("message box after the run") != expected:
            failures.append(f"no message box naming the log {log_path}")
    manual = wine_path(os.path.join(os.path.dirname(setup.program), "Ostrand.pdf"))
    expected = f"マニュアルが見つかりませんでした。 | {manual}"
    if reported.get("message box after F1") != expected:
        failures.append(f"F1 without a manual: expected the message {expected!r}")


def case_flags(setup, failures):
    """The sample's entries: from the settings file in the dialog, as flags in the batch."""
    settings = setup.entries()
    write_settings(setup.ini, settings)
    status, said = setup.run_dialog()
    print(said, end="")
    if status != 0:
        failures.append(f"ui_driver exited {status}")
    check_boxes_after_the_run(setup, said, failures)
    if folder_hash(setup.input) != setup.input_hash:
        failures.append("the desktop program's run changed the input folder")
    batch = setup.run_batch(["--in", wine_path(setup.input), "--out", wine_path(setup.out),
                             "--par", wine_path(setup.parameters), "--year", str(YEAR),
                             "--month", str(MONTH), "--number", NUMBER, "--org", ORGANISATION])
    if batch.returncode not in (0, 4):
        failures.append(f"ostrand-batch exited {batch.returncode}")
    if folder_hash(setup.input) != setup.input_hash:
        failures.append("the batch program's run changed the input folder")
    if failures:
        return
    gui_files = compare_runs(setup, "the sample's entries", failures)
    with open(setup.ini, "rb") as f:
        saved = f.read().decode("utf-16")
    for key, value in settings:
        if f"{key}={value}" not in saved:
            failures.append(f"settings file lost {key}={value}")
    print(f"corrected files: {len(gui_files)}; run log {os.path.getsize(setup.gui_log)} bytes")


def case_settings_table(setup, failures):
    """Each settings file of the table through both front ends."""
    for what, changes, no_zone_corrected in SETTINGS_TABLE:
        setup.clean()
        settings = setup.entries(changes)
        write_settings(setup.ini, settings)
        write_settings(setup.batch_ini, settings)
        status, said = setup.run_dialog()
        batch = setup.run_batch(["--settings", wine_path(setup.batch_ini)])
        batch_said = batch.stderr.decode("cp932", "replace").strip()
        if no_zone_corrected is None:
            boxes = [line for line in said.splitlines() if "message box:" in line]
            print(f"  {what}: refused: {boxes} / {batch_said!r}")
            if status != 3:
                failures.append(f"{what}: the dialog was not refused (ui_driver {status}): {said}")
            if batch.returncode != 1 or batch.stdout:
                failures.append(f"{what}: the batch program was not refused "
                                f"(exit {batch.returncode}): {batch_said!r}")
            for path in (setup.gui_out, setup.out, setup.gui_log, setup.batch_log):
                if os.path.exists(path):
                    failures.append(f"{what}: a refused run left {os.path.basename(path)}")
            continue
        if status != 0:
            failures.append(f"{what}: ui_driver exited {status}: {said}")
            continue
        if batch.returncode not in (0, 4):
            failures.append(f"{what}: ostrand-batch exited {batch.returncode}: {batch_said!r}")
            continue
        gui_files = compare_runs(setup, what, failures)
        if (NO_ZONE in gui_files) != no_zone_corrected:
            failures.append(f"{what}: {NO_ZONE} was {'' if NO_ZONE in gui_files else 'not '}"
                            f"corrected")
        print(f"  {what}: {len(gui_files)} corrected, run log "
              f"{os.path.getsize(setup.gui_log) if os.path.exists(setup.gui_log) else 0} bytes")
    if folder_hash(setup.input) != setup.input_hash:
        failures.append("the settings table's runs changed the input folder")


def case_cancelled_run(setup, work, failures):
    """The dialog's run of the default pool cancelled mid-way over earlier files of the same
    names, against ostrand-batch --jobs 1 on the same folder."""
    sample = os.path.join(work, "sample-cancel")
    subprocess.run([sys.executable, dm_sample.__file__, sample], check=True, capture_output=True)
    source = os.path.join(sample, "in")
    # 40 files of one size ahead of the sample's, so that the workers take them in list order;
    # every seventh is refused (its datum code blanked).
    slow = os.path.join(work, "slow.dm")
    dm_sample.write_bench_dm_file(slow, 50_000)
    with open(slow, "rb") as f:
        data = f.read()
    refused = data[:3 * 86 + 70] + b" " + data[3 * 86 + 71:]
    for k in range(1, 41):
        with open(os.path.join(source, f"a00_slow{k:02d}.dm"), "wb") as f:
            f.write(refused if k % 7 == 3 else data)
    names = sorted((n for n in os.listdir(source) if n.endswith(".dm")),
                   key=lambda n: n.encode("utf-16-be"))
    input_hash = folder_hash(source)
    setup.clean()

    # The reference: one worker, into the same output path (the log names it).
    r = setup.run_batch(["--in", wine_path(source), "--out", wine_path(setup.out),
                         "--par", wine_path(os.path.join(sample, "sample.par")),
                         "--year", str(YEAR), "--month", str(MONTH), "--number", NUMBER,
                         "--org", ORGANISATION, "--jobs", "1"])
    if r.returncode != 4:
        failures.append(f"cancelled run: the reference run exited {r.returncode}")
        return
    reference = os.path.join(work, "out-reference")
    os.rename(setup.out, reference)
    reference_files = {n: open(os.path.join(reference, n), "rb").read()
                       for n in os.listdir(reference)}
    with open(setup.batch_log, "rb") as f:
        reference_lines = f.read().split(b"\r\n")[:-1]

    os.makedirs(setup.out)
    earlier = {n: f"earlier {n}\r\n".encode("utf-8") for n in names}
    for name, bytes_ in earlier.items():
        with open(os.path.join(setup.out, name), "wb") as f:
            f.write(bytes_)
    write_settings(setup.ini, setup.entries({"In": wine_path(source),
                                             "Par": wine_path(os.path.join(sample, "sample.par"))}))
    driven = subprocess.run([setup.args.emulator, setup.args.driver, "--cancel-at=20",
                             wine_path(setup.program), wine_path(setup.gui_log)],
                            capture_output=True, timeout=300)
    print(driven.stdout.decode("utf-8", "replace"), end="")
    if driven.returncode != 0:
        failures.append(f"cancelled run: ui_driver exited {driven.returncode}")
        return
    if folder_hash(source) != input_hash:
        failures.append("cancelled run: the input folder changed")

    with open(setup.gui_log, "rb") as f:
        lines = f.read().split(b"\r\n")[:-1]
    cancel_lines = ["----キャンセル----".encode("cp932"), "中断しました".encode("cp932")]
    if len(lines) < 3 or lines[-2:] != cancel_lines:
        failures.append(f"cancelled run: the log does not end with the cancel lines: "
                        f"{lines[-3:]!r}")
        return
    cut_line = lines[-3]
    if cut_line not in reference_lines:
        failures.append(f"cancelled run: the line before the cancel lines is not the "
                        f"reference's: {cut_line!r}")
        return
    upto = reference_lines.index(cut_line)
    cut = next((i for i, n in enumerate(names)
                if cut_line.endswith(("\\" + n).encode("cp932"))), None)
    print(f"cancelled in file {None if cut is None else cut + 1} of {len(names)}")
    if cut is None or cut < 1:
        failures.append("cancelled run: not one file was kept before the cut")
        cut = cut or 0
    if lines[:-2] != reference_lines[:upto + 1]:
        failures.append("cancelled run: the log up to the cut differs from the one-worker log")
    files = sorted(os.listdir(setup.out))
    if files != sorted(names):
        failures.append(f"cancelled run: the output folder holds other names than the inputs: "
                        f"{sorted(set(files) ^ set(names))}")
    for i, name in enumerate(names):
        expected = reference_files[name] if i < cut and name in reference_files else earlier[name]
        path = os.path.join(setup.out, name)
        if not os.path.exists(path) or open(path, "rb").read() != expected:
            failures.append(f"cancelled run: {name} ({'before' if i < cut else 'at or after'} "
                            "the cut) is not as expected")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--program", "--driver", "--batch", "--emulator"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="ostrand-exe-e2e-")
    try:
        setup = Setup(work, args)
        failures = []
        case_flags(setup, failures)
        case_settings_table(setup, failures)
        case_cancelled_run(setup, work, failures)
        for failure in failures:
            print("FAIL:", failure)
        print("PASS" if not failures else "FAIL")
        return 0 if not failures else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
