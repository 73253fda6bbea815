#!/usr/bin/env python3
"""The real program on a real X server: a job with DSN, SQL and Type=Screen opens its grid
window; the window is found by its title, closed as a window manager closes a window (a
WM_DELETE_WINDOW client message), and the run ends with exit status 0 and no cache file left.
Then a run whose start-up cannot mail the crash report of an earlier run (no box: standard error
says so) and whose DBF output cannot be created: its error dialog, closed the same way, ends the
program with exit status 1, not with a crash of the toolkit at exit. Then the interactive run
over a large table, driven by keys as a person would (log-in, table list, query prompt): with
"Asynchronous mode" the grid opens at once, its own title counts the rows as they arrive up to
the total, and its last row, copied while it fills and after, is the last row fetched so far and
then the table's last, pasted by another client as UTF-8; without it, Esc during
the fetch keeps the rows fetched so far and the grid's title says they are incomplete. Last, an
unattended export on an X server that ends when its last client goes (-terminate): the program's
display probe must not be that last client before the toolkit has connected.

Usage: xvfb_grid_test.py <tabulink binary> <test ODBC folder (its system/odbcinst.ini)>
Starts its own Xvfb on a free display number; needs no window manager."""

import os
import sqlite3
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK, display, error, protocol
from Xlib.ext import xtest

# Rows of the large table: a fetch of them lasts seconds, long enough to be watched and stopped.
BIG_ROWS = 500000


def start_xvfb(*options):
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
         *options],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
    return server, ":" + number.decode().strip()


def window_title(x, window):
    utf8 = x.intern_atom("UTF8_STRING")
    # In one request: read in two, a title that changes in between would be half old, half new.
    prop = window.get_full_property(x.intern_atom("_NET_WM_NAME"), utf8, sizehint=1024)
    if prop is not None:
        return prop.value.decode("utf-8")
    name = window.get_wm_name()
    return name if isinstance(name, str) else None


def find_window(x, prefix, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pending = [x.screen().root]
        while pending:
            window = pending.pop()
            try:
                title = window_title(x, window)
                if title and title.startswith(prefix):
                    attributes = window.get_attributes()
                    if attributes.map_state == X.IsViewable:
                        return window, title
                pending.extend(window.query_tree().children)
            except error.BadWindow:
                pass  # gone since the tree was read: a window of a program that has ended
        time.sleep(0.1)
    return None, None


def close_window(x, window):
    protocols = x.intern_atom("WM_PROTOCOLS")
    delete = x.intern_atom("WM_DELETE_WINDOW")
    message = protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=X.NoEventMask)
    x.flush()


def ended_with(run, status, window):
    """What is wrong with how `run` ended once `window` was closed: not within 30 s, or with
    another exit status than `status`."""
    try:
        _, err = run.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        run.kill()
        _, err = run.communicate()
        return ["the program did not end after %s closed" % window]
    if run.returncode != status:
        return ["after %s closed: exit status %d: %s"
                % (window, run.returncode, err.decode(errors="replace"))]
    return []


