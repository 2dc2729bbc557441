#!/usr/bin/env python3
"""Loads HTML pages of trelk-cli in headless Chromium (the test browser, started as
tests/cli/html_check.py starts it), one fresh browser per page, and uses each as a person would,
printing what every step cost by the browser's own clock:

- the page's size; from the start of navigation until the document is parsed, until the page's
  script is ready (the trelk-ready mark), until it has read its pieces while idle and then the
  sort keys of its tables in pieces; and its
  memory: how much the resident memory of all the
  browser's processes grew from a blank page, and its ratio to the page's size;
- filter texts typed key by key (each key once the page has answered the one before whole): per
  key two answers, the first (the rows made, in and near the window, narrowed and painted, and the
  status shown, "Searching…" while the rest is counted) and the whole one (the count of every row,
  painted); of each the slowest key and the last, and the rows shown;
- sorting the parts by their second column (a run's total, a comparison's old total), both ways:
  on a table in pieces the first answer (its top rows in order) and the whole one; unfolding
  the whole tree ("Unfold all", on a run's page), clearing and checking "Differences only" (on a
  comparison's page), following a link into a part of the page far away, and making every row
  for printing: asked for by its keys (in slices, until the page would print), and by the
  browser's menu (beforeprint, all at once, on the page loaded again).

An answer runs from the input event or click until the page has painted what it says. Beside each
figure stands the longest task that ran meanwhile, in which the page took no input: a page that
never freezes keeps it short however long the whole answer takes.

Usage: html_page_timing.py [--filters TEXT,TEXT,...] PAGE.html...   (scripts/benchmark-html.sh)
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "cli"))
from html_check import TIMING_HELPERS as HELPERS, missing_browser, start_browser  # noqa: E402


def browser_memory(root_pid):
    """The resident memory of the browser's processes (those below chromedriver), in MB."""
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid=,rss="], capture_output=True, text=True).stdout
    children, rss = {}, {}
    for line in out.splitlines():
        pid, ppid, kb = (int(v) for v in line.split())
        children.setdefault(ppid, []).append(pid)
        rss[pid] = kb
    total, pending = 0, list(children.get(root_pid, []))
    while pending:
        pid = pending.pop()
        total += rss.get(pid, 0)
        pending += children.get(pid, [])
    return total / 1024


def answer(driver, script, limit=600000):
    """Runs an async in-page script that ends by calling the callback with a timing."""
    return driver.execute_async_script("const done = arguments[arguments.length - 1];"
                                       "(async () => { done(await (async () => {" + script + "})()); })();")


def figure(timing):
    ms, longest, ok = timing[:3]
    return "%.0f ms%s (longest task %.0f ms)" % (ms, "" if ok else " NOT ANSWERED", longest)


