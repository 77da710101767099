#!/usr/bin/env python3
"""Sample data for the DM file correction, made up from nothing.

    examples/dm_sample.py OUTDIR

writes
    OUTDIR/sample.par        a synthetic correction parameter file (identifier 42): a grid of
                             1419 points (lat 35.45 to 35.80 deg, lon 139.45 to 139.85 deg) with
                             a smooth made-up shift of a few tenths of an arc-second
    OUTDIR/in/               the sample input folder: DM files of sheets of zone 9 (09LD35,
                             09LD36, 09LD4512, 09LD46) that lie inside the grid, four files that a
                             run must refuse, and an index file without a zone
    OUTDIR/expected.json     what a run with the default settings must do with each file

The module is also imported by the end-to-end test and by the throughput benchmark
(write_parameter_file, write_bench_dm_file).

Only the standard library is used. The plane coordinates come from the Gauss-Krueger transverse
Mercator projection of zone 9 on GRS80 (meridian arc series to e^8, a few micrometres here),
so the sheets really fall inside the grid.
"""

import json
import math
import os
import sys

# ---- Plane rectangular projection (GRS80, scale factor 0.9999 on the central meridian) ----------

GRS80_A = 6378137.0
GRS80_INVERSE_FLATTENING = 298.257222101
E2 = ((2 * GRS80_INVERSE_FLATTENING - 1) / GRS80_INVERSE_FLATTENING) / GRS80_INVERSE_FLATTENING
EP2 = E2 / (1 - E2)  # second eccentricity squared
C_POLAR = GRS80_A / math.sqrt(1 - E2)
SCALE = 0.9999

# Zone origins (latitude, longitude in degrees) of the zones the sample uses.
ZONE_ORIGINS = {9: (36.0, 139.0 + 50.0 / 60.0)}


def meridian_arc(phi):
    """Length of the meridian from the equator to latitude phi (radians), metres."""
    e4, e6, e8 = E2 * E2, E2 * E2 * E2, E2 * E2 * E2 * E2
    a = 1 + 3 / 4 * E2 + 45 / 64 * e4 + 175 / 256 * e6 + 11025 / 16384 * e8
    b = 3 / 4 * E2 + 15 / 16 * e4 + 525 / 512 * e6 + 2205 / 2048 * e8
    c = 15 / 64 * e4 + 105 / 256 * e6 + 2205 / 4096 * e8
    d = 35 / 512 * e6 + 315 / 2048 * e8
    e = 315 / 16384 * e8
    return GRS80_A * (1 - E2) * (a * phi - b / 2 * math.sin(2 * phi) + c / 4 * math.sin(4 * phi)
                                 - d / 6 * math.sin(6 * phi) + e / 8 * math.sin(8 * phi))


def geodetic_to_plane(lon, lat, zone=9):
    """(easting y, northing x) in metres of a point given in degrees."""
    lat0, lon0 = ZONE_ORIGINS[zone]
    phi = math.radians(lat)
    dl = math.radians(lon - lon0)
    t = math.tan(phi)
    cos2 = math.cos(phi) ** 2
    eta2 = EP2 * cos2
    n = C_POLAR / math.sqrt(1 + eta2)
    x = SCALE * (n * cos2 * t * dl * dl * (
        (1385 - 3111 * t**2 + 543 * t**4 - t**6) * cos2**3 * dl**6 / 40320
        + (61 - 58 * t**2 + t**4 + 270 * eta2 - 330 * t**2 * eta2) * cos2**2 * dl**4 / 720
        + (5 - t**2 + 9 * eta2 + 4 * eta2**2) * cos2 * dl**2 / 24 + 0.5)
        + meridian_arc(phi) - meridian_arc(math.radians(lat0)))
    y = SCALE * n * math.cos(phi) * dl * (
        (61 - 479 * t**2 + 179 * t**4 - t**6) * cos2**3 * dl**6 / 5040
        + (5 - 18 * t**2 + t**4 + 14 * eta2 - 58 * t**2 * eta2) * cos2**2 * dl**4 / 120
        + (1 - t**2 + eta2) * cos2 * dl**2 / 6 + 1)
    return y, x


