#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""The game's page in headless Chromium against a floor page.

    bench/web_cpu.py [RUNS] [SECONDS] [--dist DIR]

For each run, in a fresh profile: the time from navigation to the start screen
drawn (the middle of the canvas changes from the blank it starts as), then New
game, four Vusk on the cob bought, and the CPU time (user + system) that all
of the browser's processes spend in SECONDS of play. The floor page
(bench/web_floor.html) writes one number every 20 ms and nothing else; it runs
in a fresh browser of its own after each game run. Prints every run and the
means.
"""

import glob
import importlib.util
import os
import shutil
import statistics
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The browser driver of scripts/test-web.py, whose file name is no module name.
driver = importlib.util.spec_from_file_location("test_web", os.path.join(ROOT, "scripts", "test-web.py"))
tw = importlib.util.module_from_spec(driver)
driver.loader.exec_module(tw)

TICKS = os.sysconf("SC_CLK_TCK")


def tree(pid):
    """The process and all its descendants."""
    children = {}
    for stat in glob.glob("/proc/[0-9]*/stat"):
        try:
            fields = open(stat).read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(stat.split("/")[2]))
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def cpu_seconds(pids):
    """CPU time (user + system) of each living process, by pid."""
    times = {}
    for p in pids:
        try:
            fields = open("/proc/%d/stat" % p).read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        times[p] = (int(fields[11]) + int(fields[12])) / TICKS
    return times


def kind(pid):
    try:
        # Chromium rewrites its processes' titles into one string with blanks.
        args = open("/proc/%d/cmdline" % pid).read().replace("\0", " ").split()
    except OSError:
        return "gone"
    for a in args:
        if a.startswith("--type="):
            return a[len("--type="):]
    return "browser"


def spend(browser, seconds):
    """CPU seconds of all the browser's processes in `seconds`, in all and by kind."""
    before = cpu_seconds(tree(browser.process.pid))
    time.sleep(seconds)
    after = cpu_seconds(tree(browser.process.pid))
    by_kind = {}
    for p, t in after.items():
        by_kind[kind(p)] = by_kind.get(kind(p), 0) + t - before.get(p, 0)
    return sum(by_kind.values()), by_kind


def start_screen_ms(browser, url):
    """From navigation to the middle of the canvas drawn as it then stays.

    The canvas may already show the start screen by the first look, so the
    time is that of the first look that shows what the canvas settles on
    (unchanged for two seconds)."""
    clip = {"x": 450, "y": 250, "width": 100, "height": 60, "scale": 1}
    started = time.time()
    browser.call("Page.navigate", url=url)
    looks = []  # (seconds since navigation, screenshot), while the game runs
    while time.time() - started < 120:
        if browser.evaluate("typeof running !== 'undefined' && running"):
            shot = browser.call("Page.captureScreenshot", format="png", clip=clip)["data"]
            now = time.time() - started
            if not looks or shot != looks[-1][1]:
                looks.append((now, shot))
            elif now - looks[-1][0] >= 2 and len(looks) > 1 or now - looks[0][0] >= 10:
                return looks[-1][0] * 1000
        time.sleep(0.02)
    raise RuntimeError("the start screen did not appear")


def run(url, seconds, game):
    work = tempfile.mkdtemp(prefix="vusk-web-bench-")
    profile = os.path.join(work, "profile")
    os.makedirs(profile)
    browser = tw.Chromium(profile)
    try:
        browser.call("Page.enable")
        browser.call("Runtime.enable")
        if game:
            ms = start_screen_ms(browser, url)
            time.sleep(1)
            for _ in range(5):  # New game, then the four Vusk on the cob that 100 vusk buy
                tw.press(browser, " ")
            time.sleep(1)
        else:
            browser.call("Page.navigate", url=url)
            browser.wait_for("typeof running !== 'undefined' && running")
            ms = None
            time.sleep(2)
        total, by_kind = spend(browser, seconds)
        return ms, total, by_kind
    finally:
        browser.close()
        shutil.rmtree(work, ignore_errors=True)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--dist")]
    dist = next((a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--dist=")), None) or tw.newest_dist()
    runs = int(args[0]) if args else 3
    seconds = float(args[1]) if len(args) > 1 else 10
    game_server = tw.Server(dist)
    floor_server = tw.Server(os.path.join(ROOT, "bench"))
    results = {"game": [], "floor": []}
    starts = []
    try:
        for i in range(runs):
            for name, url in (("game", game_server.url), ("floor", floor_server.url + "web_floor.html")):
                ms, total, by_kind = run(url, seconds, name == "game")
                results[name].append(total)
                if ms is not None:
                    starts.append(ms)
                print("%-5s run %d: CPU %.3f s in %g s (%s)%s" % (
                    name, i + 1, total, seconds,
                    ", ".join("%s %.3f" % kv for kv in sorted(by_kind.items())),
                    ", start screen after %.0f ms" % ms if ms is not None else ""), flush=True)
    finally:
        game_server.close()
        floor_server.close()
    game, floor = statistics.mean(results["game"]), statistics.mean(results["floor"])
    print("mean of %d runs: game %.3f s, floor %.3f s, game/floor %.2f; start screen %.0f ms (%.0f to %.0f)"
          % (runs, game, floor, game / floor, statistics.mean(starts), min(starts), max(starts)))


if __name__ == "__main__":
    main()