def measure(page, filters, out):
    folder = tempfile.mkdtemp()
    driver = start_browser(os.path.join(folder, "profile"))
    try:
        root = driver.service.process.pid
        driver.get("about:blank")
        time.sleep(1.5)
        blank = browser_memory(root)
        driver.get("file://" + os.path.abspath(page))
        size = os.path.getsize(page) / 1e6
        parsed, ready = driver.execute_script(
            "return [performance.getEntriesByType('navigation')[0].domInteractive,"
            "performance.getEntriesByName('trelk-ready')[0].startTime]")
        driver.execute_script(HELPERS)
        # Whatever the page still does after its ready mark, as it takes input.
        settled = answer(driver, "const t0 = performance.now(); trelkTiming.start();"
                                 "await new Promise((r) => setTimeout(r, 200));"
                                 "return [performance.now() - t0, trelkTiming.longest(), true];")
        # The page reads its pieces while idle; a person starts typing after that.
        indexed = answer(driver, "await trelkTiming.until(() => 'indexed' in document.documentElement.dataset, 120000);"
                                 "return performance.now();")
        time.sleep(1)
        memory = browser_memory(root) - blank
        # What reading the pieces left behind is collected a few seconds after, while the page is idle.
        time.sleep(5)
        later = browser_memory(root) - blank
        # The sort keys of its tables in pieces, read while idle after the pieces (within the second
        # before the first figure of memory), on a page whose script does.
        keyed = answer(driver, "const done = await trelkTiming.until("
                               "() => 'keyed' in document.documentElement.dataset, 5000);"
                               "return done ? performance.getEntriesByName('trelk-keyed')[0].startTime : null;")
        out("%s: %.1f MB; parsed %.2f s, ready %.2f s (then %s), pieces read while idle by %.2f s, sort keys %s; "
            "memory %.0f MB, %.2fx the page, 5 s later %.0f MB, %.2fx" % (
                os.path.basename(page), size, parsed / 1000, ready / 1000, figure(settled), indexed / 1000,
                "by %.2f s" % (keyed / 1000) if keyed is not None else "not read while idle", memory, memory / size,
                later, later / size))
        comparison = driver.execute_script("return document.body.dataset.page") == "comparison"

        for text in filters:
            result = answer(driver, "return await trelkTiming.type(%r, 120000);" % text)
            keys = result["keys"]
            longest = max(k[1] for k in keys)
            out("  filter %-22s keys %2d, first answer: slowest key %.0f ms, last key %.0f ms; whole answer: "
                "slowest key %.0f ms, last key %.0f ms; longest task %.0f ms; %s%s" % (
                    repr(text), len(keys), max(k[3] for k in keys), keys[-1][3], max(k[0] for k in keys),
                    keys[-1][0], longest, result["status"],
                    "" if result["early"] == 0 else "; NOTHING MATCHES SAID WHILE SEARCHING"))
        answer(driver, "return await trelkTiming.type('', 120000);")

        for label in ("parts sorted by %s" % ("old total" if comparison else "total"), "and the other way"):
            sort = answer(driver, "return await trelkTiming.sort("
                                  "document.querySelectorAll('#parts thead button')[1], 600000);")
            out("  %s: first answer %s, whole %s" % (label, "%.0f ms" % sort[3] if sort[3] is not None else "-",
                                                     figure(sort)))
        if comparison:
            for state in ("cleared", "checked"):
                switch = answer(driver, "const box = document.getElementById('only-changed');"
                                        "const status = document.getElementById('filter-status');"
                                        "return await trelkTiming.time(() => { status.value = '\u2026'; box.click(); },"
                                        "() => trelkTiming.complete(), 600000, () => trelkTiming.answered());")
                out("  \"Differences only\" %s: first answer %.0f ms, whole %s; %s" % (
                    state, switch[3], figure(switch), driver.execute_script(
                    "return document.getElementById('filter-status').value")))
            # The last link to a block made: the parts' rows with one may all still be text.
            link = ("const a = Array.from(document.querySelectorAll("
                    "'#parts a[href^=\"#b\"], #parts-where-used a[href^=\"#b\"]')).pop();")
        else:
            unfold = answer(driver, "const b = Array.from(document.querySelectorAll('button'))"
                                    ".find((e) => e.textContent === 'Unfold all');"
                                    "if (!b) return [0, 0, false];"
                                    "return await trelkTiming.time(() => b.click(), () => true, 600000);")
            out("  tree unfolded whole: %s" % figure(unfold))
            link = ("const a = Array.from(document.querySelectorAll('#parts-where-used a[href^=\"#w\"]')).pop();")
        followed = answer(driver, link + "if (!a) return [0, 0, false];"
                                         "const id = a.getAttribute('href').slice(1);"
                                         "return await trelkTiming.time(() => a.click(), () => {"
                                         "  const t = document.getElementById(id);"
                                         "  if (!t) return false;"
                                         "  const r = t.getBoundingClientRect();"
                                         "  return r.bottom > 0 && r.top < innerHeight; }, 600000);")
        out("  link followed: %s" % figure(followed))
        # Printing by its keys makes the pieces in slices and then prints (here: notes that it would).
        printed = answer(driver, "window.printed = false; window.print = () => { window.printed = true; };"
                                 "return await trelkTiming.time(() => document.dispatchEvent(new KeyboardEvent("
                                 "'keydown', {key: 'p', ctrlKey: true, bubbles: true, cancelable: true})),"
                                 "() => window.printed, 600000);")
        out("  printed by its keys, every row made in slices: %s; memory then %.0f MB" % (
            figure(printed), browser_memory(root) - blank))
        # The browser's menu: beforeprint makes them all at once, on the page loaded again.
        driver.get("file://" + os.path.abspath(page))
        driver.execute_script(HELPERS)
        printed = answer(driver, "return await trelkTiming.time(() => window.dispatchEvent(new Event('beforeprint')),"
                                 "() => true, 600000);")
        out("  every row made for printing at once (loaded again): %s; memory then %.0f MB" % (
            figure(printed), browser_memory(root) - blank))
    finally:
        driver.quit()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    missing = missing_browser()
    if missing:
        sys.exit("html_page_timing: needs " + missing + "; scripts/install-deps.sh installs it")
    parser = argparse.ArgumentParser()
    parser.add_argument("--filters", default="zzzz-none")
    parser.add_argument("pages", nargs="+")
    arguments = parser.parse_args()
    for page in arguments.pages:
        measure(page, arguments.filters.split(","), lambda line: print(line, flush=True))