def error_dialog_ends_the_run(x, binary, work, env):
    failures = []
    tools = os.path.join(work, "bin")
    os.mkdir(tools)
    with open(os.path.join(tools, "xdg-email"), "w") as mail:
        mail.write("#!/bin/sh\nexit 1\n")
    os.chmod(os.path.join(tools, "xdg-email"), 0o755)
    with open(os.path.join(work, "Error.log"), "wb") as log:
        log.write(b"the report of an earlier run\r\n\x1a")
    with open(os.path.join(work, "dbf.ini"), "w") as job:
        job.write("[ODBC]\nDSN=GridTowns\nSQL=SELECT * FROM towns\n[Output]\nType=DBF\n"
                  "FileOut=%s\n" % os.path.join(work, "missing", "out.dbf"))
    env = dict(env, PATH=tools + os.pathsep + env.get("PATH", ""),
               XDG_STATE_HOME=os.path.join(work, "state"))
    run = subprocess.Popen([binary, "dbf.ini"], cwd=work, env=env,
                           stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
    window, _ = find_window(x, "Error", 30)
    if window is None:
        failures.append("no error dialog appeared")
    else:
        close_window(x, window)
    failures += ended_with(run, 1, "its error dialog")
    return failures


def press(x, window, *keys):
    """Gives `window` the input focus, as a window manager would on a click, and presses `keys`
    together through the server's test extension: the program sees a person's keys."""
    x.set_input_focus(window, X.RevertToParent, X.CurrentTime)
    x.sync()
    time.sleep(0.2)  # the toolkit takes the focus in before the keys
    codes = [x.keysym_to_keycode(XK.string_to_keysym(key)) for key in keys]
    for code in codes:
        xtest.fake_input(x, X.KeyPress, code)
    for code in reversed(codes):
        xtest.fake_input(x, X.KeyRelease, code)
    x.sync()


def titles_until(x, window, done, seconds):
    """The titles `window` shows, each once in the order seen, until one satisfies `done`."""
    seen = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            title = window_title(x, window)
        except error.BadWindow:
            break
        if title and (not seen or seen[-1] != title):
            seen.append(title)
            if done(title):
                break
        time.sleep(0.02)
    return seen


def pasted_after(x, copy):
    """What another client pastes from the clipboard (UTF-8 bytes, or None) once `copy` has put
    something there: the test owns the clipboard first, so the program's copy is seen to take it
    over however long the program takes to read its keys."""
    clipboard = x.intern_atom("CLIPBOARD")
    target = x.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    try:
        target.set_selection_owner(clipboard, X.CurrentTime)
        x.sync()
        copy()
        deadline = time.monotonic() + 60
        while x.get_selection_owner(clipboard) == target and time.monotonic() < deadline:
            time.sleep(0.05)
        prop = x.intern_atom("TABULINK_PASTE")
        target.convert_selection(clipboard, x.intern_atom("UTF8_STRING"), prop, X.CurrentTime)
        x.flush()
        while time.monotonic() < deadline:
            if not x.pending_events():
                time.sleep(0.05)
                continue
            event = x.next_event()
            if event.type == X.SelectionNotify and event.requestor == target:
                if event.property == X.NONE:
                    return None
                value = target.get_full_property(prop, X.AnyPropertyType)
                return None if value is None else bytes(value.value)
        return None
    finally:
        target.destroy()
        x.flush()


def copy_last_row(x, grid):
    """Ctrl+End highlights the grid's last row and Ctrl+C copies it; another client pastes it as
    UTF-8: the number of that row of the large table, or -1 when the paste is not such a row."""
    def copy():
        press(x, grid, "Control_L", "End")
        press(x, grid, "Control_L", "c")

    pasted = (pasted_after(x, copy) or b"").decode("utf-8", errors="replace")
    number, _, rest = pasted.partition("\t")
    return int(number) if number.isdigit() and rest == "name %s\n" % number else -1


def count_in(title):
    """The row count at the end of a grid's or a dialog's title ("… so far: 12,000 (Esc
    stops)")."""
    digits = title.split(":")[-1].split("(")[0].strip().replace(",", "")
    return int(digits) if digits.isdigit() else -1


def log_in_and_query(x, job, settings, work, env):
    """Starts the program on the INI file `job` holding `settings` (no DSN: the dialogs), and
    keys through the log-in, the table list and the query prompt with Return; the run, the table
    dialog and what went wrong."""
    with open(os.path.join(work, job), "w") as ini:
        ini.write(settings)
    run = subprocess.Popen([env["TABULINK"], job], cwd=work, env=env,
                           stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
    dialog = None
    for title in ("ODBC Login", "Select ODBC source database", "ODBC SQL Query"):
        window, _ = find_window(x, title, 60)
        if window is None:
            run.kill()
            return run, None, ["%s: no %r window appeared" % (job, title)]
        if title.startswith("Select"):
            dialog = window
        press(x, window, "Return")
    return run, dialog, []


def leave(x, run, job, grid):
    """Closes the grid, the table dialog and the log-in dialog as a window manager closes
    windows; the run must then end with exit status 0."""
    close_window(x, grid)
    for title in ("Select ODBC source database", "ODBC Login"):
        window, _ = find_window(x, title, 30)
        if window is None:
            run.kill()
            return ["%s: the %r window did not come back" % (job, title)]
        close_window(x, window)
    return ended_with(run, 0, job + "'s dialogs")


def background_fill(x, work, env):
    run, _, failures = log_in_and_query(
        x, "fill.ini", "[ODBC]\nAsyncronous=.T.\n[Output]\nType=Screen\n", work, env)
    if failures:
        return failures
    grid, _ = find_window(x, "Tabulink rel.", 60)
    if grid is None:
        run.kill()
        return ["fill.ini: no grid window appeared"]
    # While the fill runs, the rows so far are in the grid: Ctrl+End reaches the last of them and
    # Ctrl+C copies it. Checked when the title still says the fill runs after the copy (a fast
    # machine may have completed it meanwhile).
    titles = titles_until(x, grid, lambda t: "so far" in t or "completed" in t, 120)
    early = copy_last_row(x, grid)
    if "so far" in (window_title(x, grid) or "") and not 0 < early < BIG_ROWS:
        failures.append("fill.ini: during the fill the last row in the grid was %d" % early)
    titles += titles_until(x, grid, lambda t: "completed" in t, 240)
    # Opened on the first rows, then counting the rows that arrive, a few times a second, to the
    # total.
    final = "Tabulink rel.2.1 - Rows completed: {:,}".format(BIG_ROWS)
    if not titles or titles[-1] != final:
        failures.append("fill.ini: titles %r, not ending with %r" % (titles[-3:], final))
    counts = [count_in(t) for t in titles if "so far" in t]
    if not counts or not 0 < counts[0] < BIG_ROWS:
        failures.append("fill.ini: no count of the rows so far in %r" % titles[:3])
    if counts != sorted(counts) or -1 in counts:
        failures.append("fill.ini: the counts went back: %r" % titles)
    if len(titles) > 200:
        failures.append("fill.ini: %d titles, the title changed for every few rows" % len(titles))
    # Once complete, the last row is the table's last.
    last = copy_last_row(x, grid)
    if last != BIG_ROWS:
        failures.append("fill.ini: the last row copied was %d, not %d" % (last, BIG_ROWS))
    return failures + leave(x, run, "fill.ini", grid)


def esc_stops_the_fetch(x, work, env):
    run, dialog, failures = log_in_and_query(x, "stop.ini", "[Output]\nType=Screen\n", work, env)
    if failures:
        return failures
    # The table dialog, locked while the rows arrive, counts them in its title; Esc there stops
    # the fetch.
    titles = titles_until(x, dialog, lambda t: "so far" in t, 120)
    if not titles or "so far" not in titles[-1]:
        run.kill()
        return ["stop.ini: the table dialog never counted rows: %r" % titles]
    press(x, dialog, "Escape")
    grid, title = find_window(x, "Tabulink rel.", 120)
    if grid is None:
        run.kill()
        return ["stop.ini: no grid window after Esc"]
    rows = count_in(title.replace(" - incomplete, fetch stopped", ""))
    if not title.endswith(" - incomplete, fetch stopped") or not 0 < rows < BIG_ROWS:
        failures.append("stop.ini: grid titled %r after Esc" % title)
    after = titles_until(x, dialog, lambda t: t == "Select ODBC source database", 30)
    if not after or after[-1] != "Select ODBC source database":
        failures.append("stop.ini: the table dialog stayed titled %r" % after[-1:])
    return failures + leave(x, run, "stop.ini", grid)


def large_table_by_keys(x, binary, work, env):
    """The background fill and the stopped fetch over one large table, in a folder of their
    own with a data source list that holds that table's source only (the log-in dialog selects
    the first)."""
    folder = os.path.join(work, "large")
    os.mkdir(folder)
    database = os.path.join(folder, "big.db")
    with sqlite3.connect(database) as db:
        db.execute("CREATE TABLE big (id integer, name varchar(20))")
        db.execute("INSERT INTO big WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                   "FROM s WHERE i < %d) SELECT i, 'name ' || i FROM s" % BIG_ROWS)
    with open(os.path.join(folder, "odbc.ini"), "w") as sources:
        sources.write("[GridBig]\nDriver=SQLite3\nDatabase=%s\nStepAPI=1\n" % database)
    env = dict(env, TABULINK=binary, ODBCINI=os.path.join(folder, "odbc.ini"))
    return background_fill(x, folder, env) + esc_stops_the_fetch(x, folder, env)


def export_on_a_server_that_ends_with_its_last_client(binary, work, env):
    server, name = start_xvfb("-terminate")
    try:
        with open(os.path.join(work, "text.ini"), "w") as job:
            job.write("[ODBC]\nDSN=GridTowns\nSQL=SELECT * FROM towns\n[Output]\nType=Text\n"
                      "FileOut=%s\n" % os.path.join(work, "towns.txt"))
        run = subprocess.run([binary, "text.ini"], cwd=work, env=dict(env, DISPLAY=name),
                             stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
        if run.returncode != 0:
            return ["export on an X server with -terminate: exit status %d: %s"
                    % (run.returncode, run.stderr.decode(errors="replace"))]
        return []
    finally:
        server.kill()
        server.wait()


def main():
    binary, odbc_dir = sys.argv[1], sys.argv[2]
    server, name = start_xvfb()
    failures = []
    try:
        with tempfile.TemporaryDirectory() as work:
            cache = os.path.join(work, "cache")
            os.mkdir(cache)
            database = os.path.join(work, "towns.db")
            with sqlite3.connect(database) as db:
                db.execute("CREATE TABLE towns (code CHAR(2), name VARCHAR(20))")
                db.execute("INSERT INTO towns VALUES ('A1', 'Rome'), ('B2', 'Oslo')")
            with open(os.path.join(work, "odbc.ini"), "w") as sources:
                sources.write("[GridTowns]\nDriver=SQLite3\nDatabase=%s\nStepAPI=1\n" % database)
            with open(os.path.join(work, "job.ini"), "w") as job:
                job.write("[ODBC]\nDSN=GridTowns\nSQL=SELECT * FROM towns\n[Output]\nType=Screen\n")
            env = {k: v for k, v in os.environ.items()
                   if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
            # In the sanitizer build the program's leak check is left to the in-process tests,
            # as for every run of the real binary (tests/support/run_program.h): the SQLite
            # driver unloads the ODBC installer library and leaves its profile cache behind.
            env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
            env.update(DISPLAY=name, TEMP=cache, ODBCINI=os.path.join(work, "odbc.ini"),
                       ODBCSYSINI=os.path.join(odbc_dir, "system"))
            run = subprocess.Popen([binary, "job.ini"], cwd=work, env=env,
                                   stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
            x = display.Display(name)
            window, title = find_window(x, "Tabulink rel.", 30)
            if window is None:
                failures.append("no grid window appeared")
                run.kill()
            else:
                if title != "Tabulink rel.2.1 - Rows:       2":
                    failures.append("title %r" % title)
                if not os.listdir(cache):
                    failures.append("no cache table while the grid is open")
                close_window(x, window)
            failures += ended_with(run, 0, "its grid")
            if os.listdir(cache):
                failures.append("cache files left: %s" % os.listdir(cache))
            failures += error_dialog_ends_the_run(x, binary, work, env)
            failures += large_table_by_keys(x, binary, work, env)
            failures += export_on_a_server_that_ends_with_its_last_client(binary, work, env)
            x.close()
    finally:
        server.terminate()
        server.wait()
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("grid window found by its title, closed by the window manager's message; exit 0;"
              " error dialog closed the same way; exit 1; background fill counted to its total"
              " and copied; Esc kept the rows fetched; export on a -terminate server; exit 0")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
