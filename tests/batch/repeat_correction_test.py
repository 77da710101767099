#!/usr/bin/env python3
"""DM files as they live: sheets on the zone axes corrected again and again, files without a
usable zone, long modification histories; all through ostrand-batch.

    repeat_correction_test.py --program PATH [--emulator WINE_RUN] [--exact EXACT] [--case NAME]
    repeat_correction_test.py --program PATH --emulator WINE_RUN --compare-with NATIVE_PATH
    repeat_correction_test.py --exact EXACT --write-reference

The repeat correction: sheets of zone 9 with a corner on the axes X = 0 or Y = 0 (units 1 and
10 mm) are corrected with one grid (about 0.3 m south, 0.5 m west), and the outputs again with a
second grid (about 0.4 m north, 0.2 m west). Every output is read back by the small reader below,
written from the DM record layout (corner = integer part + signed fraction x unit / 1000, the
origin from the frame record and the latest organisation record, the points from the coordinate
records), and compared with the exact projection: the points as read from the input, converted
to latitude and longitude by the exact transverse Mercator projection, moved by the grid's shift
and converted back, once and twice. Each point and corner must lie within one coordinate unit per
correction of its exact place.

The exact places come from EXACT (tests/batch/exact_correction.cpp, built natively where
GeographicLib exists), or else from the table that it wrote (repeat_correction_reference.json,
rewritten with --write-reference); with EXACT the table is also checked against it. The Windows
program under Wine is checked against the table; with --compare-with, its outputs of both
corrections must also be byte-identical to the native program's.

Each case prints PASS or FAIL; the exit status is 0 when all passed, 77 when the comparison
cannot run for want of the native program, else 1.
"""

import argparse
import json
import os
import subprocess
import sys

from end_to_end_test import (SKIPPED, Check, Program, dm_sample, log_lines, native_comparison_cases,
                             run_cases, utf16_order)

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "repeat_correction_reference.json")
REGENERATE = ("python3 tests/batch/repeat_correction_test.py "
              "--exact build/native/bin/exact_correction --write-reference")

YEAR, MONTH = 7, 9
NO_INDEX = "インデックスファイル なし"
INDEX_ZONE = "インデックスファイル {}  から\u3000{} 系\u3000と判定"
ZONE_UNKNOWN = "「系」情報不明のため、補正できません"
BAD_MODIFICATION_COUNT = "修正回数が不正なため、補正できません"

ZONE = 9
ZONE_ORIGIN = (36.0, 139.0 + 50.0 / 60.0)  # latitude, longitude of zone 9 (degrees)

# The two grids: identifier and uniform shift (latitude, longitude, arc-seconds, as written).
FIRST_GRID = (21, "-0.00974", "-0.02000")   # about 0.30 m south, 0.50 m west
SECOND_GRID = (22, "0.01300", "-0.00800")   # about 0.40 m north, 0.20 m west


# ---- Input files -------------------------------------------------------------------------------

def write_grid(path, grid):
    """A correction parameter file around the origin of zone 9 (latitude 35.75 to 36.25,
    longitude 139.5 to 140.2) in which every grid point has the same shift."""
    identifier, dlat, dlon = grid
    lines = [f"Uniform test grid  Tarnwick for {identifier}"]
    lines += [f"(header line {i})" for i in range(2, 16)]
    lines.append("MeshCode  dB(sec)   dL(sec)   dH(m)")
    for row in range(round(35.75 * 120), round(36.25 * 120) + 1):
        for column in range(round(139.5 * 80), round(140.2 * 80) + 1):
            lines.append(f"{dm_sample.mesh_code(row, column):8d}{dlat:>10}{dlon:>10}"
                         f"{'0.000':>10}")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


