#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays the web package in headless Chromium through the DevTools protocol.

    scripts/test-web.py [--dist DIR] [--out DIR] [--rewrite PROGRAM]

Serves DIR (default: the newest dist/vusk-sandwich-*-web) on 127.0.0.1, starts
Chromium with a fresh profile and plays: the start screen, New game by the
keyboard, a purchase, a save through the game's file dialog, a reload, a load
of that file, the file downloaded through the page and held against what the
desktop build writes for the same game (PROGRAM, tools/save_rewrite.cpp), a
desktop file uploaded and saved again by the browser build, and a save that
the browser's storage refuses. Screenshots go to OUT (default build-web-host/
web-test). Ends with "N passed, N failed"; the exit status is 1 when any
check failed.
"""

import argparse
import base64
import functools
import glob
import http.server
import json
import os
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The flags this machine's browser tests run with: no sandbox as root, no connections
# out (the network is closed), software WebGL (SwiftShader) since there is no GPU.
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--window-size=1000,760", "--remote-debugging-port=0", "--remote-allow-origins=*",
]


class Server:
    """A static web server for one folder on 127.0.0.1, on a thread."""

    def __init__(self, folder):
        handler = functools.partial(Quiet, directory=folder)
        self.httpd = socketserver.ThreadingTCPServer(("127.0.0.1", 0), handler)
        self.httpd.daemon_threads = True
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def log_message(self, *args):
        pass


class Chromium:
    """Debian's Chromium, headless, with a profile of its own, driven over one page's
    DevTools websocket."""

    def __init__(self, profile):
        self.profile = profile
        self.process = subprocess.Popen(
            ["chromium", "--user-data-dir=" + profile] + CHROMIUM_FLAGS + ["about:blank"],
            stdout=subprocess.DEVNULL, stderr=open(os.path.join(profile, "..", "chromium.log"), "w"))
        port_file = os.path.join(profile, "DevToolsActivePort")
        deadline = time.time() + 30
        while not os.path.exists(port_file) or not open(port_file).read().strip():
            if time.time() > deadline or self.process.poll() is not None:
                raise RuntimeError("Chromium did not open its DevTools port")
            time.sleep(0.1)
        port = open(port_file).read().split()[0]
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
        page = next(t for t in targets if t["type"] == "page")
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60,
                                              suppress_origin=True)
        self.next_id = 0
        self.events = []
        self.console = []

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.note(message)

    def note(self, message):
        if message.get("method") == "Runtime.consoleAPICalled":
            self.console.append(" ".join(str(a.get("value", a.get("description", "")))
                                         for a in message["params"]["args"]))
        self.events.append(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, seconds=30):
        """Polls a page expression until it is true; its last value."""
        deadline = time.time() + seconds
        while True:
            value = self.evaluate(expression)
            if value or time.time() > deadline:
                return value
            time.sleep(0.1)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


# Keys as a keyboard sends them: the key, its code and its Windows key code.
SPECIAL_KEYS = {
    "Enter": ("Enter", 13, "\r"), "Tab": ("Tab", 9, ""), "Escape": ("Escape", 27, ""),
    " ": ("Space", 32, " "), "Backspace": ("Backspace", 8, ""), "ArrowDown": ("ArrowDown", 40, ""),
}
CTRL = 2
ALT = 1


def key_fields(key):
    if key in SPECIAL_KEYS:
        code, vk, text = SPECIAL_KEYS[key]
        return {"key": key, "code": code, "windowsVirtualKeyCode": vk, "text": text}
    if key.isalpha():
        return {"key": key, "code": "Key" + key.upper(), "windowsVirtualKeyCode": ord(key.upper()),
                "text": key}
    if key.isdigit():
        return {"key": key, "code": "Digit" + key, "windowsVirtualKeyCode": ord(key), "text": key}
    if key == "_":
        return {"key": key, "code": "Minus", "windowsVirtualKeyCode": 189, "text": key}
    if key == ".":
        return {"key": key, "code": "Period", "windowsVirtualKeyCode": 190, "text": key}
    raise ValueError("no key for %r" % key)


def press(browser, key, modifiers=0):
    fields = key_fields(key)
    text = fields.pop("text")
    if modifiers & ALT:
        browser.call("Input.dispatchKeyEvent", type="keyDown", key="Alt", code="AltLeft",
                     windowsVirtualKeyCode=18, modifiers=ALT)
    if modifiers & CTRL:
        browser.call("Input.dispatchKeyEvent", type="keyDown", key="Control", code="ControlLeft",
                     windowsVirtualKeyCode=17, modifiers=CTRL)
    if modifiers:
        browser.call("Input.dispatchKeyEvent", type="rawKeyDown", modifiers=modifiers, **fields)
    else:
        browser.call("Input.dispatchKeyEvent", type="keyDown", modifiers=modifiers, text=text,
                     **fields)
    browser.call("Input.dispatchKeyEvent", type="keyUp", modifiers=modifiers, **fields)
    if modifiers & CTRL:
        browser.call("Input.dispatchKeyEvent", type="keyUp", key="Control", code="ControlLeft",
                     windowsVirtualKeyCode=17)
    if modifiers & ALT:
        browser.call("Input.dispatchKeyEvent", type="keyUp", key="Alt", code="AltLeft",
                     windowsVirtualKeyCode=18)
    time.sleep(0.15)


def type_text(browser, text):
    for ch in text:
        press(browser, ch)


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("PASS", name)
        else:
            self.failed += 1
            print("FAIL", name, ("(" + detail + ")") if detail else "")
        return ok


def newest_dist():
    folders = sorted(glob.glob(os.path.join(ROOT, "dist", "vusk-sandwich-*-web")), key=os.path.getmtime)
    return folders[-1] if folders else None


def screen_settled(browser, seconds=1.0):
    """Lets the game draw what the last key asked for."""
    time.sleep(seconds)


def read_save(browser, name):
    """The bytes of a file in the game's save folder, as the page sees them."""
    values = browser.evaluate("saveFiles && saveFiles.list().includes(%s) ? Array.from(saveFiles.read(%s)) : null"
                              % (json.dumps(name), json.dumps(name)))
    return bytes(values) if values is not None else None


