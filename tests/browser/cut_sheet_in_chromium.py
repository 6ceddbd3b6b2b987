#!/usr/bin/env python3
"""Opens the cut sheet of a generated project in headless Chromium.

Writes a project of two tracks (takes as 16-bit WAV files), builds it with
the real binary, writes its cut sheet, and drives Chromium over the DevTools
protocol on a pipe: the page must load without a console error, show one
lane per take and one crossfade marker per crossfade where the project puts
it, the player of a cut must load the built output and start a second before
the cut, and a screenshot must not be blank. Exits 77 (skipped) with a
message where Chromium cannot run. Standard library only.
"""

import argparse
import array
import base64
import json
import math
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import wave
import zlib

SKIPPED = 77
TIMEOUT_S = 60.0

# The project: rate, crossfade (ms, type), take names by edit point.
EDIT_TIMES = ["0", "1.5", "3", "4.5", "6", "7"]
EDIT_TAKES = ["A", "B", "C", "A", "B", "Z"]
TRACKS = [
    # base name, rate, channels, crossfade ms, crossfade type
    ("drums", 44100, 2, 200, 1),
    # A name that is markup, a fragment and a query in a URL.
    ("b&s <x> #2?", 48000, 1, 50, 2),
]
TAKE_SECONDS = 8


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


def write_take(path, rate, channels, frequency):
    frames = TAKE_SECONDS * rate
    step = 2 * math.pi * frequency / rate
    samples = array.array("h")
    for n in range(frames):
        value = int(16000 * math.sin(step * n))
        samples.extend([value] * channels)
    if sys.byteorder != "little":
        samples.byteswap()
    with wave.open(path, "wb") as take:
        take.setnchannels(channels)
        take.setsampwidth(2)
        take.setframerate(rate)
        take.writeframes(samples.tobytes())


def write_project(folder):
    with open(os.path.join(folder, "base.txt"), "w") as base:
        base.write("".join(track[0] + "\n" for track in TRACKS))
    with open(os.path.join(folder, "points.txt"), "w") as points:
        points.write("".join(t + "\t" + k + "\n" for t, k in zip(EDIT_TIMES, EDIT_TAKES)))
    with open(os.path.join(folder, "wexmontrc.txt"), "w") as rc:
        for number, (_, _, _, ms, kind) in enumerate(TRACKS, 1):
            rc.write("xf_tr\t%d\t%d\t%d\n" % (number, ms, kind))
    for t, (base, rate, channels, _, _) in enumerate(TRACKS):
        for k, take in enumerate(sorted(set(EDIT_TAKES))):
            write_take(os.path.join(folder, base + take + ".wav"), rate, channels,
                       110 * (k + 1) + 50 * t)


