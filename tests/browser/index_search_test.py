#!/usr/bin/env python3
"""The archive's index in a real browser: real mail archived by the command line with the index
switched on, the folder's index opened from the local file system (file://) in headless Chromium,
words typed into its search box, and only the matching rows left in sight. A folder of some
hundred pages is scrolled through and searched; the index is read with scripts off and without
its data file. A screenshot of the index with a search typed is kept in the output folder."""

import argparse
import datetime
import email.utils
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from WebDriver import Browser  # noqa: E402

MAILS = ["m0001", "m0008", "m0009", "m0011", "m0014", "m0015"]

# A sender and a subject that are markup and URL syntax; the link must still open the page.
HOSTILE = (b"From: \"<b>Eve</b>\" <eve@example.com>\r\n"
           b"Subject: 50% off #1 <i>now</i> & more\r\n"
           b"Date: Tue, 1 Oct 2013 00:42:18 +0200\r\n"
           b"Message-ID: <hostile@example.com>\r\n"
           b"Content-Type: text/plain; charset=ISO-8859-1\r\n\r\n"
           b"Quarterly figures attached as discussed.\r\nGr\xfc\xdfe\r\n")

VISIBLE_SUBJECTS = """
var done = arguments[arguments.length - 1];
requestAnimationFrame(function () { requestAnimationFrame(function () {
  var rows = document.querySelectorAll("#pages tbody tr"), seen = [];
  for (var i = 0; i < rows.length; i++)
    if (rows[i].getClientRects().length > 0) seen.push(rows[i].cells[2].textContent);
  done({seen: seen, count: document.getElementById("count").textContent,
        disabled: document.getElementById("search").disabled});
}); });
"""

# The rows of the list that are wholly in sight below its header, and how they fill the window.
IN_SIGHT = """
var done = arguments[arguments.length - 1];
requestAnimationFrame(function () { requestAnimationFrame(function () {
  var rows = document.querySelectorAll("#pages tbody tr"), seen = [], top = null, bottom = null;
  var below = document.querySelector("#pages thead").getBoundingClientRect().bottom;
  for (var i = 0; i < rows.length; i++) {
    var r = rows[i].getBoundingClientRect();
    if (r.top < below - 1 || r.bottom > window.innerHeight + 1) continue;
    seen.push(rows[i].cells[2].textContent);
    if (top === null) top = r.top - below;
    bottom = window.innerHeight - r.bottom;
  }
  done({seen: seen, made: rows.length, count: document.getElementById("count").textContent,
        gaps: [top, bottom], row: rows.length ? rows[0].getBoundingClientRect().height : 0});
}); });
"""

# With scripts off or without the data file: the subjects of the plain table's rows.
PLAIN_SUBJECTS = """
var rows = document.querySelectorAll("table tbody tr"), seen = [];
for (var i = 0; i < rows.length; i++)
  if (rows[i].getClientRects().length > 0) seen.push(rows[i].cells[2].textContent);
return {seen: seen, count: document.getElementById("count").textContent,
        disabled: document.getElementById("search").disabled};
"""

# A folder of more pages than a window shows: "Ledger 0000" (oldest) to "Ledger 0399" (newest);
# one of them, deep in the list, holds a word of its own.
LEDGER = 400
NEEDLE = 3

failures = []


