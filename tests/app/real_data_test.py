#!/usr/bin/python3
"""Real data nobody here wrote, through the real program and drivers: every table of the
coordinate-reference database PROJ ships (/usr/share/proj/proj.db, opened read-only) and three of
PostgreSQL's own catalogs, exported to tab-delimited text, the boxed table and DBF, and every cell
compared with what Python's sqlite3 and `psql -A` read from the same source. A cell may differ
only where the run reported it (the error file names its column and row, or its column) or where
a documented limit applies (a DBF keeps dates of timestamps only).

Usage: real_data_test.py <tabulink binary> <test ODBC folder> [rows per table]"""

import decimal
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

import dbfread

PROJ_DB = "/usr/share/proj/proj.db"
# The catalogs, ordered so that both readers see the same rows in the same order, and only their
# system rows, which the tests running meanwhile do not change.
CATALOGS = [
    "SELECT * FROM pg_proc WHERE oid < 16384 ORDER BY oid",
    "SELECT * FROM pg_attribute WHERE attrelid < 16384 ORDER BY attrelid, attnum",
    "SELECT * FROM information_schema.columns WHERE table_schema IN ('pg_catalog', "
    "'information_schema') ORDER BY table_schema, table_name, ordinal_position",
]
NULL = object()
skipped = [0]  # cells left out because the run reported them


class Source:
    """A data source as the program and as the reference reader see it."""

    def __init__(self, dsn, user, rows):
        self.dsn, self.user, self.rows = dsn, user, rows


def number_text(value, decimals):
    """The number rounded half away from zero at `decimals` from its shortest decimal form."""
    exact = decimal.Decimal(value if isinstance(value, str) else repr(value))
    quantum = decimal.Decimal(1).scaleb(-decimals)
    text = str(exact.quantize(quantum, rounding=decimal.ROUND_HALF_UP))
    return text[1:] if text.startswith("-") and set(text[1:]) <= set("0.") else text


def as_bytes(text):
    """Text as the outputs hold it, one character per byte (UTF-8 bytes read as Latin-1)."""
    return text.encode("utf-8").decode("latin-1")


def candidates(value, field, column):
    """The texts a text output may show for a reference value in a column of the DBF field's
    type, one character per byte: several where the driver's own text form may round first
    (SQLite writes a double with 15 significant digits), or where a driver delivers a character
    column as wide characters (not filled to the width)."""
    kind, length, decimals = field
    if value is NULL:
        return [""]
    if kind == "N":
        try:
            texts = {number_text(value, decimals)}
            if isinstance(value, float):
                texts.add(number_text(format(value, ".15g"), decimals))
            return sorted(texts)
        except decimal.InvalidOperation:
            return [as_bytes(str(value))]  # a text in a number column, written as delivered
    if kind == "L":
        return [".T." if value else ".F."]
    if column.boolean:
        value = {"t": "1", "f": "0"}.get(value, value)
    text = as_bytes(value if isinstance(value, str) else str(value))
    if kind == "M":
        return [text]
    return [text + " " * max(0, length - len(text))] + ([text] if column.wide else [])