def type_into_dialog(browser, shortcut, text):
    """File, Save (s) or Load (l) by its shortcut, and text typed over the proposed name."""
    press(browser, shortcut, CTRL)
    screen_settled(browser, 1.5)
    press(browser, "a", CTRL)
    type_text(browser, text)


def through_dialog(browser, shortcut, name):
    """The dialog of the shortcut, the name typed, Enter."""
    type_into_dialog(browser, shortcut, name)
    press(browser, "Enter")


def save_through_dialog(browser, name):
    through_dialog(browser, "s", name)


def load_through_dialog(browser, name):
    through_dialog(browser, "l", name)


def page_ready(browser):
    return browser.wait_for("typeof saveFiles === 'object' && running", 120)


def fields(save):
    """The numbers of a save file, as text."""
    return save.decode("ascii").split()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dist", default=None)
    parser.add_argument("--out", default=os.path.join(ROOT, "build-web-host", "web-test"))
    parser.add_argument("--rewrite", default=os.path.join(ROOT, "build-web-host", "vusk-save-rewrite"))
    args = parser.parse_args()
    dist = args.dist or newest_dist()
    if not dist or not os.path.exists(os.path.join(dist, "index.html")):
        print("No web package: run ./package web first")
        print("0 passed, 1 failed")
        return 1
    if not os.access(args.rewrite, os.X_OK):
        print("No %s: build it with cmake --build build-web-host --target vusk-save-rewrite" % args.rewrite)
        print("0 passed, 1 failed")
        return 1
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    work = tempfile.mkdtemp(prefix="vusk-web-test-")
    profile = os.path.join(work, "profile")
    downloads = os.path.join(work, "downloads")
    os.makedirs(profile)
    os.makedirs(downloads)
    shot = lambda name: browser.screenshot(os.path.join(args.out, name + ".png"))

    server = Server(dist)
    browser = Chromium(profile)
    checks = Checks()
    check = checks.check
    try:
        browser.call("Page.enable")
        browser.call("Runtime.enable")
        browser.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads)

        # The start screen.
        started = time.time()
        browser.call("Page.navigate", url=server.url)
        check("the page is titled Vusk sandwich",
              browser.wait_for("document.title") == "Vusk sandwich")
        check("the game starts", page_ready(browser), "; ".join(browser.console[-5:]))
        check("the page names a favicon that it serves",
              browser.evaluate("fetch(document.querySelector('link[rel=icon]').href).then(r => r.ok)"))
        check("the storage answered", browser.evaluate("saveFiles.storageError") == "",
              str(browser.evaluate("saveFiles.storageError")))
        screen_settled(browser, 2)
        print("start screen after %.1f s" % (time.time() - started))
        shot("1-start")

        # New game by the keyboard (its button has the focus), then a purchase of the first
        # producer (the focus moves to its button).
        press(browser, " ")
        screen_settled(browser)
        shot("2-new-game")
        press(browser, " ")
        screen_settled(browser)
        shot("3-purchase")

        # What the browser does with a key the page prevented: nothing (Ctrl+S would save
        # the page, Ctrl+Q quit some browsers).
        browser.evaluate("window.keyLog = []; addEventListener('keydown', e =>"
                         " keyLog.push((e.ctrlKey ? 'Ctrl+' : '') + e.key + (e.defaultPrevented ? ' prevented' : '')))")
        save_through_dialog(browser, "web_save")
        saved = browser.wait_for("saveFiles.list().includes('web_save.txt')", 10)
        screen_settled(browser)
        shot("4-game-saved")
        check("a save through the dialog writes web_save.txt", saved, str(browser.evaluate("saveFiles.list()")))
        check("the browser's own Ctrl+S is prevented",
              "Ctrl+s prevented" in browser.evaluate("keyLog"), str(browser.evaluate("keyLog")))
        press(browser, "Enter")  # the "Game saved" box
        first = read_save(browser, "web_save.txt")
        check("the save holds one Vusk on the cob bought from 100 vusk",
              first is not None and fields(first)[1] == "1" and float(fields(first)[0]) < 100,
              repr(first))
        check("the page lists the new file",
              browser.evaluate("!!document.querySelector('button[data-name=\"web_save.txt\"]')"))

        # A name already taken: once the dialog has closed, the game asks whether to replace
        # the file (a box over the dialog would hang the page). No, its default, brings the
        # dialog back, and Escape there leaves the file as it was; Yes (Alt+Y) replaces it.
        save_through_dialog(browser, "web_save")
        screen_settled(browser, 1.0)
        shot("4-replace")
        press(browser, "Enter")
        screen_settled(browser, 1.0)
        press(browser, "Escape")
        screen_settled(browser, 1.0)
        check("declining to replace a file leaves it as it was", read_save(browser, "web_save.txt") == first)
        save_through_dialog(browser, "web_save")
        screen_settled(browser, 1.0)
        press(browser, "y", ALT)
        replaced = browser.wait_for("saveFiles.read('web_save.txt').join() !== %s"
                                    % json.dumps(",".join(map(str, first))), 10)
        screen_settled(browser)
        press(browser, "Enter")  # the "Game saved" box
        again = read_save(browser, "web_save.txt")
        check("Yes replaces the file with the game as it is now",
              replaced and again is not None and fields(again)[1:] == fields(first)[1:], repr(again))
        first = again

        # The same file survives a reload, and loads.
        browser.call("Page.reload")
        check("the game starts again after a reload", page_ready(browser))
        check("web_save.txt is still in the save folder", read_save(browser, "web_save.txt") == first)
        screen_settled(browser, 2)
        # Chosen from what the dialog lists: the start of the name brings up the dialog's
        # completions, which come from its view of the folder, and Enter opens the first.
        type_into_dialog(browser, "l", "web_s")
        screen_settled(browser, 1.0)
        shot("5-load-dialog")
        press(browser, "ArrowDown")
        press(browser, "Enter")
        screen_settled(browser, 1.5)
        shot("5-loaded")
        save_through_dialog(browser, "after_load")
        check("a save after the load is written", browser.wait_for("saveFiles.list().includes('after_load.txt')", 10))
        press(browser, "Enter")
        again = read_save(browser, "after_load.txt")
        check("the loaded game goes on from the saved one (same producers, at least as much vusk)",
              again is not None and fields(again)[1:] == fields(first)[1:]
              and float(fields(again)[0]) >= float(fields(first)[0]),
              "%r then %r" % (first, again))

        # The file downloaded through the page, against the desktop build.
        browser.evaluate("document.querySelector('button[data-name=\"web_save.txt\"]').click()")
        downloaded = os.path.join(downloads, "web_save.txt")
        deadline = time.time() + 10
        while not os.path.exists(downloaded) and time.time() < deadline:
            time.sleep(0.1)
        got = open(downloaded, "rb").read() if os.path.exists(downloaded) else None
        check("the page's download gives the save file byte for byte", got == first, repr(got))
        desktop = subprocess.run([args.rewrite, downloaded], capture_output=True).stdout if got else b""
        check("the desktop build writes the downloaded game byte for byte the same", desktop == got,
              "%r against %r" % (desktop, got))

        # A file the desktop build wrote, uploaded through the page, loaded and saved again
        # by the browser build: the same bytes. Nothing is owned, so nothing changes the
        # amount between the load and the save.
        desktop_file = os.path.join(work, "from_desktop.txt")
        with open(desktop_file, "wb") as f:
            f.write(b" 1234.5678 \r\n 0  1  20  0  1 \r\n 0  20  500  0  1 \r\n 0  400  30000  1  1000 \r\n"
                    b" 0  128000  10000000  1  1000000 \r\n 0  0  5000000000  1  1000000000 \r\n")
        desktop_bytes = subprocess.run([args.rewrite, desktop_file], capture_output=True).stdout
        with open(desktop_file, "wb") as f:
            f.write(desktop_bytes)
        document = browser.call("DOM.getDocument")["root"]["nodeId"]
        node = browser.call("DOM.querySelector", nodeId=document, selector="#upload")["nodeId"]
        browser.call("DOM.setFileInputFiles", files=[desktop_file], nodeId=node)
        check("an upload puts the desktop file into the save folder",
              browser.wait_for("saveFiles.list().includes('from_desktop.txt')", 10)
              and read_save(browser, "from_desktop.txt") == desktop_bytes)
        browser.evaluate("document.getElementById('screen').focus()")
        load_through_dialog(browser, "from_desktop.txt")
        screen_settled(browser, 1.5)
        save_through_dialog(browser, "from_browser")
        browser.wait_for("saveFiles.list().includes('from_browser.txt')", 10)
        press(browser, "Enter")
        check("the browser build writes the desktop's game byte for byte the same",
              read_save(browser, "from_browser.txt") == desktop_bytes,
              "%r against %r" % (read_save(browser, "from_browser.txt"), desktop_bytes))

        # Storage that refuses the write: the game must say so.
        browser.evaluate("IDBObjectStore.prototype.put = function() {"
                         " throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); }")
        warnings = len(browser.console)
        save_through_dialog(browser, "refused")
        screen_settled(browser, 1.5)
        shot("6-save-failed")
        check("a refused write is reported by the game",
              any("could not be written to storage" in line for line in browser.console[warnings:]),
              "; ".join(browser.console[warnings:]))
        press(browser, "Enter")
        browser.call("Page.reload")
        page_ready(browser)
        check("the refused file is not in storage after a reload",
              "refused.txt" not in browser.evaluate("saveFiles.list()"))

        # Quit: the page says the game has ended.
        screen_settled(browser, 2)
        press(browser, "q", CTRL)
        ended = browser.wait_for("document.getElementById('notice-title').textContent", 10)
        shot("7-ended")
        check("after Quit the page says the game has ended", ended == "The game has ended", str(ended))
    except Exception as error:  # a step that could not run counts as a failure
        check("the run went through", False, repr(error))
        try:
            shot("error")
        except Exception:
            pass
    finally:
        browser.close()
        server.close()
        shutil.rmtree(work, ignore_errors=True)
    print("screenshots in", args.out)
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