def check(what, actual, expected):
    if actual != expected:
        failures.append("%s: expected %r, got %r" % (what, expected, actual))
        print("FAIL", what, "expected", repr(expected), "got", repr(actual))
    else:
        print("ok  ", what)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    root = tempfile.mkdtemp(prefix="stowline-browser-")
    try:
        run(args, root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        return 1
    return 0


def ledger_mail(i):
    date = datetime.datetime(2012, 1, 1, tzinfo=datetime.timezone.utc) + datetime.timedelta(hours=i)
    return ("From: Clerk <clerk@example.com>\r\nSubject: Ledger %04d\r\nDate: %s\r\n"
            "Message-ID: <ledger%d@example.com>\r\n\r\nEntry %d of the ledger.%s\r\n" % (
                i, email.utils.format_datetime(date), i, i, " Haystack needle." if i == NEEDLE else "")).encode()


def ledger_names(first, last):
    """The subjects from `first` down to `last`, as the list orders them (newest first)."""
    return ["Ledger %04d" % i for i in range(first, last - 1, -1)]


def run(args, root):
    drive = os.path.join(root, "c")
    os.makedirs(os.path.join(drive, "Config"))
    os.makedirs(os.path.join(drive, "Archive"))
    with open(os.path.join(root, "registry.reg"), "wb") as f:
        f.write(b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Stowline]\r\n"
                b"\"ConfigPath\"=\"C:\\\\Config\"\r\n")
    with open(os.path.join(drive, "Config", "Stowline.ini"), "wb") as f:
        f.write(b"[Stowline Settings]\r\nBasePath=C:\\Archive\r\n"
                b"DetachMethodEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n"
                b"TextFileNameEvalString=Left(Text(\"Subject\"),30) + \" \" + UNID\r\n"
                b"DelMsgAfterArc=0\r\nDelViewFoldersAfterArc=0\r\nPromptDelMsg=0\r\nPromptDelViewFolders=0\r\n")
    open(os.path.join(root, "notes.ini"), "w").close()
    hostile = os.path.join(root, "hostile.eml")
    with open(hostile, "wb") as f:
        f.write(HOSTILE)
    env = dict(os.environ, STOWLINE_DRIVE_C=drive, STOWLINE_REGISTRY=os.path.join(root, "registry.reg"),
               NOTES_INI=os.path.join(root, "notes.ini"))
    db = os.path.join(root, "mail.dxl")
    mails = [os.path.join(args.data, "mail/php-mime-mail-parser/tests/mails", m) for m in MAILS]

    def cli(*words):
        done = subprocess.run([args.cli, *words], env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if done.returncode != 0:
            raise RuntimeError("stowline %s: %d\n%s" % (" ".join(words), done.returncode, done.stdout))

    ledger = []
    for i in range(LEDGER):
        ledger.append(os.path.join(root, "ledger%d.eml" % i))
        with open(ledger[-1], "wb") as f:
            f.write(ledger_mail(i))
    cli("import", "--db", db, "--folder", "Work", *mails, hostile)
    cli("import", "--db", db, "--folder", "Ledger", *ledger)
    cli("options", "--write-index", "on")
    cli("archive-view", "--db", db, "--view", "Work")
    cli("archive-view", "--db", db, "--view", "Ledger")

    folder = os.path.join(drive, "Archive", "Work")
    index = "file://" + urllib.parse.quote(os.path.join(folder, "index.htm"))
    with Browser() as browser:
        # From the base path's index to the folder's, through its backslash link.
        browser.open("file://" + urllib.parse.quote(os.path.join(drive, "Archive", "index.htm")))
        browser.click(browser.find("a[href='Work\\\\index.htm']"))
        check("the base index links the folder's index", browser.url(), index)

        state = browser.run_async(VISIBLE_SUBJECTS)
        check("search is on", state["disabled"], False)
        check("every page is listed", len(state["seen"]), len(MAILS) + 1)
        box = browser.find("#search")
        cases = [
            ("hello", ["Hello World !"]),                               # a word of a subject
            ("Ogone order", ["Ogone NIEUWE order Maurits PAYID: 951597484 / orderID: 456123 / status: 5"]),
            ("QUARTERLY", ["50% off #1 <i>now</i> & more"]),            # a word of a body, any case
            ("<b>eve", ["50% off #1 <i>now</i> & more"]),               # the sender, markup as text
            ("GR\u00dc\u00dfE", ["50% off #1 <i>now</i> & more"]),     # native letters, any case
            ("no-such-word", []),
            ("", None),
        ]
        for typed, expected in cases:
            browser.clear(box)
            # Typed key by key; the empty search is a word typed and erased again.
            browser.type(box, typed or "x\ue003")
            state = browser.run_async(VISIBLE_SUBJECTS)
            if expected is None:
                check("an empty search shows every row", len(state["seen"]), len(MAILS) + 1)
            else:
                check("search %r" % typed, sorted(state["seen"]), sorted(expected))
                check("count for %r" % typed, state["count"], "%d of %d pages" % (len(expected), len(MAILS) + 1))

        browser.type(box, "hello")
        browser.run_async(VISIBLE_SUBJECTS)
        shot = os.path.join(args.out, "index-search.png")
        browser.screenshot(shot)
        print("screenshot:", shot)

        # The escaped link of a subject full of URL syntax opens exactly its page.
        browser.clear(box)
        browser.type(box, "quarterly")
        browser.run_async(VISIBLE_SUBJECTS)
        browser.click(browser.find("#pages tbody tr:not([hidden]) a"))
        check("the page opened from its link", browser.run("return document.title;"), "50% off #1 <i>now</i> & more")

        scroll_and_search(browser, os.path.join(drive, "Archive", "Ledger", "index.htm"))
        without_scripts(browser, folder, index)


def scroll_and_search(browser, page):
    """Rows are made for the part of the list in sight only; wherever the list is scrolled to,
    the rows there fill the window in order, and a search finds rows never drawn."""
    browser.open("file://" + urllib.parse.quote(page))
    state = browser.run_async(IN_SIGHT)
    check("a long folder's count", state["count"], "%d pages" % LEDGER)
    check("rows made for a long folder are fewer than its pages", 0 < state["made"] < LEDGER, True)
    shown = len(state["seen"])
    check("the newest rows in sight first", state["seen"], ledger_names(LEDGER - 1, LEDGER - shown))
    for where, script in [("the middle", "window.scrollTo(0, document.documentElement.scrollHeight / 2);"),
                          ("the end", "window.scrollTo(0, document.documentElement.scrollHeight);")]:
        browser.run(script)
        state = browser.run_async(IN_SIGHT)
        seen = state["seen"]
        first = int(seen[0].split()[1]) if seen else -1
        check("rows in order at " + where, seen, ledger_names(first, first - len(seen) + 1))
        check("rows fill the window at " + where,
              [gap is not None and gap < state["row"] for gap in state["gaps"]], [True, True])
        check("rows made at %s are fewer than the pages" % where, state["made"] < LEDGER, True)
    check("the oldest row last", seen[-1:], ["Ledger 0000"])

    # Typed after scrolling to the end: a search shows its first matches; the one
    # match of a word far down the list is found although its row was never drawn; erasing the
    # word brings back the rows it had hidden.
    box = browser.find("#search")
    for typed, first, count in [("ledger", ledger_names(LEDGER - 1, LEDGER - 2), LEDGER),
                                (" needle", ["Ledger %04d" % NEEDLE], 1),
                                ("\ue003" * len(" needle"), ledger_names(LEDGER - 1, LEDGER - 2), LEDGER)]:
        browser.type(box, typed)
        state = browser.run_async(IN_SIGHT)
        check("%r typed: the first rows" % typed, state["seen"][:2], first)
        check("%r typed: the count" % typed, state["count"],
              "%d pages" % LEDGER if count == LEDGER else "%d of %d pages" % (count, LEDGER))


def without_scripts(browser, folder, index):
    """With scripts off the page is the plain table of every row; without its data file the
    script shows that table and says that search is off."""
    every = sorted(["Hello World !", "50% off #1 <i>now</i> & more"])
    data = os.path.join(folder, "index.js")
    os.rename(data, data + ".away")
    try:
        browser.open(index)
        state = browser.run(PLAIN_SUBJECTS)
        check("without its data file every row is listed", len(state["seen"]), len(MAILS) + 1)
        check("without its data file, hostile text as text", sorted(set(every) & set(state["seen"])), every)
        check("without its data file search is off", [state["disabled"], state["count"]],
              [True, "Search is off: its data file index.js is missing."])
    finally:
        os.rename(data + ".away", data)

    browser.cdp("Emulation.setScriptExecutionDisabled", {"value": True})
    try:
        browser.open(index)
        state = browser.run(PLAIN_SUBJECTS)
        check("with scripts off every row is listed", len(state["seen"]), len(MAILS) + 1)
        check("with scripts off, hostile text as text", sorted(set(every) & set(state["seen"])), every)
        check("with scripts off the count", [state["disabled"], state["count"]], [True, "%d pages" % (len(MAILS) + 1)])
        browser.click(browser.find("a[href^='50%25 off %231']"))
        check("with scripts off the escaped link opens its page", browser.run("return document.title;"),
              "50% off #1 <i>now</i> & more")
    finally:
        browser.cdp("Emulation.setScriptExecutionDisabled", {"value": False})


if __name__ == "__main__":
    sys.exit(main())
