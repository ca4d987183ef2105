#!/usr/bin/env python3
"""The archive's index in a real browser: real mail archived by the command line with the index
switched on, the folder's index opened from the local file system (file://) in headless Chromium,
words typed into its search box, and only the matching rows left in sight. A screenshot of the
index with a search typed is kept in the output folder."""

import argparse
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

    cli("import", "--db", db, "--folder", "Work", *mails, hostile)
    cli("options", "--write-index", "on")
    cli("archive-view", "--db", db, "--view", "Work")

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


if __name__ == "__main__":
    sys.exit(main())
