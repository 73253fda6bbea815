#!/usr/bin/env python3
"""The real program on a real X server: a job with DSN, SQL and Type=Screen opens its grid
window; the window is found by its title, closed as a window manager closes a window (a
WM_DELETE_WINDOW client message), and the run ends with exit status 0 and no cache file left.
Then a run whose start-up cannot mail the crash report of an earlier run (no box: standard error
says so) and whose DBF output cannot be created: its error dialog, closed the same way, ends the
program with exit status 1, not with a crash of the toolkit at exit. Last, an unattended export on
an X server that ends when its last client goes (-terminate): the program's display probe must
not be that last client before the toolkit has connected.

Usage: xvfb_grid_test.py <tabulink binary> <test ODBC folder (its system/odbcinst.ini)>
Starts its own Xvfb on a free display number; needs no window manager."""

import os
import sqlite3
import subprocess
import sys
import tempfile
import time

from Xlib import X, display, error, protocol


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
    prop = window.get_full_property(x.intern_atom("_NET_WM_NAME"), utf8)
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
            failures += export_on_a_server_that_ends_with_its_last_client(binary, work, env)
            x.close()
    finally:
        server.terminate()
        server.wait()
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("grid window found by its title, closed by the window manager's message; exit 0;"
              " error dialog closed the same way; exit 1; export on a -terminate server; exit 0")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