def expected_track(track):
    """What the project says, worked out here: lanes, segments, crossfades."""
    base, rate, _, ms, _ = track
    positions = [int(float(t) * rate) for t in EDIT_TIMES]
    fade = ms * rate // 1000
    takes = []
    for take in EDIT_TAKES:
        if take not in takes:
            takes.append(take)
    crossfades = [(p - fade // 2, fade) for p in positions[1:-1]]
    return {
        "lanes": [base + take + ".wav" for take in takes],
        "length": positions[-1],
        "segments": [(p, n - p, takes.index(k))
                     for p, n, k in zip(positions, positions[1:], EDIT_TAKES)],
        "crossfades": crossfades,
        "players": [(max(0, p - rate), min(positions[-1], p + rate), rate)
                    for p in positions[1:-1]],
        "output": base + "_bld.wav",
    }


class Browser:
    """Chromium driven over --remote-debugging-pipe (fd 3 in, fd 4 out)."""

    def __init__(self, chromium, profile):
        to_browser = os.pipe()
        from_browser = os.pipe()

        def wire_pipes():
            high_in = os.dup(to_browser[0])
            high_out = os.dup(from_browser[1])
            os.dup2(high_in, 3)
            os.dup2(high_out, 4)

        self.process = subprocess.Popen(
            [chromium, "--headless=new", "--no-sandbox", "--disable-gpu",
             "--remote-debugging-pipe", "--user-data-dir=" + profile,
             "--no-first-run", "--no-default-browser-check", "--mute-audio",
             "--autoplay-policy=no-user-gesture-required", "--window-size=1280,1024",
             "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            preexec_fn=wire_pipes, pass_fds=(3, 4))
        os.close(to_browser[0])
        os.close(from_browser[1])
        self.writer = to_browser[1]
        self.reader = from_browser[0]
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None

    def close(self):
        try:
            self.call("Browser.close", session=False)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.writer)
        os.close(self.reader)

    def _receive(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no answer from Chromium")
            ready, _, _ = select.select([self.reader], [], [], left)
            if ready:
                chunk = os.read(self.reader, 1 << 16)
                if not chunk:
                    raise EOFError("Chromium closed its pipe")
                self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.writer, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + TIMEOUT_S
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            self.events.append(answer)

    def wait_for(self, method):
        deadline = time.monotonic() + TIMEOUT_S
        while not any(event.get("method") == method for event in self.events):
            self.events.append(self._receive(deadline))

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": True})
        if "exceptionDetails" in result:
            fail("the page's script failed: %s" % json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def press(self, key, code, text=""):
        for kind in ("keyDown", "keyUp"):
            params = {"type": kind, "key": key, "code": code}
            if text and kind == "keyDown":
                params["text"] = text
            self.call("Input.dispatchKeyEvent", params)

    def console_errors(self):
        errors = []
        for event in self.events:
            method, params = event.get("method"), event.get("params", {})
            if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                errors.append(json.dumps(params.get("args")))
            elif method == "Runtime.exceptionThrown":
                errors.append(json.dumps(params.get("exceptionDetails")))
            elif method == "Log.entryAdded" and params["entry"].get("level") == "error":
                errors.append(params["entry"].get("text", ""))
        return errors


def png_pixels(png):
    """Width, height and rows of RGB(A) bytes of an 8-bit PNG, unfiltered."""
    position, data = 8, b""
    while position < len(png):
        length = int.from_bytes(png[position:position + 4], "big")
        kind = png[position + 4:position + 8]
        body = png[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height = int.from_bytes(body[0:4], "big"), int.from_bytes(body[4:8], "big")
            depth, color = body[8], body[9]
        elif kind == b"IDAT":
            data += body
        position += 12 + length
    if depth != 8 or color not in (2, 6):
        fail("the screenshot is no 8-bit RGB PNG")
    size = 3 if color == 2 else 4
    raw, stride, rows, previous = zlib.decompress(data), width * size, [], bytearray(width * size)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = row[x - size] if x >= size else 0
            up, corner = previous[x], previous[x - size] if x >= size else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                row[x] = (row[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(row))
        previous = row
    return width, height, size, rows


PAGE_FACTS = r"""
(() => {
  const tracks = [...document.querySelectorAll('section.track')].map(section => {
    const svg = section.querySelector('svg.overview');
    const box = svg.getBoundingClientRect();
    const unit = box.width / svg.viewBox.baseVal.width;  // page pixels per picture unit
    const place = element => {
      const r = element.getBoundingClientRect();
      return {x: (r.left - box.left) / unit, y: (r.top - box.top) / unit,
              width: r.width / unit, height: r.height / unit};
    };
    return {
      frames: Number(svg.dataset.frames),
      left: Number(svg.dataset.timelineLeft), width: Number(svg.dataset.timelineWidth),
      lanes: [...svg.querySelectorAll('g.lane')].map(lane => ({
        name: lane.dataset.name, take: Number(lane.dataset.take),
        box: place(lane.querySelector('rect'))})),
      segments: [...svg.querySelectorAll('rect.segment')].map(rect => ({
        first: Number(rect.dataset.first), frames: Number(rect.dataset.frames),
        take: Number(rect.dataset.take), box: place(rect)})),
      crossfades: [...svg.querySelectorAll('g.crossfade')].map(mark => ({
        first: Number(mark.dataset.first), frames: Number(mark.dataset.frames),
        box: place(mark.querySelector('rect'))})),
      pictures: section.querySelectorAll('svg.cut-picture polygon.wave').length,
      players: [...section.querySelectorAll('audio.player')].map(player => ({
        src: player.getAttribute('src'), first: Number(player.dataset.firstFrame),
        end: Number(player.dataset.endFrame)})),
    };
  });
  return {tracks, cuts: document.querySelectorAll('article.cut').length};
})()
"""

# Plays the cut that is selected, with the keyboard, and reports where the
# player started.
PLAY_STARTED = r"""
new Promise((resolve) => {
  const player = document.querySelector('article.cut.current audio.player');
  if (!player) { resolve({error: 'the selected cut has no player'}); return; }
  if (!player.paused && player.readyState >= 3) { resolve(report(player)); return; }
  function report(p) {
    return {currentTime: p.currentTime, paused: p.paused, readyState: p.readyState,
            duration: p.duration, error: p.error && p.error.code, src: p.currentSrc,
            start: Number(p.dataset.start)};
  }
  player.addEventListener('playing', () => resolve(report(player)), {once: true});
  player.addEventListener('error', () => resolve(report(player)), {once: true});
  setTimeout(() => resolve(report(player)), 20000);
})
"""

LOAD_PLAYER = r"""
new Promise((resolve) => {
  const player = document.querySelectorAll('section.track')[%d].querySelector('audio.player');
  const report = () => resolve({duration: player.duration, currentTime: player.currentTime,
                                error: player.error && player.error.code});
  player.addEventListener('loadedmetadata', report, {once: true});
  player.addEventListener('error', report, {once: true});
  player.preload = 'metadata';
  player.load();
  setTimeout(report, 20000);
})
"""


def near(a, b, tolerance):
    return abs(a - b) <= tolerance


def check_track(facts, expected, number):
    where = "track %d: " % number
    if [lane["name"] for lane in facts["lanes"]] != expected["lanes"]:
        fail(where + "lanes %s, expected %s" % ([l["name"] for l in facts["lanes"]],
                                                 expected["lanes"]))
    if facts["frames"] != expected["length"]:
        fail(where + "timeline of %d frames, expected %d" % (facts["frames"], expected["length"]))
    x_of = lambda frame: facts["left"] + frame * facts["width"] / expected["length"]
    got = [(s["first"], s["frames"], s["take"]) for s in facts["segments"]]
    if got != expected["segments"]:
        fail(where + "segments %s, expected %s" % (got, expected["segments"]))
    for segment in facts["segments"]:
        lane = facts["lanes"][segment["take"]]["box"]
        box = segment["box"]
        if not (lane["y"] <= box["y"] and box["y"] + box["height"] <= lane["y"] + lane["height"]):
            fail(where + "segment at %d drawn outside its take's lane" % segment["first"])
        if not near(box["x"], x_of(segment["first"]), 1.0):
            fail(where + "segment at %d drawn at x %.1f" % (segment["first"], box["x"]))
    got = [(c["first"], c["frames"]) for c in facts["crossfades"]]
    if got != expected["crossfades"]:
        fail(where + "crossfade markers %s, expected %s" % (got, expected["crossfades"]))
    for mark in facts["crossfades"]:
        box = mark["box"]
        if not (near(box["x"], x_of(mark["first"]), 1.0)
                and near(box["x"] + box["width"], x_of(mark["first"] + mark["frames"]), 1.0)):
            fail(where + "crossfade at %d drawn from x %.1f, width %.1f, expected %.1f to %.1f"
                 % (mark["first"], box["x"], box["width"], x_of(mark["first"]),
                    x_of(mark["first"] + mark["frames"])))
    if facts["pictures"] < 2 * (len(EDIT_TIMES) - 1):
        fail(where + "%d waveforms in the cut pictures" % facts["pictures"])
    got = [(p["first"], p["end"]) for p in facts["players"]]
    if got != [(first, end) for first, end, _ in expected["players"]]:
        fail(where + "players of frames %s, expected %s" % (got, expected["players"]))


def check_screenshot(browser, folder):
    png = base64.b64decode(browser.call("Page.captureScreenshot", {"format": "png"})["data"])
    with open(os.path.join(folder, "sheet_screenshot.png"), "wb") as shot:
        shot.write(png)
    width, height, size, rows = png_pixels(png)
    colours, inked = set(), 0
    background = rows[0][0:3]
    for row in rows[::4]:
        for x in range(0, width * size, size * 4):
            pixel = row[x:x + 3]
            colours.add(pixel)
            inked += pixel != background
    if len(colours) < 8 or inked < 0.02 * (width // 4) * (height // 4):
        fail("the screenshot is blank: %d colours, %d inked samples" % (len(colours), inked))


def check_players(browser):
    # Select the second edit point of track 1 (the first cut) and play it.
    for _ in range(2):
        browser.press("j", "KeyJ", "j")
    selected = browser.evaluate("document.querySelector('article.cut.current').id")
    if selected != "t1-e2":
        fail("j j selected %s, not the first cut t1-e2" % selected)
    browser.press(" ", "Space", " ")
    started = browser.evaluate(PLAY_STARTED)
    expected = expected_track(TRACKS[0])
    first, _, rate = expected["players"][0]
    if started.get("error") or started.get("readyState", 0) < 2:
        fail("the player of the first cut did not load the output: %s" % started)
    if not near(started["duration"], expected["length"] / rate, 0.01):
        fail("the player plays %.3f s, the output lasts %.3f s"
             % (started["duration"], expected["length"] / rate))
    if not near(started["currentTime"], first / rate, 0.05) or started["paused"]:
        fail("the player of the first cut started at %.3f s, expected %.3f s: %s"
             % (started["currentTime"], first / rate, started))
    if not started["src"].endswith("/drums_bld.wav#t=0.500000,2.500000"):
        fail("the player plays %s" % started["src"])
    # The other output's name needs every escape a URL has.
    loaded = browser.evaluate(LOAD_PLAYER % 1)
    other = expected_track(TRACKS[1])
    if loaded.get("error") or not near(loaded["duration"], other["length"] / TRACKS[1][1], 0.01):
        fail("the player of %r did not load its output: %s" % (other["output"], loaded))
    if not near(loaded["currentTime"], other["players"][0][0] / TRACKS[1][1], 0.01):
        fail("the player of %r starts at %s" % (other["output"], loaded["currentTime"]))


def run_wexmont(wexmont, folder, *arguments):
    result = subprocess.run([os.path.abspath(wexmont), *arguments], cwd=folder, capture_output=True, text=True,
                            timeout=TIMEOUT_S)
    if result.returncode != 0:
        fail("wexmont %s: status %d\n%s" % (" ".join(arguments), result.returncode, result.stdout))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wexmont", required=True)
    parser.add_argument("--keep", help="leave the project, the sheet and the screenshot here")
    options = parser.parse_args()
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("SKIPPED: no chromium here (Debian package chromium)")
        return SKIPPED
    folder = options.keep or tempfile.mkdtemp(prefix="wexmont_sheet_")
    os.makedirs(folder, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="wexmont_chromium_")
    try:
        write_project(folder)
        run_wexmont(options.wexmont, folder)
        run_wexmont(options.wexmont, folder, "--sheet")
        try:
            browser = Browser(chromium, profile)
            browser.call("Browser.getVersion", session=False)
        except (OSError, EOFError, TimeoutError) as error:
            print("SKIPPED: chromium cannot run here: %s" % error)
            return SKIPPED
        try:
            target = browser.call("Target.createTarget", {"url": "about:blank"}, session=False)
            browser.session = browser.call("Target.attachToTarget", {
                "targetId": target["targetId"], "flatten": True}, session=False)["sessionId"]
            for domain in ("Page", "Runtime", "Log"):
                browser.call(domain + ".enable")
            browser.call("Page.navigate", {
                "url": "file://" + os.path.abspath(os.path.join(folder, "wexmont_sheet.html"))})
            browser.wait_for("Page.loadEventFired")
            facts = browser.evaluate(PAGE_FACTS)
            if len(facts["tracks"]) != len(TRACKS):
                fail("%d tracks on the page" % len(facts["tracks"]))
            for number, (track, got) in enumerate(zip(TRACKS, facts["tracks"]), 1):
                check_track(got, expected_track(track), number)
            check_players(browser)
            check_screenshot(browser, folder)
            errors = browser.console_errors()
            if errors:
                fail("console errors:\n" + "\n".join(errors))
        finally:
            browser.close()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
        if not options.keep:
            shutil.rmtree(folder, ignore_errors=True)
    print("the cut sheet shows %d tracks as planned, plays its cuts, and draws a picture"
          % len(TRACKS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
