#!/usr/bin/env python3
"""Times the archive index in headless Chromium on a folder index made by
`export_bench --index --keep -n N`: the page's load (to the frame after the list is drawn), a
jump to the middle of the list, and for each search the time from the input event to the second
animation frame after it (the rows filtered, laid out and painted).
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

# Run in every page before its own scripts: notes the first frame after the one in which the
# page's scripts have run (DOMContentLoaded) and the list holds a row: the list is painted and
# its search works by then.
WATCH = """
(function () {
  var seen = false;
  function frame() {
    if (seen) { window.benchListPainted = performance.now(); return; }
    seen = document.readyState !== "loading" && !!document.querySelector("#pages tbody tr");
    requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);
})();
"""

# Read two animation frames after the load event.
LOAD = """
var done = arguments[arguments.length - 1];
requestAnimationFrame(function () { requestAnimationFrame(function () {
  var t = performance.getEntriesByType("navigation")[0];
  done([t.domContentLoadedEventEnd, t.loadEventEnd, window.benchListPainted || -1,
        document.querySelectorAll("#pages tbody tr").length,
        window.stowlineRows ? window.stowlineRows.length : -1]);
}); });
"""

# Jumps to the middle of the list and waits for the frame after the rows there are drawn.
SCROLL = """
var done = arguments[arguments.length - 1];
window.scrollTo(0, 0);
requestAnimationFrame(function () { requestAnimationFrame(function () {
  var start = performance.now();
  window.scrollTo(0, document.documentElement.scrollHeight / 2);
  requestAnimationFrame(function () { requestAnimationFrame(function () {
    var seen = 0, rows = document.querySelectorAll("#pages tbody tr");
    for (var i = 0; i < rows.length; i++) {
      var r = rows[i].getBoundingClientRect();
      if (r.bottom > 0 && r.top < window.innerHeight) seen++;
    }
    done([performance.now() - start, seen]);
  }); });
}); });
"""


def main():
    page = os.path.abspath(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    searches = ["report", "report 1234", "1999", "quarterly friday", "ann lee", "zzzz", ""]
    with Browser() as browser:
        browser.script_timeout(600)
        browser.cdp("Page.enable")
        browser.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH})
        loads = []
        for _ in range(repeats):
            browser.open("file://" + urllib.parse.quote(page))
            loads.append(browser.run_async(LOAD))
        print("pages %d, rows made %d; load median ms: DOMContentLoaded %.0f, load event %.0f, "
              "list painted and searchable %.0f" % (
                  loads[0][4], loads[0][3], statistics.median(l[0] for l in loads),
                  statistics.median(l[1] for l in loads), statistics.median(l[2] for l in loads)))
        scrolls = [browser.run_async(SCROLL) for _ in range(repeats)]
        print("jump to the middle median %.1f ms, %d rows in sight" % (
            statistics.median(s[0] for s in scrolls), scrolls[0][1]))
        for typed in searches:
            times = []
            for _ in range(repeats):
                browser.run_async(SEARCH, "")
                elapsed, count = browser.run_async(SEARCH, typed)
                times.append(elapsed)
            print("search %-18r %-22s median %6.1f ms  (min %.1f, max %.1f)" % (
                typed, count, statistics.median(times), min(times), max(times)))
        # Typing one character more narrows a search the user is already typing.
        for before, after in [("repor", "report 1"), ("zzz", "zzzz")]:
            times = []
            for _ in range(repeats):
                browser.run_async(SEARCH, "")
                browser.run_async(SEARCH, before)
                elapsed, count = browser.run_async(SEARCH, after)
                times.append(elapsed)
            print("keystroke %-18s %-22s median %6.1f ms  (min %.1f, max %.1f)" % (
                "%r -> %r" % (before, after), count, statistics.median(times), min(times), max(times)))

if __name__ == "__main__":
    main()
