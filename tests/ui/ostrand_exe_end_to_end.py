#!/usr/bin/env python3
"""End to end: the real Ostrand.exe under Wine on the generated sample (examples/dm_sample.py),
driven from outside by ui_driver.exe, against ostrand-batch.exe on the same sample.

    ostrand_exe_end_to_end.py --program Ostrand.exe --driver ui_driver.exe \
                              --batch ostrand-batch.exe --emulator WINE_RUN

The desktop program gets its entries from its settings file (a copy of Ostrand.exe in a scratch
folder, with Ostrand.ini beside it); ui_driver clicks 実行 and waits for the run to end. The run
must leave the same output files as ostrand-batch with the same entries, write "Ostrand.txt" in
the temporary folder with the same bytes as the batch program's --log file, and write the
settings file it started from back unchanged. Where no program opens text files (a fresh Wine
prefix), the log is named in a message box instead; F1 without a manual beside the program
names the missing manual. Prints PASS or FAIL; exits 0 when it passed.
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
        driver_output = driven.stdout.decode("utf-8", "replace")
        print(driver_output, end="")
        failures = []
        if driven.returncode != 0:
            failures.append(f"ui_driver exited {driven.returncode}")
        prefix = "ui_driver: "
        reported = dict(line[len(prefix):].split(": ", 1) for line in driver_output.splitlines()
                        if line.startswith(prefix) and ": " in line[len(prefix):])
        log_path = reported.get("run log", "?")
        if "ui_driver: viewer closed" not in driver_output:
            expected = ("ログファイルを開けませんでした。 | テキストエディターなどで、"
                        f"次のファイルを開いてください。 | {log_path}")
            if reported.get("message box after the run") != expected:
                failures.append(f"no message box naming the log {log_path}")
        expected = f"マニュアルが見つかりませんでした。 | {wine_path(os.path.join(app, 'Ostrand.pdf'))}"
        if reported.get("message box after F1") != expected:
            failures.append(f"F1 without a manual: expected the message {expected!r}")
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
        return 0 if not failures else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
