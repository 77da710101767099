#!/usr/bin/env python3
"""End to end: the real Ostrand.exe under Wine on the generated sample (examples/dm_sample.py),
driven from outside by ui_driver.exe, against ostrand-batch.exe on the same sample.

    ostrand_exe_end_to_end.py --program Ostrand.exe --driver ui_driver.exe \
                              --batch ostrand-batch.exe --emulator WINE_RUN

The desktop program gets its entries from its settings file (a copy of Ostrand.exe in a scratch
folder, with Ostrand.ini beside it); ui_driver clicks 実行 and waits for the run to end. The run
must leave the same output files as ostrand-batch with the same entries, write "Ostrand.txt" in
the temporary folder with the same bytes as the batch program's --log file, and write the
settings file it started from back unchanged.

Then a run that ui_driver cancels in the middle (キャンセル, はい), over an output folder that
holds a file of every name already: the files before the first unfinished one must be those of
ostrand-batch --jobs 1 byte for byte, every later name must keep its earlier file, no temporary
file may be left, and the log must be that of --jobs 1 up to the unfinished file's line, then
"----キャンセル----" and "中断しました". Prints PASS or FAIL; exits 0 when both passed.
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


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_settings(path, values):
    """The settings file as the profile functions keep Japanese text: UTF-16LE with a BOM."""
    lines = ["[OstrandDlg]"] + [f"{key}={value}" for key, value in values]
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))


def batch_args(sample, out, log):
    return ["--in", wine_path(os.path.join(sample, "in")), "--out", wine_path(out),
            "--par", wine_path(os.path.join(sample, "sample.par")), "--year", str(YEAR),
            "--month", str(MONTH), "--number", NUMBER, "--org", ORGANISATION,
            "--log", wine_path(log), "--quiet"]


def cancelled_run(args, work):
    """The dialog's run cancelled mid-way over earlier files of the same names; the failures."""
    sample = os.path.join(work, "sample-cancel")
    subprocess.run([sys.executable, dm_sample.__file__, sample], check=True, capture_output=True)
    # 40 files of one size ahead of the sample's, so that the workers take them in list order;
    # every seventh is refused (its datum code blanked).
    slow = os.path.join(work, "slow.dm")
    dm_sample.write_bench_dm_file(slow, 50_000)
    with open(slow, "rb") as f:
        data = f.read()
    refused = data[:3 * 86 + 70] + b" " + data[3 * 86 + 71:]
    for k in range(1, 41):
        with open(os.path.join(sample, "in", f"a00_slow{k:02d}.dm"), "wb") as f:
            f.write(refused if k % 7 == 3 else data)
    names = sorted((n for n in os.listdir(os.path.join(sample, "in")) if n.endswith(".dm")),
                   key=lambda n: n.encode("utf-16-be"))
    input_hash = folder_hash(os.path.join(sample, "in"))
    out = os.path.join(work, "out-cancel")
    failures = []

    # The reference: ostrand-batch with one worker, into the same output path (the log names it).
    reference_log = os.path.join(work, "reference-log.txt")
    r = subprocess.run([args.emulator, args.batch, *batch_args(sample, out, reference_log),
                        "--jobs", "1"], capture_output=True, timeout=600)
    if r.returncode != 4:
        return [f"the reference run exited {r.returncode}"]
    reference = os.path.join(work, "out-reference")
    os.rename(out, reference)
    reference_files = {n: open(os.path.join(reference, n), "rb").read()
                       for n in os.listdir(reference)}
    with open(reference_log, "rb") as f:
        reference_lines = f.read().split(b"\r\n")[:-1]

    os.makedirs(out)
    earlier = {n: f"earlier {n}\r\n".encode("utf-8") for n in names}
    for name, bytes_ in earlier.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes_)
    app = os.path.join(work, "app")
    write_settings(os.path.join(app, "Ostrand.ini"),
                   [("In", wine_path(os.path.join(sample, "in"))), ("Out", wine_path(out)),
                    ("Year", str(YEAR)), ("Month", str(MONTH)), ("Number", NUMBER),
                    ("Kikan", ORGANISATION), ("Par", wine_path(os.path.join(sample, "sample.par"))),
                    ("Kei", "8"), ("BKei", "0")])
    gui_log = os.path.join(work, "gui-cancel-log.txt")
    driven = subprocess.run([args.emulator, args.driver, wine_path(os.path.join(app, "Ostrand.exe")),
                             wine_path(gui_log), "20"], capture_output=True, timeout=300)
    print(driven.stdout.decode("utf-8", "replace"), end="")
    if driven.returncode != 0:
        return [f"ui_driver exited {driven.returncode} in the cancelled run"]
    if folder_hash(os.path.join(sample, "in")) != input_hash:
        failures.append("the cancelled run changed the input folder")

    with open(gui_log, "rb") as f:
        lines = f.read().split(b"\r\n")[:-1]
    cancel_lines = ["----キャンセル----".encode("cp932"), "中断しました".encode("cp932")]
    if len(lines) < 3 or lines[-2:] != cancel_lines:
        return failures + [f"the log does not end with the cancel lines: {lines[-3:]!r}"]
    cut_line = lines[-3]
    if cut_line not in reference_lines:
        return failures + [f"the line before the cancel lines is not the reference's: {cut_line!r}"]
    upto = reference_lines.index(cut_line)
    cut = next((i for i, n in enumerate(names)
                if cut_line.endswith(("\\" + n).encode("cp932"))), None)
    print(f"cancelled in file {None if cut is None else cut + 1} of {len(names)}")
    if cut is None or cut < 1:
        failures.append("not one file was kept before the cut")
        cut = cut or 0
    if lines[:-2] != reference_lines[:upto + 1]:
        failures.append("the log up to the cut differs from the one-worker log")
    files = sorted(os.listdir(out))
    if files != sorted(names):
        failures.append(f"the output folder holds other names than the inputs: "
                        f"{sorted(set(files) ^ set(names))}")
    for i, name in enumerate(names):
        expected = reference_files[name] if i < cut and name in reference_files else earlier[name]
        path = os.path.join(out, name)
        if not os.path.exists(path) or open(path, "rb").read() != expected:
            failures.append(f"{name} ({'before' if i < cut else 'at or after'} the cut) is not "
                            "as expected")
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--program", "--driver", "--batch", "--emulator"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="ostrand-exe-e2e-")
    try:
        sample = os.path.join(work, "sample")
        subprocess.run([sys.executable, dm_sample.__file__, sample], check=True,
                       capture_output=True)
        input_hash = folder_hash(os.path.join(sample, "in"))
        app = os.path.join(work, "app")
        os.makedirs(app)
        program = os.path.join(app, "Ostrand.exe")
        shutil.copy(args.program, program)
        out = os.path.join(work, "out")
        settings = [("In", wine_path(os.path.join(sample, "in"))),
                    ("Out", wine_path(out)),
                    ("Year", str(YEAR)), ("Month", str(MONTH)),
                    ("Number", NUMBER), ("Kikan", ORGANISATION),
                    ("Par", wine_path(os.path.join(sample, "sample.par"))),
                    ("Kei", "8"), ("BKei", "0")]
        ini = os.path.join(app, "Ostrand.ini")
        write_settings(ini, settings)

        gui_log = os.path.join(work, "gui-log.txt")
        driven = subprocess.run([args.emulator, args.driver, wine_path(program), wine_path(gui_log)],
                                capture_output=True, timeout=300)
        print(driven.stdout.decode("utf-8", "replace"), end="")
        failures = []
        if driven.returncode != 0:
            failures.append(f"ui_driver exited {driven.returncode}")
        if folder_hash(os.path.join(sample, "in")) != input_hash:
            failures.append("the desktop program's run changed the input folder")
        gui_out = os.path.join(work, "out-gui")
        if os.path.isdir(out):
            os.rename(out, gui_out)
        else:
            failures.append("the run made no output folder")

        # The same job through the batch program, into the same output path so that the log
        # lines (which name the paths) can be compared byte for byte.
        batch_log = os.path.join(work, "batch-log.txt")
        batch = subprocess.run(
            [args.emulator, args.batch, "--in", wine_path(os.path.join(sample, "in")),
             "--out", wine_path(out), "--par", wine_path(os.path.join(sample, "sample.par")),
             "--year", str(YEAR), "--month", str(MONTH), "--number", NUMBER,
             "--org", ORGANISATION, "--log", wine_path(batch_log), "--quiet"],
            capture_output=True, timeout=300)
        if batch.returncode not in (0, 4):
            failures.append(f"ostrand-batch exited {batch.returncode}")
        if folder_hash(os.path.join(sample, "in")) != input_hash:
            failures.append("the batch program's run changed the input folder")

        if not failures:
            gui_files, batch_files = sorted(os.listdir(gui_out)), sorted(os.listdir(out))
            if gui_files != batch_files:
                failures.append(f"output files differ: {gui_files} vs {batch_files}")
            elif not gui_files:
                failures.append("no file was corrected")
            else:
                _, mismatch, errors = filecmp.cmpfiles(gui_out, out, gui_files, shallow=False)
                if mismatch or errors:
                    failures.append(f"output bytes differ: {mismatch + errors}")
            if not os.path.exists(gui_log):
                failures.append("no Ostrand.txt in the temporary folder")
            elif not filecmp.cmp(gui_log, batch_log, shallow=False):
                failures.append("Ostrand.txt differs from the batch program's log")
            with open(ini, "rb") as f:
                saved = f.read().decode("utf-16")
            for key, value in settings:
                if f"{key}={value}" not in saved:
                    failures.append(f"settings file lost {key}={value}")
            print(f"corrected files: {len(gui_files)}; run log {os.path.getsize(gui_log)} bytes")
        for failure in failures:
            print("FAIL:", failure)
        print("PASS" if not failures else "FAIL")
        cancel_failures = cancelled_run(args, work)
        for failure in cancel_failures:
            print("FAIL (cancelled run):", failure)
        print("PASS (cancelled run)" if not cancel_failures else "FAIL (cancelled run)")
        return 0 if not failures and not cancel_failures else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
