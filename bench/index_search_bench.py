#!/usr/bin/env python3
"""Times the archive index's search in headless Chromium on a folder index made by
`export_bench --index --keep -n N`: the page's load, and for each search the time from the
input event to the second animation frame after it (the rows filtered, laid out and painted).
Prints medians in milliseconds; asserts nothing.

    build/linux/bench/export_bench -n 20000 --index --keep --folder /dev/shm
    python3 bench/index_search_bench.py /dev/shm/stowline-export-bench-PID/Inbox/index.htm
"""

import os
import statistics
import sys
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))
from WebDriver import Browser  # noqa: E402

SEARCH = """
var typed = arguments[0], done = arguments[arguments.length - 1];
var box = document.getElementById("search");
var start = performance.now();
box.value = typed;
box.dispatchEvent(new Event("input"));
requestAnimationFrame(function () { requestAnimationFrame(function () {
  done([performance.now() - start, document.getElementById("count").textContent]);
}); });
"""

LOAD = """
var t = performance.getEntriesByType("navigation")[0];
return [t.domContentLoadedEventEnd, t.loadEventEnd, document.querySelectorAll("#pages tbody tr").length];
"""


def main():
    page = os.path.abspath(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    searches = ["report", "report 1234", "1999", "quarterly friday", "ann lee", "zzzz", ""]
    with Browser() as browser:
        loads = []
        for _ in range(3):
            browser.open("file://" + urllib.parse.quote(page))
            loads.append(browser.run(LOAD))
        print("rows %d; load (DOMContentLoaded, load event) median ms: %.0f, %.0f" % (
            loads[0][2], statistics.median(l[0] for l in loads), statistics.median(l[1] for l in loads)))
        for typed in searches:
            times = []
            for _ in range(repeats):
                browser.run_async(SEARCH, "")
                elapsed, count = browser.run_async(SEARCH, typed)
                times.append(elapsed)
            print("search %-18r %-22s median %6.1f ms  (min %.1f, max %.1f)" % (
                typed, count, statistics.median(times), min(times), max(times)))
        # Typing one character more narrows a search the user is already typing.
        times = []
        for _ in range(repeats):
            browser.run_async(SEARCH, "")
            browser.run_async(SEARCH, "repor")
            times.append(browser.run_async(SEARCH, "report 1")[0])
        print("keystroke 'repor' -> 'report 1' median %.1f ms" % statistics.median(times))


if __name__ == "__main__":
    main()
