"""A small WebDriver client (the W3C protocol over HTTP, standard library only) for Debian's
chromedriver driving headless Chromium."""

import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"

# As root in a container, without a GPU and without a network: no sandbox, nothing fetched.
CHROMIUM_ARGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-dev-shm-usage", "--window-size=1200,900",
]


class WebDriverError(RuntimeError):
    pass


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Browser:
    def __init__(self, chromium="/usr/bin/chromium", chromedriver="/usr/bin/chromedriver"):
        for program in (chromium, chromedriver):
            if not os.access(program, os.X_OK):
                raise WebDriverError(program + " is missing: scripts/setup installs chromium and chromium-driver")
        self.profile = tempfile.mkdtemp(prefix="stowline-chromium-")
        self.port = _free_port()
        self.driver = subprocess.Popen([chromedriver, "--port=%d" % self.port],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.base = "http://127.0.0.1:%d" % self.port
        try:
            self._wait_ready()
            options = {"binary": chromium, "args": CHROMIUM_ARGS + ["--user-data-dir=" + self.profile]}
            answer = self._call("POST", "/session", {"capabilities": {"alwaysMatch": {
                "browserName": "chrome", "goog:chromeOptions": options}}})
            self.session = "/session/" + answer["sessionId"]
        except Exception:
            self.close()
            raise

    def _wait_ready(self):
        deadline = time.time() + 30
        while time.time() < deadline:
            try:
                if self._call("GET", "/status").get("ready"):
                    return
            except (OSError, WebDriverError):
                pass
            time.sleep(0.1)
        raise WebDriverError("chromedriver did not start")

    def _call(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=120) as response:
                return json.loads(response.read() or b"{}").get("value")
        except urllib.error.HTTPError as e:
            raise WebDriverError("%s %s: %s" % (method, path, e.read().decode(errors="replace")))

    def open(self, url):
        self._call("POST", self.session + "/url", {"url": url})

    def find(self, css):
        return self._call("POST", self.session + "/element", {"using": "css selector", "value": css})[ELEMENT]

    def type(self, element, text):
        """Types into the element as key presses, one input event per character."""
        self._call("POST", self.session + "/element/%s/value" % element, {"text": text})

    def click(self, element):
        self._call("POST", self.session + "/element/%s/click" % element, {})

    def clear(self, element):
        self._call("POST", self.session + "/element/%s/clear" % element, {})

    def run(self, script, *args):
        return self._call("POST", self.session + "/execute/sync", {"script": script, "args": list(args)})

    def run_async(self, script, *args):
        return self._call("POST", self.session + "/execute/async", {"script": script, "args": list(args)})

    def script_timeout(self, seconds):
        self._call("POST", self.session + "/timeouts", {"script": int(seconds * 1000)})

    def cdp(self, command, params=None):
        """A command of the browser's own debugging protocol, through chromedriver."""
        return self._call("POST", self.session + "/goog/cdp/execute", {"cmd": command, "params": params or {}})

    def url(self):
        return self._call("GET", self.session + "/url")

    def screenshot(self, path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self._call("GET", self.session + "/screenshot")))

    def close(self):
        try:
            if getattr(self, "session", None):
                self._call("DELETE", self.session)
        except (OSError, WebDriverError):
            pass
        self.driver.terminate()
        try:
            self.driver.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.driver.kill()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