def edge_points(dm):
    """Points on the sheet's corners and edges, and one inside, in coordinate units."""
    sx, sy = dm_sample.sheet_in_units(dm)
    return [(0, 0), (0, sy), (sx, 0), (sx, sy), (0, sy // 2), (sx // 2, 0), (sx // 3, sy // 3)]


def on_axis_sheets():
    """(file name, DmFile): sheets of zone 9 with corners on the axes, around the origin and
    along X = 0 and Y = 0, in units of 1 and 10 mm; one whose corner 0 already lies just
    south-west of the origin (0 and -300, 0 and -500), as a repeat correction leaves it."""
    rows = [("a_je90_u1.dm", "09JE90", 1), ("b_kd09_u1.dm", "09KD09", 1),
            ("c_je95_u1.dm", "09JE95", 1), ("d_jd99_u10.dm", "09JD99", 10),
            ("e_ke00_u10.dm", "09KE00", 10), ("f_je50_u10.dm", "09JE50", 10)]
    sheets = []
    for name, sheet, unit in rows:
        dm = dm_sample.DmFile(sheet, dm_sample.sheet_box(sheet), unit=unit,
                              histories=[dm_sample.History(20, 4, entries=[1])])
        dm_sample.fill_body(dm, unit)
        dm.add_element(2, edge_points(dm), code="2201")
        sheets.append((name, dm))
    shifted = dm_sample.DmFile("09JE90", dm_sample.sheet_box("09JE90"), unit=1, histories=[
        dm_sample.History(20, 4, entries=[1],
                          fractions=(-300, -500, 0, 0, 0, -500, -300, 0))])
    dm_sample.fill_body(shifted, 7)
    shifted.add_element(2, edge_points(shifted), code="2201")
    sheets.append(("g_je90_south_west.dm", shifted))
    return sheets


# ---- An independent reader of DM files ---------------------------------------------------------

class Sheet:
    """What a DM file says about its sheet: unit (mm), the four corners and every point
    (X, Y in metres), the modification count and the history blocks (lists of records)."""


def field(record, column, width):
    text = record[column:column + width].decode("ascii").strip()
    return int(text) if text else 0


def read_sheet(path):
    with open(path, "rb") as f:
        data = f.read()
    length = 86 if data[85:86] == b"\n" else 85 if data[84:85] == b"\n" else len(data)
    records = [data[i:i + length] for i in range(0, len(data), length)]
    sheet = Sheet()
    header, frame = records[0], records[1]
    sheet.count = field(header, 65, 2) if header[0:1] == b"M" else 0
    unit = field(frame, 44, 3)
    sheet.unit = 1000 if unit == 999 else unit
    # Corners 0, 1, 2, 3: (X column, Y column) of the integer part in the frame record.
    columns = [(0, 7), (47, 54), (14, 21), (61, 68)]
    whole = [(field(frame, cx, 7), field(frame, cy, 7)) for cx, cy in columns]
    if whole[1] == (0, 0) and whole[3] == (0, 0):
        whole[1] = (whole[2][0], whole[0][1])
        whole[3] = (whole[0][0], whole[2][1])
    # The history blocks: history record, organisation record, continuation records.
    sheet.blocks = []
    i = 3
    for _ in range(sheet.count + 1):
        continuations = field(records[i], 9, 1)
        sheet.blocks.append(records[i:i + 2 + continuations])
        i += 2 + continuations
    organisation = sheet.blocks[-1][1]
    # Fractions in the order corner 0, 2, 1, 3; signed, in coordinate units.
    fraction_columns = {0: (40, 44), 2: (48, 52), 1: (56, 60), 3: (64, 68)}
    sheet.corners = []
    for k in range(4):
        fx, fy = fraction_columns[k]
        sheet.corners.append((whole[k][0] + field(organisation, fx, 4) * sheet.unit / 1000,
                              whole[k][1] + field(organisation, fy, 4) * sheet.unit / 1000))
    x0, y0 = sheet.corners[0]
    sheet.points = []

    def add(x, y):
        sheet.points.append((x0 + x * sheet.unit / 1000, y0 + y * sheet.unit / 1000))

    while i < len(records):
        record = records[i]
        i += 1
        if record[0:1] != b"E":
            continue
        kind, count, following = record[20:21], field(record, 27, 4), field(record, 31, 4)
        own = (field(record, 35, 7), field(record, 42, 7))
        if own[0] > 0 or own[1] > 0:
            add(*own)
        per_record, width = {b"2": (6, 14), b"3": (4, 21)}.get(kind, (0, 0))
        for r in range(following):
            for k in range(per_record):
                if r * per_record + k < count:
                    column = width * k
                    add(field(records[i + r], column, 7), field(records[i + r], column + 7, 7))
        i += following
    sheet.records = records
    return sheet


# ---- The exact places --------------------------------------------------------------------------

def exact_correction(exact, points, grid):
    """The points (X, Y in metres) moved by the grid's shift through the exact projection."""
    _, dlat, dlon = grid
    lat0, lon0 = ZONE_ORIGIN
    lines = "".join(f"{lat0!r} {lon0!r} {y!r} {x!r} {dlat} {dlon}\n" for x, y in points)
    r = subprocess.run([exact], input=lines.encode("ascii"), capture_output=True, check=True)
    out = [tuple(float(v) for v in line.split()) for line in r.stdout.decode().splitlines()]
    assert len(out) == len(points)
    return [(x, y) for y, x in out]


def make_inputs(folder):
    os.makedirs(folder, exist_ok=True)
    for name, dm in on_axis_sheets():
        dm.write(os.path.join(folder, name))


def expected_places(folder, exact):
    """Per file: its corners and points as read, once and twice corrected exactly."""
    places = {}
    for name, _ in on_axis_sheets():
        sheet = read_sheet(os.path.join(folder, name))
        read = sheet.corners + sheet.points
        once = exact_correction(exact, read, FIRST_GRID)
        places[name] = {"unit": sheet.unit, "input": read, "once": once,
                        "twice": exact_correction(exact, once, SECOND_GRID)}
    return places


def rounded(places):
    return {name: {key: (value if key == "unit" else [[round(x, 6), round(y, 6)] for x, y in value])
                   for key, value in entry.items()} for name, entry in places.items()}


def write_reference(exact, scratch):
    make_inputs(os.path.join(scratch, "in"))
    files = rounded(expected_places(os.path.join(scratch, "in"), exact))
    # One line per list of places, so that a regenerated table reads as a small diff.
    lines = ["{", f' "regenerate": {json.dumps(REGENERATE)},',
             f' "first_grid": {json.dumps(FIRST_GRID)},',
             f' "second_grid": {json.dumps(SECOND_GRID)},', ' "files": {']
    for n, (name, entry) in enumerate(files.items()):
        lines.append(f"  {json.dumps(name)}: {{")
        lines.append(f'   "unit": {entry["unit"]},')
        for k, key in enumerate(("input", "once", "twice")):
            lines.append(f"   {json.dumps(key)}: {json.dumps(entry[key])}"
                         + ("," if k < 2 else ""))
        lines.append("  }" + ("," if n + 1 < len(files) else ""))
    lines += [" }", "}"]
    with open(REFERENCE, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
    print(f"wrote {REFERENCE}")


def reference_places(check, folder, exact):
    """The exact places: from EXACT (checked against the table), else from the table."""
    with open(REFERENCE, encoding="ascii") as f:
        table = json.load(f)
    check.equal((tuple(table["first_grid"]), tuple(table["second_grid"])),
                (FIRST_GRID, SECOND_GRID), f"grids of the reference table (regenerate: {REGENERATE})")
    stored = table["files"]
    if exact is None:
        places = stored
    else:
        places = rounded(expected_places(folder, exact))
        for name, entry in places.items():
            for key in ("input", "once", "twice"):
                worst = max(max(abs(a - c), abs(b - d)) for (a, b), (c, d) in
                            zip(entry[key], stored.get(name, {}).get(key, [[1e9, 1e9]])))
                check(len(entry[key]) == len(stored.get(name, {}).get(key, [])) and worst < 1e-5,
                      f"{name}: the reference table's {key} places are out of date "
                      f"(regenerate: {REGENERATE})")
    return places


def deviation(actual, expected):
    """Largest difference of X or Y in metres."""
    return max(max(abs(a - c), abs(b - d)) for (a, b), (c, d) in zip(actual, expected))


# ---- Cases -------------------------------------------------------------------------------------

def correct(program, check, folder, output, grid, what, zone=None):
    """Runs the batch on `folder` with `grid`; checks exit 0 and a log of one line per file."""
    parameters = os.path.join(os.path.dirname(output), f"grid{grid[0]}.par")
    write_grid(parameters, grid)
    args = ["--in", program.arg_path(folder), "--out", program.arg_path(output),
            "--par", program.arg_path(parameters), "--year", str(YEAR), "--month", str(MONTH),
            "--number", dm_sample.ADVICE_NUMBER, "--org", dm_sample.ORGANISATION, "--quiet"]
    r = program.run(args + (["--zone", str(zone)] if zone else []))
    check.equal(r.returncode, 0, f"{what}: exit status")
    inp, out = program.log_path(folder), program.log_path(output)
    names = utf16_order(n for n in os.listdir(folder) if n.endswith(".dm"))
    check.equal(log_lines(check, program, r.stdout),
                [NO_INDEX] + [f"{inp}{n} から {out}{n}" for n in names], f"{what}: log lines")
    return r


def case_repeat_correction_on_axes(program, scratch, check, exact=None):
    """Sheets on the axes, corrected twice: within one unit per correction of the exact places,
    the sign of every corner between -1 m and 0 kept."""
    inputs, once, twice = (os.path.join(scratch, n) for n in ("in", "once", "twice"))
    make_inputs(inputs)
    places = reference_places(check, inputs, exact)
    correct(program, check, inputs, once, FIRST_GRID, "first correction")
    correct(program, check, once, twice, SECOND_GRID, "second correction")
    worst = {"once": 0.0, "twice": 0.0}
    for name, entry in places.items():
        unit = entry["unit"]
        read = read_sheet(os.path.join(inputs, name))
        check(deviation(read.corners + read.points, entry["input"]) < 1e-6,
              f"{name}: the input does not read as the table's")
        for stage, folder, corrections in (("once", once, 1), ("twice", twice, 2)):
            path = os.path.join(folder, name)
            if not os.path.exists(path):
                check(False, f"{name}: no output after {stage}")
                continue
            sheet = read_sheet(path)
            actual = sheet.corners + sheet.points
            check.equal(len(actual), len(entry[stage]), f"{name} {stage}: number of points")
            d = deviation(actual, entry[stage]) * 1000 / unit
            worst[stage] = max(worst[stage], d)
            check(d <= corrections, f"{name} corrected {stage}: {d:.2f} units from the exact "
                                    f"places (at most {corrections})")
            check.equal(sheet.count, corrections, f"{name} {stage}: modification count")
    print(f"  largest deviation from the exact places: {worst['once']:.2f} units once, "
          f"{worst['twice']:.2f} units twice")


def dm_records(dm):
    return [r.bytes() for r in dm.records()]


def plain_sheet(sheet_field="09JE90", count=0, histories=None):
    dm = dm_sample.DmFile(sheet_field, dm_sample.sheet_box("09JE90"), unit=1,
                          histories=histories or [dm_sample.History(20, 4, entries=[1])])
    dm_sample.fill_body(dm, 3)
    return dm


def case_no_usable_zone(program, scratch, check):
    """A file without a header record and no zone of the run, a file whose sheet number gives no
    zone under an index zone of 45: refused, no output. With a fallback zone, the file without a
    header is corrected as a file whose header gives no zone (its first record copied)."""
    named = dm_records(plain_sheet())
    unnamed = dm_records(plain_sheet("LD35"))
    headless = [b"X" + named[0][1:]] + named[1:]
    grid = os.path.join(scratch, "grid.par")
    write_grid(grid, FIRST_GRID)

    def run(files, index=None, zone=None):
        folder, output = os.path.join(scratch, "in"), os.path.join(scratch, "out")
        for f in (folder, output):
            if os.path.isdir(f):
                for n in os.listdir(f):
                    os.remove(os.path.join(f, n))
        os.makedirs(folder, exist_ok=True)
        for name, records in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"".join(records))
        if index is not None:
            with open(os.path.join(folder, "zone.dmi"), "wb") as f:
                f.write(index + b"\r\n")
        args = ["--in", program.arg_path(folder), "--out", program.arg_path(output),
                "--par", program.arg_path(grid), "--year", str(YEAR), "--month", str(MONTH),
                "--quiet"] + (["--zone", str(zone)] if zone else [])
        r = program.run(args)
        outputs = {}
        if os.path.isdir(output):
            for n in os.listdir(output):
                with open(os.path.join(output, n), "rb") as f:
                    outputs[n] = f.read()
        return r, log_lines(check, program, r.stdout), program.log_path(folder), \
            program.log_path(output), outputs

    r, lines, inp, out, outputs = run({"a_headless.dm": headless, "b_named.dm": named})
    check.equal(r.returncode, 4, "no zone of the run: exit status")
    check.equal(lines, [NO_INDEX, f"{inp}a_headless.dm から {out}a_headless.dm", ZONE_UNKNOWN,
                        f"{inp}b_named.dm から {out}b_named.dm"], "no zone of the run: log")
    check.equal(sorted(outputs), ["b_named.dm"], "no zone of the run: outputs")

    r, lines, inp, out, outputs = run({"a_headless.dm": headless, "b_named.dm": named,
                                       "c_unnamed.dm": unnamed}, index=b"I 45 INDEX")
    check.equal(r.returncode, 4, "index zone 45: exit status")
    check.equal(lines, [INDEX_ZONE.format(inp + "zone.dmi", 45),
                        f"{inp}a_headless.dm から {out}a_headless.dm", ZONE_UNKNOWN,
                        f"{inp}b_named.dm から {out}b_named.dm",
                        f"{inp}c_unnamed.dm から {out}c_unnamed.dm", ZONE_UNKNOWN],
                "index zone 45: log")
    check.equal(sorted(outputs), ["b_named.dm"], "index zone 45: outputs")

    r, lines, inp, out, outputs = run({"a_headless.dm": headless, "c_unnamed.dm": unnamed},
                                      zone=ZONE)
    check.equal(r.returncode, 0, "fallback zone 9: exit status")
    check.equal(lines, [NO_INDEX, f"{inp}a_headless.dm から {out}a_headless.dm",
                        f"{inp}c_unnamed.dm から {out}c_unnamed.dm"], "fallback zone 9: log")
    headless_out = outputs.get("a_headless.dm", b"")
    unnamed_out = outputs.get("c_unnamed.dm", b"")
    check(headless_out[:86] == headless[0], "fallback zone 9: the first record was changed")
    check(headless_out[86:] == unnamed_out[86:] and len(headless_out) > 86,
          "fallback zone 9: the file without a header is corrected otherwise than the file "
          "with a header that gives no zone")


def case_long_histories(program, scratch, check):
    """Modification counts 10, 42 and 98: corrected, every block copied byte for byte, the new
    block after them, the count written back plus 1. Counts 99 and -1: refused, no output."""
    folder, output = os.path.join(scratch, "in"), os.path.join(scratch, "out")
    os.makedirs(folder)
    files = {}
    for count in (10, 42, 98):
        histories = [dm_sample.History(block % 100, 1 + block % 12, datum=3 if block == count
                                       else None, entries=[1 + block % 5] if block == count
                                       else [7], organisation="旧測量株式会社",
                                       continuations=["継続"] * (block % 3))
                     for block in range(count + 1)]
        files[f"count{count:02d}.dm"] = dm_records(plain_sheet(histories=histories))
    good = files["count10.dm"]
    files["count99.dm"] = [good[0][:65] + b"99" + good[0][67:]] + good[1:]
    files["count-1.dm"] = [good[0][:65] + b"-1" + good[0][67:]] + good[1:]
    for name, records in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"".join(records))
    grid = os.path.join(scratch, "grid.par")
    write_grid(grid, FIRST_GRID)
    r = program.run(["--in", program.arg_path(folder), "--out", program.arg_path(output),
                     "--par", program.arg_path(grid), "--year", str(YEAR), "--month",
                     str(MONTH), "--quiet"])
    check.equal(r.returncode, 4, "exit status")
    inp, out = program.log_path(folder), program.log_path(output)
    expected = [NO_INDEX]
    for name in utf16_order(files):
        expected.append(f"{inp}{name} から {out}{name}")
        if name in ("count99.dm", "count-1.dm"):
            expected.append(BAD_MODIFICATION_COUNT)
    check.equal(log_lines(check, program, r.stdout), expected, "log lines")
    check.equal(sorted(os.listdir(output)), ["count10.dm", "count42.dm", "count98.dm"], "outputs")
    for count in (10, 42, 98):
        name = f"count{count:02d}.dm"
        path = os.path.join(output, name)
        if not os.path.exists(path):
            continue
        before, after = read_sheet(os.path.join(folder, name)), read_sheet(path)
        check.equal(after.count, count + 1, f"{name}: modification count")
        check(after.blocks[:-1] == before.blocks, f"{name}: the history blocks were changed")
        check.equal(after.blocks[-1][0][0:4], b"%02d%02d" % (YEAR, MONTH), f"{name}: new block")
        check.equal(after.blocks[-1][0][73:78], b"2%02d%02d" % (1 + count % 5, FIRST_GRID[0]),
                    f"{name}: correction entries")
        check.equal(len(after.records), len(before.records) + 2, f"{name}: number of records")
        check.equal(len(after.points), len(before.points), f"{name}: number of points")


def case_native_and_windows_agree(program, native, scratch, check):
    """The repeat correction through both programs: the outputs of both corrections are byte
    for byte the same, and so are the logs once the paths are masked."""
    results = {}
    for who, p in (("native", native), ("windows", program)):
        root = os.path.join(scratch, who)
        inputs, once, twice = (os.path.join(root, n) for n in ("in", "once", "twice"))
        make_inputs(inputs)
        logs = []
        for folder, output, grid, what in ((inputs, once, FIRST_GRID, "first"),
                                           (once, twice, SECOND_GRID, "second")):
            r = correct(p, check, folder, output, grid, f"{who} {what} correction")
            logs.append([line.replace(p.log_path(folder), "<IN>/").replace(p.log_path(output),
                                                                           "<OUT>/")
                         for line in log_lines(check, p, r.stdout)])
        results[who] = (once, twice, logs)
    for index, stage in enumerate(("once", "twice")):
        a_folder, b_folder = results["native"][index], results["windows"][index]
        names = sorted(os.listdir(a_folder))
        check.equal(sorted(os.listdir(b_folder)), names, f"{stage}: output file names")
        for name in names:
            with open(os.path.join(a_folder, name), "rb") as a, \
                    open(os.path.join(b_folder, name), "rb") as b:
                check(a.read() == b.read(), f"{stage}: {name} differs between native and Windows")
    check.equal(results["windows"][2], results["native"][2], "masked logs")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program")
    parser.add_argument("--emulator")
    parser.add_argument("--exact", help="exact_correction (GeographicLib), natively")
    parser.add_argument("--compare-with", help="native ostrand-batch to compare the Windows one with")
    parser.add_argument("--write-reference", action="store_true")
    parser.add_argument("--case", help="run only this case")
    options = parser.parse_args()

    if options.write_reference:
        if not options.exact:
            parser.error("--write-reference needs --exact")
        import tempfile
        with tempfile.TemporaryDirectory() as scratch:
            write_reference(options.exact, scratch)
        return 0
    if not options.program:
        parser.error("--program is required")

    program = Program(options.program, options.emulator)

    def case_repeat_correction_on_axes_(p, s, c):
        case_repeat_correction_on_axes(p, s, c, exact=options.exact)
    case_repeat_correction_on_axes_.__name__ = "case_repeat_correction_on_axes"
    cases = [case_repeat_correction_on_axes_, case_no_usable_zone, case_long_histories]
    if options.compare_with:
        cases = native_comparison_cases(options.compare_with, case_native_and_windows_agree)
        if cases is None:
            return SKIPPED
    return run_cases(program, cases, options.case, "ostrand-repeat-test-")


if __name__ == "__main__":
    sys.exit(main())