def plane_to_geodetic(y, x, zone=9):
    """(longitude, latitude) in degrees of a plane point, by Newton steps on geodetic_to_plane."""
    lat, lon = ZONE_ORIGINS[zone]
    for _ in range(20):
        py, px = geodetic_to_plane(lon, lat, zone)
        h = 1e-6
        dyl, dxl = [(a - b) / h for a, b in zip(geodetic_to_plane(lon + h, lat, zone), (py, px))]
        dyp, dxp = [(a - b) / h for a, b in zip(geodetic_to_plane(lon, lat + h, zone), (py, px))]
        det = dyl * dxp - dyp * dxl
        ry, rx = y - py, x - px
        lon += (ry * dxp - rx * dyp) / det
        lat += (rx * dyl - ry * dxl) / det
        if abs(ry) < 1e-6 and abs(rx) < 1e-6:
            break
    return lon, lat


# ---- The correction grid ----------------------------------------------------------------------

PARAMETER_ID = 42
# Third-level mesh steps: 30 seconds of latitude (120 per degree), 45 seconds of longitude (80 per
# degree). The grid spans rows and columns of these steps.
GRID_ROWS = range(round(35.45 * 120), round(35.80 * 120) + 1)   # 4254 .. 4296
GRID_COLUMNS = range(round(139.45 * 80), round(139.85 * 80) + 1)  # 11156 .. 11188


def mesh_code(row, column):
    """8-digit third-level mesh code of the grid point at latitude row/120, longitude column/80."""
    first_lat, rest_lat = divmod(row, 80)
    first_lon, rest_lon = divmod(column, 80)
    second_lat, third_lat = divmod(rest_lat, 10)
    second_lon, third_lon = divmod(rest_lon, 10)
    return (first_lat * 1000000 + (first_lon - 100) * 10000 + second_lat * 1000 + second_lon * 100
            + third_lat * 10 + third_lon)


def grid_shift(lat, lon):
    """Made-up smooth shift (latitude, longitude) in arc-seconds: a few tenths."""
    dlat = 0.30 + 0.12 * math.sin(lat * 9.0) + 0.05 * math.cos(lon * 7.0)
    dlon = -0.25 + 0.10 * math.cos(lat * 11.0) - 0.04 * math.sin(lon * 5.0)
    return dlat, dlon


def write_parameter_file(path, identifier=PARAMETER_ID, shift=grid_shift):
    """The grid file; `shift(lat, lon)` gives each grid point's shift (arc-seconds)."""
    lines = [
        f"Ostrand sample correction grid  Tarnwick for {identifier}",
        "Synthetic shifts for the sample data; not a real survey result.",
        f"Area: latitude 35.45 to 35.80 deg, longitude 139.45 to 139.85 deg",
        "Shifts in arc-seconds: latitude, longitude.",
    ]
    lines += [f"(header line {i})" for i in range(5, 16)]
    lines.append("MeshCode  dB(sec)   dL(sec)   dH(m)")
    for row in GRID_ROWS:
        for column in GRID_COLUMNS:
            dlat, dlon = shift(row / 120, column / 80)
            lines.append(f"{mesh_code(row, column):8d}{dlat:10.5f}{dlon:10.5f}{0.0:10.3f}")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    return len(GRID_ROWS) * len(GRID_COLUMNS)


def inside_grid(lon, lat):
    """True when the four grid points around the point all exist (with a safety margin)."""
    return (GRID_ROWS.start + 1 <= lat * 120 < GRID_ROWS.stop - 2
            and GRID_COLUMNS.start + 1 <= lon * 80 < GRID_COLUMNS.stop - 2)


# ---- DM records ----------------------------------------------------------------------------------

RECORD_WIDTH = 84
LINE_END = b"\r\n"