def run_export(binary, odbc, work, source, sql, kind, out):
    for name in ("err.txt", out, "out.dbt"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    password = "tabulink" if source.user else ""
    with open(os.path.join(work, "job.ini"), "w") as ini:
        ini.write(f"[ODBC]\nDSN={source.dsn}\nUser={source.user}\nPassword={password}\n"
                  f"SQL={sql}\n[Output]\nType={kind}\nFileOut={out}\nFileErr=err.txt\n")
    # The drivers' own leaks at unloading are no finding of ours (as in the other program runs).
    env = dict(os.environ, ODBCSYSINI=odbc + "/system", ODBCINI=work + "/odbc.ini",
               TEMP=work + "/tmp", DISPLAY="", WAYLAND_DISPLAY="", QT_QPA_PLATFORM="",
               ASAN_OPTIONS="detect_leaks=0")
    status = subprocess.run([binary, "job.ini"], cwd=work, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            timeout=300).returncode
    reported_cells, reported_columns = set(), set()
    errors = os.path.join(work, "err.txt")
    if os.path.exists(errors):
        with open(errors, encoding="utf-8", errors="replace") as f:
            for line in f:
                # Only a memo over the cap is cut in an output without cells.
                cut = re.search(r"cut to (\d+) - Data Width Error", line)
                assert kind != "Text" or not cut or int(cut.group(1)) >= 131072, line
                found = re.search(r"Field '(.*?)' row (\d+)", line)
                if found:
                    reported_cells.add((found.group(1), int(found.group(2))))
                elif (found := re.search(r"Field '(.*?)' value", line)):
                    reported_columns.add(found.group(1))
                else:
                    raise AssertionError(f"{kind} {sql}: exit {status}, reported: {line}")
    if status not in (0, 2) or (status == 2 and not (reported_cells or reported_columns)):
        raise AssertionError(f"{kind} {sql}: exit status {status}")
    return lambda column, row: (column, row) in reported_cells or column in reported_columns


def compare_lines(label, names, rows, fields, lines, cell_of, reported, columns):
    """Compares the data lines of a text output with the reference rows; `cell_of` splits one
    line into its cells and makes the expected cell text (None when a line cannot be split)."""
    checked = 0
    if len(lines) != len(rows):
        raise AssertionError(f"{label}: {len(lines)} lines for {len(rows)} rows")
    for number, (line, row) in enumerate(zip(lines, rows), start=1):
        cells = cell_of(line)
        if cells is None or len(cells) != len(names):
            # A value holding a TAB or a line end breaks the layout, as documented.
            assert any(isinstance(v, str) and re.search("[\t\r\n]", v) for v in row), \
                f"{label} row {number}: {line[:200]!r}"
            continue
        for i, (name, value, cell) in enumerate(zip(names, row, cells)):
            if reported(name, number):
                skipped[0] += 1
                continue
            expected = candidates(value, fields[i], columns[i])
            if cell not in [cell_of.fit(text, i) for text in expected]:
                raise AssertionError(f"{label} row {number} column {name}: {cell[:200]!r} "
                                     f"not in {[t[:200] for t in expected]!r}")
            checked += 1
    return checked


class TabCells:
    def __call__(self, line):
        return line.split("\t")

    @staticmethod
    def fit(text, i):
        return text


class BoxedCells:
    def __init__(self, border, fields):
        self.widths = [len(part) for part in border.strip("+").split("+")]
        self.fields = fields

    def __call__(self, line):
        cells, at = [], 1
        for width in self.widths:
            cells.append(line[at:at + width])
            at += width + 1
        return cells if len(line) == sum(self.widths) + len(self.widths) + 1 else None

    def fit(self, text, i):
        width = self.widths[i]
        text = text[:width]
        pad = " " * (width - len(text))
        # A number is right-aligned; a text a number column holds stands as a text does.
        number = self.fields[i][0] == "N" and re.fullmatch(r"[-+0-9.]*", text)
        return pad + text if number else text + pad


class Column:
    def __init__(self, boolean=False, wide=False):
        self.boolean, self.wide = boolean, wide


def check_table(binary, odbc, work, source, sql, names, rows, booleans=frozenset()):
    columns = [Column(i in booleans, source.dsn.endswith("Unicode")) for i in range(len(names))]
    # The DBF first: its fields say what type, length and decimals the program gave each column.
    reported = run_export(binary, odbc, work, source, sql, "DBF", "out.dbf")
    table = dbfread.DBF(os.path.join(work, "out.dbf"), encoding="latin-1")
    fields = [(f.type, f.length, f.decimal_count) for f in table.fields]
    assert len(fields) == len(names), f"{sql}: fields {fields}"
    checked = 0
    for number, (record, row) in enumerate(zip(table, rows), start=1):
        for i, (name, value, stored) in enumerate(zip(names, row, record.values())):
            if reported(name, number):
                skipped[0] += 1
                continue
            kind = fields[i][0]
            if kind == "M" and isinstance(stored, str):
                # dbfread reads 8 bytes of a dBASE IV memo's 0x1A filler with its text.
                stored = stored.rstrip("\x1a")
            if value is NULL or (kind != "N" and value == "" and stored in (None, "")):
                ok = stored in (None, "") or (kind == "L" and stored is None)
            elif kind == "N":
                ok = stored is not None and decimal.Decimal(repr(stored)) in [
                    decimal.Decimal(t) for t in candidates(value, fields[i], columns[i])]
            elif kind == "L":
                ok = stored == bool(value)
            else:
                texts = candidates(value, fields[i], columns[i])
                # dbfread drops the blanks that fill a character field, not those of a memo.
                ok = stored in (texts if kind == "M" else [t.rstrip(" ") for t in texts])
            if not ok:
                raise AssertionError(f"DBF {sql} row {number} column {name}: {stored!r} for "
                                     f"{value!r}")
            checked += 1
    assert len(table) == len(rows), f"DBF {sql}: {len(table)} records for {len(rows)} rows"

    for kind, out in (("Text", "out.txt"), ("AsciiTable", "box.txt")):
        reported = run_export(binary, odbc, work, source, sql, kind, out)
        with open(os.path.join(work, out), encoding="latin-1", newline="") as f:
            lines = f.read().split("\r\n")
        assert lines.pop() == "", f"{kind} {sql}: no line end at the end"
        if kind == "Text":
            assert lines[0].split("\t") == [as_bytes(n) for n in names], f"{sql}: names"
            cells = TabCells()
            data = lines[1:]
        else:
            assert lines[0] == lines[2] == lines[-1], f"{sql}: borders"
            cells = BoxedCells(lines[0], fields)
            data = lines[3:-1]
        checked += compare_lines(f"{kind} {sql}", names, rows, fields, data, cells, reported,
                                 columns)
    return checked


def proj_rows(limit):
    db = sqlite3.connect(f"file:{PROJ_DB}?mode=ro", uri=True)
    tables = [r[0] for r in db.execute(
        "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")]
    for name in tables:
        # A table without rowid is read in its key's order by both readers.
        try:
            db.execute(f'SELECT rowid FROM "{name}" LIMIT 0')
            order = " ORDER BY rowid"
        except sqlite3.OperationalError:
            order = ""
        sql = f'SELECT * FROM "{name}"{order} LIMIT {limit}'
        cursor = db.execute(sql)
        names = [d[0] for d in cursor.description]
        rows = [[NULL if v is None else v for v in row] for row in cursor]
        yield sql, names, rows


def psql_rows(port, sql, limit):
    """The rows as `psql -A` prints them: unit and record separators, NULL as a marker."""
    sql = f"SELECT * FROM ({sql} LIMIT {limit}) q"
    out = subprocess.run(
        ["psql", "-X", "-A", "-q", "-h", "127.0.0.1", "-p", port, "-U", "tabulink",
         "-d", "tabulink", "-F", "\x1f", "-R", "\x1e", "-P", "null=\x02", "-P", "footer=off",
         "-c", sql],
        env=dict(os.environ, PGPASSWORD="tabulink"), check=True, capture_output=True).stdout
    records = out.decode("utf-8").removesuffix("\n").split("\x1e")
    names = records[0].split("\x1f")
    rows = [[NULL if v == "\x02" else v for v in r.split("\x1f")] for r in records[1:] if r]
    types = subprocess.run(
        ["psql", "-X", "-A", "-q", "-t", "-h", "127.0.0.1", "-p", port, "-U", "tabulink",
         "-d", "tabulink"], input=f"{sql} \\gdesc\n".encode(),
        env=dict(os.environ, PGPASSWORD="tabulink"), check=True,
        capture_output=True).stdout.decode()
    booleans = {i for i, line in enumerate(types.splitlines()) if line.endswith("|boolean")}
    return sql, names, rows, booleans


def main():
    binary, odbc = sys.argv[1], sys.argv[2]
    # Every row of today's tables (the largest, proj.db's usage, has 22,650).
    limit = int(sys.argv[3]) if len(sys.argv) > 3 else 25000
    work = tempfile.mkdtemp(prefix="tabulink-real-data-")
    try:
        os.mkdir(work + "/tmp")
        shutil.copy(odbc + "/odbc.ini", work + "/odbc.ini")
        with open(work + "/odbc.ini", "a") as ini:
            ini.write(f"\n[ProjDb]\nDriver=SQLite3\nDatabase=file:{PROJ_DB}?mode=ro\n"
                      "StepAPI=1\n")
        with open(odbc + "/postgres.port") as f:
            port = f.read().strip()
        proj = Source("ProjDb", "", limit)
        checked = 0
        for sql, names, rows in proj_rows(limit):
            checked += check_table(binary, odbc, work, proj, sql, names, rows)
        for dsn in ("TestPgAnsi", "TestPgUnicode"):
            for catalog in CATALOGS:
                sql, names, rows, booleans = psql_rows(port, catalog, limit)
                checked += check_table(binary, odbc, work, Source(dsn, "tabulink", limit), sql,
                                       names, rows, booleans)
        assert not os.listdir(work + "/tmp"), "cache files left behind"
        print(f"{checked} cells agree, {skipped[0]} reported")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
