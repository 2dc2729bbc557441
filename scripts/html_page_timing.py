#!/usr/bin/env python3
"""Loads HTML pages of trelk-cli in headless Chromium (the test browser, started as
tests/cli/html_check.py starts it) and prints, per page, its size and what the browser's own
performance timeline says: the time from the start of navigation until the document is parsed,
until the page's script is ready and until the load event; then the first use of the filter
(with a text found nowhere, the pause the filter waits for on a large page included), sorting
the parts by total, and making every piece still held as text, as printing does.

Usage: html_page_timing.py PAGE.html...   (scripts/benchmark-html.sh runs it)
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "cli"))
from html_check import missing_browser, start_browser  # noqa: E402


def measure(pages):
    """Prints the figures of each page."""
    folder = tempfile.mkdtemp()
    driver = start_browser(os.path.join(folder, "profile"))
    try:
        for page in pages:
            driver.get("file://" + os.path.abspath(page))
            ready = driver.execute_script("return performance.getEntriesByName('trelk-ready')[0].startTime")
            timing = driver.execute_script("const t = performance.getEntriesByType('navigation')[0];"
                                           "return [t.domInteractive, t.loadEventEnd]")
            # The first use of the filter: the pieces held as text searched, the names of the others read.
            driver.execute_script(
                "const box = document.getElementById('filter'); box.value = 'zzzz-none';"
                "window.filterStart = performance.now(); box.dispatchEvent(new Event('input', {bubbles: true}));")
            from selenium.webdriver.support.ui import WebDriverWait
            WebDriverWait(driver, 900).until(
                lambda d: d.find_element("id", "filter-status").get_attribute("value") != "")
            filtered = driver.execute_script("return performance.now() - window.filterStart")
            # Sorting the parts by total, which makes every piece of that table first.
            sorted_ms = driver.execute_script(
                "const start = performance.now();"
                "document.querySelectorAll('#parts thead button')[1].click();"
                "return performance.now() - start")
            # Every piece made, as for printing: what a filter matching everywhere costs.
            everything_ms = driver.execute_script(
                "const start = performance.now(); window.dispatchEvent(new Event('beforeprint'));"
                "return performance.now() - start")
            print("%s: %.1f MB, parsed %.0f ms, ready %.0f ms, loaded %.0f ms, first filter %.0f ms, "
                  "parts sorted %.0f ms, every piece made %.0f ms" % (
                      page, os.path.getsize(page) / 1e6, timing[0], ready, timing[1], filtered, sorted_ms,
                      everything_ms))
    finally:
        driver.quit()
        shutil.rmtree(folder, ignore_errors=True)



if __name__ == "__main__":
    missing = missing_browser()
    if missing:
        sys.exit("html_page_timing: needs " + missing + "; scripts/install-deps.sh installs it")
    measure(sys.argv[1:])