def sjis_to_jis(lead, trail):
    """The JIS X 0208 code of a Shift_JIS character (the usual arithmetic conversion)."""
    lead = lead - 0xC1 if lead >= 0xA0 else lead - 0x81
    if trail >= 0x9F:
        return ((lead * 512 + 0x2200) & 0xFF00) | (trail - 0x7E)
    return ((lead * 512 + 0x2100) & 0xFF00) | (trail - 0x20 if trail > 0x7E else trail - 0x1F)


def kanji_bytes(text, jis):
    """Full-width text in the file's kanji encoding: Shift_JIS, or two 7-bit JIS bytes each."""
    sjis = text.encode("cp932")
    if not jis:
        return sjis
    out = bytearray()
    for i in range(0, len(sjis), 2):
        code = sjis_to_jis(sjis[i], sjis[i + 1])
        out += bytes([code >> 8, code & 0xFF])
    return bytes(out)


class Record:
    """One 84-column record, blank-filled, with fields put at 0-based columns."""

    def __init__(self, first=b""):
        self.data = bytearray(b" " * RECORD_WIDTH)
        self.put(0, first)

    def put(self, column, data):
        if isinstance(data, str):
            data = data.encode("ascii")
        assert column + len(data) <= RECORD_WIDTH, (column, data)
        self.data[column:column + len(data)] = data
        return self

    def put_int(self, column, width, value):
        return self.put(column, f"{value:{width}d}")

    def bytes(self):
        return bytes(self.data) + LINE_END


def sheet_box(sheet):
    """(south X, west Y, north X, east Y) in metres of a regular sheet: zone, block row A-Z,
    block column A-H, sheet row and column digits, optionally a 10 x 10 sub-sheet."""
    s = sheet.strip().upper()
    north = 300000 - 30000 * (ord(s[2]) - ord("A")) - 3000 * int(s[4])
    west = -160000 + 40000 * (ord(s[3]) - ord("A")) + 4000 * int(s[5])
    height, width = 3000, 4000
    if len(s) == 8:
        north -= 300 * int(s[6])
        west += 400 * int(s[7])
        height, width = 300, 400
    return north - height, west, north, west + width


class History:
    """One history block: history record, organisation record, continuation records."""

    def __init__(self, year, month, datum=3, entries=(), advice="", organisation="",
                 continuations=(), fractions=(0,) * 8, count=None):
        self.year, self.month, self.datum = year, month, datum
        self.entries = list(entries)
        self.count = len(self.entries) if count is None else count
        self.advice, self.organisation = advice, organisation
        self.continuations = list(continuations)
        self.fractions = fractions

    def records(self, jis):
        h = Record(f"{self.year:02d}{self.month:02d}")
        h.put(8, "0").put_int(9, 1, len(self.continuations))
        h.put(40, kanji_bytes(self.advice, jis))
        h.put(70, " " if self.datum is None else str(self.datum)).put(71, "03")
        h.put_int(73, 1, self.count)
        for k, entry in enumerate(self.entries):
            h.put(74 + 2 * k, "  " if entry is None else f"{entry:02d}")
        o = Record(kanji_bytes(self.organisation, jis))
        for k, f in enumerate(self.fractions):
            o.put_int(40 + 4 * k, 4, f)
        return [h, o] + [Record(kanji_bytes(text, jis)) for text in self.continuations]


class DmFile:
    """A DM file of one sheet: header, frame, record 3, history blocks, body."""

    def __init__(self, sheet_field, box, unit=1, jis=False, title="サンプル図郭",
                 histories=(), corners_1_3=True):
        self.sheet_field, self.box, self.unit, self.jis = sheet_field, box, unit, jis
        self.title = title
        self.histories = list(histories)
        self.corners_1_3 = corners_1_3
        self.body = []

    # Corners (X, Y) in whole metres: 0 south-west, 1 north-west, 2 north-east, 3 south-east.
    def corners(self):
        south, west, north, east = self.box
        return [(south, west), (north, west), (north, east), (south, east)]

    def origin(self):
        """Corner 0 in metres as a run reads it (with the latest block's fractions)."""
        fractions = self.histories[-1].fractions
        out = []
        for value, f in zip(self.corners()[0], fractions[:2]):
            # An integer part of 0 takes its sign from the fraction (0 and -400 is -0.4 m).
            delta = abs(f) * self.unit_mm() / 1000
            negative = value < 0 or (value == 0 and f < 0)
            out.append(value - delta if negative else value + delta)
        return tuple(out)

    def unit_mm(self):
        return 1000 if self.unit == 999 else self.unit

    def add_element(self, kind, points, own=None, code="1101"):
        """An element of kind 2 (X, Y) or 3 (X, Y, Z) with points in coordinate units."""
        per_record = 6 if kind == 2 else 4
        width = 14 if kind == 2 else 21
        records = [points[i:i + per_record] for i in range(0, len(points), per_record)]
        e = Record("E").put(1, f"1{code}").put(20, str(kind))
        e.put_int(27, 4, len(points)).put_int(31, 4, len(records))
        if own is not None:
            e.put_int(35, 7, own[0]).put_int(42, 7, own[1])
        self.body.append(e)
        for chunk in records:
            r = Record()
            for k, p in enumerate(chunk):
                r.put_int(width * k, 7, p[0]).put_int(width * k + 7, 7, p[1])
                if kind == 3:
                    r.put_int(width * k + 14, 7, p[2])
            self.body.append(r)

    def add_text_element(self, texts, own):
        """An element of kind 1 (an annotation): its records are copied as they are."""
        e = Record("E").put(1, "17101").put(20, "1")
        e.put_int(27, 4, 1).put_int(31, 4, len(texts)).put_int(35, 7, own[0]).put_int(42, 7, own[1])
        self.body.append(e)
        self.body += [Record(kanji_bytes(t, self.jis)) for t in texts]

    def add_raw(self, record):
        self.body.append(record)

    def records(self):
        header = Record("M").put(2, self.sheet_field.ljust(8)[:8].encode("ascii"))
        header.put(10, kanji_bytes(self.title, self.jis))
        header.put(40, "2500").put(50, "0001")
        header.put_int(65, 2, len(self.histories) - 1)
        frame = Record()
        (x0, y0), (x1, y1), (x2, y2), (x3, y3) = self.corners()
        for col, value in zip((0, 7, 14, 21), (x0, y0, x2, y2)):
            frame.put_int(col, 7, value)
        frame.put_int(37, 7, 2500).put_int(44, 3, self.unit)
        if self.corners_1_3:
            for col, value in zip((47, 54, 61, 68), (x1, y1, x3, y3)):
                frame.put_int(col, 7, value)
        record3 = Record("  1  0  0").put(20, "SAMPLE-DATA-0001").put(60, "00000000")
        out = [header, frame, record3]
        for h in self.histories:
            out += h.records(self.jis)
        return out + self.body

    def write(self, path):
        with open(path, "wb") as f:
            for r in self.records():
                f.write(r.bytes())


def grid_points(nx, ny, size_x, size_y, margin=0.1):
    """nx * ny points spread over a sheet of size_x by size_y coordinate units."""
    pts = []
    for i in range(nx):
        for j in range(ny):
            fx = margin + (1 - 2 * margin) * (i + 0.37 * (j % 3)) / max(nx, 1)
            fy = margin + (1 - 2 * margin) * (j + 0.21 * (i % 4)) / max(ny, 1)
            pts.append((int(fx * size_x), int(fy * size_y)))
    return pts


# ---- The sample folder -----------------------------------------------------------------------------

ADVICE_NUMBER = "関公第１２３号"
ORGANISATION = "株式会社見本測量"

REFUSAL_DATUM = "世界測地系(測地成果2000)のデータでないため、補正できません"
REFUSAL_FIVE = "既に5回の補正履歴があります、これ以上補正できません"
REFUSAL_SAME = "同一パラメーターよる補正履歴があります、これ以上補正できません"
REFUSAL_ZONE = "「系」情報不明のため、補正できません"


def sheet_in_units(dm):
    south, west, north, east = dm.box
    return (north - south) * 1000 // dm.unit_mm(), (east - west) * 1000 // dm.unit_mm()


def fill_body(dm, seed):
    """A few features of each kind inside the sheet."""
    sx, sy = sheet_in_units(dm)
    road = [(x, y) for x, y in grid_points(3, 5, sx, sy)]
    dm.add_element(2, road[:8], code="2101")                       # 8 points in 2 records
    dm.add_element(2, road[8:], own=(sx // 2, sy // 3), code="2106")
    spots = [(x, y, 12345 + 111 * k + seed) for k, (x, y) in enumerate(grid_points(3, 3, sx, sy))]
    dm.add_element(3, spots, code="7301")                         # 9 points in 3 records
    dm.add_raw(Record("G").put(1, "1  sample group record"))
    dm.add_text_element(["見本注記"], own=(sx // 4, sy // 4))
    dm.add_element(2, grid_points(2, 2, sx, sy, margin=0.3), own=(0, 0), code="3101")


def make_sample(outdir):
    """Writes sample.par, in/ and expected.json under outdir; returns the expected outcomes."""
    indir = os.path.join(outdir, "in")
    os.makedirs(indir, exist_ok=True)
    write_parameter_file(os.path.join(outdir, "sample.par"))

    expected = {"parameter_id": PARAMETER_ID, "files": {}, "point_errors": {}}
    files = []

    def old_history(**kw):
        base = dict(year=15, month=3, advice=ADVICE_NUMBER, organisation="旧測量株式会社")
        base.update(kw)
        return History(**base)

    # Corrected: Shift_JIS, unit 1, corners with fractions below one metre, one continuation.
    a01 = DmFile("09LD35", sheet_box("09LD35"), unit=1, histories=[old_history(
        fractions=(-250, -125, -500, 375, -500, -125, -250, 375),
        continuations=["継続レコード見本"])])
    fill_body(a01, 1)
    files.append(("a01_ld35.dm", a01, None))

    # Corrected: JIS kanji, unit 10, corners 1 and 3 blank, two history blocks, lower-case sheet
    # number; two points lie far east of the grid and are listed as failures.
    a02 = DmFile("09ld36  ", sheet_box("09LD36"), unit=10, jis=True, corners_1_3=False,
                 histories=[old_history(continuations=["旧履歴の継続一", "旧履歴の継続二"]),
                            old_history(year=20, month=11, entries=[7])])
    fill_body(a02, 2)
    sx, sy = sheet_in_units(a02)
    far = [(sx // 2, sy + 6000000), (sx // 3, sy + 6500000), (sx // 2, sy // 2)]
    a02.add_element(2, far, code="9901")
    x0, y0 = a02.origin()
    expected["point_errors"]["a02_ld36.dm"] = [
        [p[0] * a02.unit_mm() / 1000 + x0, p[1] * a02.unit_mm() / 1000 + y0] for p in far[:2]]
    files.append(("a02_ld36.dm", a02, None))

    # Corrected: a 10 x 10 sub-sheet with four corrections made already (the new entry is the
    # fifth).
    a03 = DmFile("09LD4512", sheet_box("09LD4512"), unit=1,
                 histories=[old_history(), old_history(), old_history(),
                            old_history(year=22, month=1, entries=[1, 2, 3, 4])])
    fill_body(a03, 3)
    files.append(("a03_ld4512.dm", a03, None))

    # Corrected: a non-ASCII file name, coordinate unit 999 (one metre), one blank entry that the
    # new history drops.
    a04 = DmFile("09LD46", sheet_box("09LD46"), unit=999,
                 histories=[old_history(entries=[11, None], count=2)])
    fill_body(a04, 4)
    files.append(("図郭04.dm", a04, None))

    # Refused: data not in the JGD2000 frame (blank datum code).
    r1 = DmFile("09LD35", sheet_box("09LD35"), histories=[old_history(datum=None)])
    fill_body(r1, 5)
    files.append(("r1_datum.dm", r1, REFUSAL_DATUM))

    # Refused: five corrections made already.
    r2 = DmFile("09LD36", sheet_box("09LD36"),
                histories=[old_history(entries=[1, 2, 3, 4, 5])])
    fill_body(r2, 6)
    files.append(("r2_five.dm", r2, REFUSAL_FIVE))

    # Refused: corrected before with the same parameters.
    r3 = DmFile("09LD45", sheet_box("09LD45"),
                histories=[old_history(entries=[15, PARAMETER_ID])])
    fill_body(r3, 7)
    files.append(("r3_same.dm", r3, REFUSAL_SAME))

    # Refused: the sheet number gives no zone, and the run has none (the index file gives none
    # and the fallback zone is off).
    r4 = DmFile("LD35", sheet_box("09LD35"), histories=[old_history()])
    fill_body(r4, 8)
    files.append(("r4_nozone.dm", r4, REFUSAL_ZONE))

    for name, dm, refusal in files:
        check_inside_grid(name, dm)
        dm.write(os.path.join(indir, name))
        expected["files"][name] = refusal or "corrected"

    # The index file: its zone columns (2 and 3 of the first line) are blank, so the run has no
    # index zone and reports the index file as bad.
    with open(os.path.join(indir, "sample.dmi"), "wb") as f:
        lines = ["I   SAMPLE INDEX"] + [dm.sheet_field.strip() for _, dm, _ in files]
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    expected["index_file"] = "sample.dmi"
    expected["advice_number"] = ADVICE_NUMBER
    expected["organisation"] = ORGANISATION

    with open(os.path.join(outdir, "expected.json"), "w", encoding="utf-8") as f:
        json.dump(expected, f, ensure_ascii=False, indent=1)
    return expected


def check_inside_grid(name, dm):
    """Every sheet corner must lie inside the grid, or the sample is no sample."""
    for x, y in dm.corners():
        lon, lat = plane_to_geodetic(y, x)
        if not inside_grid(lon, lat):
            raise SystemExit(f"{name}: corner {x}, {y} ({lat:.4f}, {lon:.4f}) outside the grid")


# ---- The benchmark file ----------------------------------------------------------------------------

def write_bench_dm_file(path, points, sheet="09LD35", points_per_element=600):
    """One sheet of `points` points in kind-2 elements, all inside the grid (unit 1 mm)."""
    dm = DmFile(sheet, sheet_box(sheet), unit=1, histories=[History(20, 4, entries=[1])])
    check_inside_grid(path, dm)
    sx, sy = sheet_in_units(dm)
    with open(path, "wb") as f:
        for r in dm.records():
            f.write(r.bytes())
        state = 12345
        written = 0
        chunk = []
        while written < points:
            n = min(points_per_element, points - written)
            records = (n + 5) // 6
            e = Record("E").put(1, "12101").put(20, "2")
            e.put_int(27, 4, n).put_int(31, 4, records)
            chunk.append(e.bytes())
            # A wandering line: each point a few metres from the last, kept inside the sheet.
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            x, y = state % sx, (state >> 8) % sy
            for r in range(records):
                fields = []
                for _ in range(min(6, n - 6 * r)):
                    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
                    x = min(max(x + (state & 0xFFFF) % 8001 - 4000, 0), sx - 1)
                    y = min(max(y + (state >> 16) % 8001 - 4000, 0), sy - 1)
                    fields.append(f"{x:7d}{y:7d}")
                chunk.append("".join(fields).ljust(RECORD_WIDTH).encode("ascii") + LINE_END)
            written += n
            if len(chunk) > 20000:
                f.write(b"".join(chunk))
                chunk = []
        f.write(b"".join(chunk))


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: dm_sample.py OUTDIR", file=sys.stderr)
        return 2
    expected = make_sample(argv[1])
    print(f"{argv[1]}: sample.par and {len(expected['files'])} DM files in in/", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
