#!/usr/bin/env python3
"""Writes a set of small, varied Wexmont projects for scripts/compare_builds.sh.

    make_compare_projects.py OUT_DIR [--count N] [--seed S]

Each project is a folder OUT_DIR/pNNN holding base.txt, points.txt, usually a
wexmontrc.txt, and its takes. OUT_DIR/manifest.tsv has one line per project:
its name, the one argument to run wexmont with ("-" for none), and tags that
say what the project exercises, as foreseen by a model of the edit plan.

Both builds under comparison only need the same set, but it is made
deterministic from the seed so that a difference can be made again and looked
at; each project draws from its own generator, so a larger --count keeps the
projects of a smaller one. The takes are written byte by byte rather than by
a library because the layouts that matter here (chunks before "fmt ", odd
chunks with their pad byte, WAVE_FORMAT_EXTENSIBLE) are what libraries
normalise away.
"""

import argparse
import math
import os
import random
import struct
import sys

# Weighted tables: each maps a variant to how often it is drawn.
TRACK_COUNTS = {0: 4, 1: 30, 2: 30, 3: 18, 4: 18}
FIRST_TIMES = {"zero": 70, "negative": 10, "leadin": 20}
# Time-aligned takes mostly end together; some stop early (tail pads), some run on.
TAKE_SHAPES = {(1.0, 1.0): 40, (0.3, 0.95): 35, (1.0, 1.3): 25}
FMT_CHUNKS = {"canonical": 60, "extensible": 30, "cbsize": 10}
SIGNALS = {"noise": 45, "tone": 40, "dc": 15}

# Chances per take of a chunk at each place besides "fmt " and "data".
EXTRA_CHUNKS = {"before_fmt": 0.15, "between": 0.15, "trailing": 0.15}

RATES = (8000, 22050, 44100, 48000)
CROSSFADE_LENGTHS = ("0", "1", "5", "50", "200", "500")
BASE_NAMES = ("drums", "bass", "vox", "gtr L", "kick-in", "room", "pno")
TAKE_NAMES = ("A", "B", "C", "D", "Z", "2", "take 3", " alt")
PLAIN_SUFFIXES = ("_v2.wav", "-mix.wav", ".wav", "_final take.wav")

# Every refusal the set provokes, each in about one project of 25.
REFUSALS = {
    "out_of_order": "two edit times swapped",
    "missing_take": "one take file left out",
    "format_mismatch": "one take of the first track at another rate, width or channel count",
    "beyond_end": "a take of the first track that ends before its own edit point",
    "suffix_clash": "a suffix that gives the first output the name of a take",
}
REFUSED_SHARE = 0.2

# KSDATAFORMAT_SUBTYPE_PCM as stored in a file.
PCM_SUBFORMAT = bytes.fromhex("0100000000001000800000aa00389b71")
CHANNEL_MASKS = {1: 0x4, 2: 0x3}

# Wexmont finds "fmt" and "data" by scanning bytes, so text in front of the
# sample area must not hold them; wav_bytes checks every file it makes.
CHUNK_TEXTS = (
    b"Wexmont compare set",
    b"room mic, second row",
    b"take recorded late",
    b"odd",
    b"x",
    b"notes: keep the count-in",
)


def pick(rng, table):
    return rng.choices(list(table), list(table.values()))[0]


def float32(value):
    """A time or length as Wexmont holds it: a C float."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def position(time_text, rate):
    """Frame of an edit time as the plan places it; a negative first time starts at 0."""
    return int(float32(max(float(time_text), 0.0)) * rate)


class TakeFormat:
    def __init__(self, rate, bits, channels):
        self.rate, self.bits, self.channels = rate, bits, channels

    @classmethod
    def drawn(cls, rng):
        return cls(rng.choice(RATES), rng.choice((16, 24)), rng.randint(1, 2))

    @property
    def block(self):
        return self.bits // 8 * self.channels

    def key(self):
        return (self.rate, self.bits, self.channels)

    def with_one_field_changed(self, rng):
        field = rng.choice(("rate", "bits", "channels"))
        if field == "rate":
            rate = rng.choice([r for r in RATES if r != self.rate])
            return TakeFormat(rate, self.bits, self.channels)
        if field == "bits":
            return TakeFormat(self.rate, 40 - self.bits, self.channels)
        return TakeFormat(self.rate, self.bits, 3 - self.channels)


# ---- RIFF/WAVE writing ----------------------------------------------------


def chunk(tag, body):
    """An odd body gets its pad byte, or every later chunk would sit at an odd offset."""
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack("<I", len(body)) + body + pad


def extra_chunk(rng):
    if rng.random() < 0.5:
        text = rng.choice(CHUNK_TEXTS)[: rng.randint(1, 19)]
        return chunk(b"JUNK", text + b"\0" * rng.randint(0, 3))
    parts = b"INFO"
    for tag in rng.sample((b"INAM", b"IART", b"ICMT", b"ISFT"), rng.randint(1, 3)):
        parts += chunk(tag, rng.choice(CHUNK_TEXTS) + b"\0" * rng.randint(0, 1))
    return chunk(b"LIST", parts)


def fmt_chunk(fmt, kind):
    byte_rate = fmt.rate * fmt.block
    fields = struct.pack("<HIIHH", fmt.channels, fmt.rate, byte_rate, fmt.block, fmt.bits)
    if kind == "extensible":
        tail = struct.pack("<HHI", 22, fmt.bits, CHANNEL_MASKS[fmt.channels]) + PCM_SUBFORMAT
        return chunk(b"fmt ", struct.pack("<H", 0xFFFE) + fields + tail)
    if kind == "cbsize":  # an 18-byte chunk: plain PCM with an empty extension
        return chunk(b"fmt ", struct.pack("<H", 1) + fields + struct.pack("<H", 0))
    return chunk(b"fmt ", struct.pack("<H", 1) + fields)


def wav_bytes(rng, fmt, samples, layout):
    head = b"WAVE"
    if "before_fmt" in layout:
        head += extra_chunk(rng)
    fmt_at = 8 + len(head)
    head += fmt_chunk(fmt, next(k for k in FMT_CHUNKS if k in layout))
    if "between" in layout:
        head += extra_chunk(rng)
    data_at = 8 + len(head)
    tail = b""
    if "trailing" in layout:  # behind the samples a "data" in the text is harmless
        tail = chunk(b"LIST", b"INFO" + chunk(b"ICMT", b"metadata after the samples"))
    body = head + chunk(b"data", samples) + tail
    whole = b"RIFF" + struct.pack("<I", len(body)) + body
    # Wexmont must find the tags meant, not a stray copy in our own text.
    assert whole.find(b"fmt") == fmt_at and whole.find(b"data") == data_at, layout
    assert layout != {"canonical"} or data_at + 8 == 44
    return whole, len(whole) - (data_at + 8)


# ---- signals --------------------------------------------------------------

# Arithmetic right shifts of a sample's top byte lower the level of uniform
# noise at C speed; a per-sample Python loop would make the set slow to write.
SHIFT_TABLES = {
    k: bytes(((b - 256 if b >= 128 else b) >> k) & 0xFF for b in range(256)) for k in range(8)
}


def pack_samples(values, bits):
    return b"".join(v.to_bytes(bits // 8, "little", signed=True) for v in values)


def signal(rng, fmt, frames):
    """Sample bytes and whether they are loud enough to clip on the equal-power curve."""
    width = fmt.bits // 8
    full = (1 << (fmt.bits - 1)) - 1
    kind = pick(rng, SIGNALS)
    if kind == "noise":
        shift = rng.choice((0, 0, 1, 3, 6))
        raw = bytearray(rng.randbytes(frames * fmt.block))
        if shift:
            raw[width - 1 :: width] = raw[width - 1 :: width].translate(SHIFT_TABLES[shift])
        return bytes(raw), shift == 0
    level = rng.choice((1.0, 0.97, 0.5, 0.1, 0.01))
    if kind == "dc":
        values = [round(level * full) * rng.choice((1, -1)) for _ in range(fmt.channels)]
        return pack_samples(values, fmt.bits) * frames, level > 0.9
    # A stretch of tone repeated: its length is no round number of frames, so
    # a frame offset between builds still shows in the bytes.
    stretch = max(1, min(frames, rng.randint(1000, 3000)))
    tones = [rng.uniform(40, fmt.rate / 5) for _ in range(fmt.channels)]
    values = [
        round(level * full * math.sin(2 * math.pi * tone * n / fmt.rate))
        for n in range(stretch)
        for tone in tones
    ]
    data = pack_samples(values, fmt.bits) * (frames // stretch + 1)
    return data[: frames * fmt.block], level > 0.9


# ---- project text files -----------------------------------------------------


def time_text(rng, value, whole_ok):
    """A time as a person might write it: 2, 1.5, 1.2345."""
    if whole_ok and rng.random() < 0.3:
        return str(round(value))
    return f"{value:.{rng.randint(1, 4)}f}"


def edit_times(rng, n_edits, seconds):
    first = pick(rng, FIRST_TIMES)
    if first == "zero":
        times = ["0"]
    elif first == "negative":
        times = [f"-{rng.uniform(0.05, 1.0):.3f}"]
    else:
        times = [time_text(rng, rng.uniform(0.001, 0.4 * seconds), False)]
    start = max(float(times[0]), 0.0)
    later = []
    for _ in range(n_edits - 1):
        if later and rng.random() < 0.2:
            later.append(rng.choice(later))  # equal times: a segment of no frames
        else:
            later.append(time_text(rng, rng.uniform(start, seconds * 1.15), seconds > 1.5))
    # Rounding may have put a time below the first one.
    later = [t if float(t) >= start else times[0] for t in later]
    return times + sorted(later, key=float)


def crossfade_settings(rng, n_tracks):
    """wexmontrc.txt and the (length, type) each track ends up with."""
    lines, per_track, every = [], {}, None
    if rng.random() < 0.25:
        lines.append("my settings for this session")
    if rng.random() < 0.75:
        every = (rng.choice(CROSSFADE_LENGTHS), rng.randint(0, 4))
        lines.append(f"xf_all\t{every[0]}\t{every[1]}")
    for _ in range(rng.choice((0, 0, 1, 2))):
        track = rng.randint(1, 4)
        per_track[track] = (rng.choice(CROSSFADE_LENGTHS), rng.randint(0, 4))
        lines.append(f"xf_tr\t{track}\t{per_track[track][0]}\t{per_track[track][1]}")
    if rng.random() < 0.15:
        lines.append("(xf_all\t200\t1)")  # inactive, as in the template
    resolved = []
    for track in range(1, n_tracks + 1):
        length, kind = per_track.get(track, ("0", 0))
        if kind == 0 and every and every[1] != 0:
            length, kind = every  # xf_all fills the tracks left at type 0, xf_tr ones too
        resolved.append((float32(float(length)), kind))
    return "\n".join(lines) + "\n", resolved


# ---- the model of the edit plan -----------------------------------------------


def plan_tags(times, fmt, takes, crossfade):
    """What one track's build will do, or None when the plan refuses it.
    `takes` holds per edit point (frames, bytes from the first sample to the
    end of the file): a crossfade may start past the samples, not past the file."""
    positions = [position(t, fmt.rate) for t in times]
    longest = max(frames for frames, _ in takes)
    output_frames = min(positions[-1], longest)
    length_ms, kind = crossfade
    crossfade_frames = int(max(length_ms, 0.0) / 1000.0 * fmt.rate)
    tags = set()
    for k in range(len(times) - 1):
        end = min(positions[k + 1], longest)
        if positions[k] > takes[k][0]:
            return None
        if end - positions[k] < 1:
            continue  # an empty segment is skipped whole
        if takes[k][0] < end:
            tags.add("tailpad")
        if k == 0:
            if positions[0] >= 1:
                tags.add("leadin")
            continue
        if kind == 0 or positions[k] <= crossfade_frames / 2:
            continue  # a hard cut
        start = positions[k] - crossfade_frames // 2
        if any(start * fmt.block > takes[j][1] for j in (k - 1, k)):
            tags.add("xfade_failed")  # "Crossfade failed." and a hard cut
        elif min(crossfade_frames, output_frames - start) > 0:
            tags.add("xfade")
        else:
            tags.add("xfade_empty")  # rendered and removed, nothing blended
    return tags


def take_lengths(rng, nominal, names, times, rate, take_names):
    frames = {name: round(nominal * rng.uniform(*pick(rng, TAKE_SHAPES))) for name in names}
    # No take may end before an edit point that starts in it; one that ends
    # exactly there is kept, as the edge it is.
    for k in range(len(times) - 1):
        frames[take_names[k]] = max(frames[take_names[k]], position(times[k], rate))
    return frames


def cut_short(rng, times, rate, frames, take_names):
    """Ends one take before its own edit point; False when every edit sits at frame 0."""
    reachable = [k for k in range(len(times) - 1) if position(times[k], rate) >= 1]
    if not reachable:
        return False
    k = rng.choice(reachable)
    at = position(times[k], rate)
    frames[take_names[k]] = at - rng.randint(1, min(at, 2000))
    return True


# ---- one project ----------------------------------------------------------------


def choose_refusal(rng, n_tracks, times, take_names, crlf):
    if not n_tracks or rng.random() >= REFUSED_SHARE:
        return None
    refusal = rng.choice(list(REFUSALS))
    if refusal == "out_of_order" and len({float(t) for t in times}) < 2:
        return "missing_take"
    if refusal == "format_mismatch" and len(set(take_names)) < 2:
        return "missing_take"  # one take for every edit leaves nothing to disagree
    if refusal == "suffix_clash" and crlf:
        return "missing_take"  # a CR has no place in a manifest line
    return refusal


def make_project(seed, index):
    rng = random.Random(f"{seed}/{index}")
    name = f"p{index:03d}"
    files, tags, argument = {}, set(), "-"

    n_tracks = pick(rng, TRACK_COUNTS)
    n_edits = rng.randint(1, 8)
    seconds = rng.uniform(0.2, 3.0)
    pool = rng.sample(TAKE_NAMES, rng.randint(1, min(n_edits, 4)))
    take_names = [rng.choice(pool) for _ in range(n_edits)]
    times = edit_times(rng, n_edits, seconds)
    bases = rng.sample(BASE_NAMES, n_tracks)
    shared = TakeFormat.drawn(rng)
    formats = [shared if rng.random() < 0.55 else TakeFormat.drawn(rng) for _ in bases]
    rc_text, crossfades = crossfade_settings(rng, n_tracks)

    # CR LF lines make names that end in CR, and the takes are named so.
    crlf = n_tracks > 0 and rng.random() < 0.04
    if crlf:
        tags.add("crlf")
        bases = [b + "\r" for b in bases]
        take_names = [t + "\r" for t in take_names]
        pool = [t + "\r" for t in pool]
    refusal = choose_refusal(rng, n_tracks, times, take_names, crlf)
    if refusal == "out_of_order":
        low, high = sorted(rng.sample(range(n_edits), 2))
        while float(times[low]) == float(times[high]):
            low, high = sorted(rng.sample(range(n_edits), 2))
        times[low], times[high] = times[high], times[low]

    base_lines = list(bases)
    if rng.random() < 0.15:
        base_lines.insert(rng.randint(0, len(base_lines)), "")  # blank lines are skipped
    files["base.txt"] = "".join(b + "\n" for b in base_lines).encode()
    points = "".join(f"{t}\t{n}\n" for t, n in zip(times, take_names))
    if rng.random() < 0.2:
        points = points[:-1]  # no line feed after the last edit point
    files["points.txt"] = points.encode()
    if rng.random() < 0.85:
        files["wexmontrc.txt"] = rc_text.encode()
    else:
        tags.add("rc_template")  # the run writes the template and cuts hard
        crossfades = [(0.0, 0)] * n_tracks

    if refusal == "format_mismatch":
        mismatched = rng.choice(sorted(set(take_names) - {take_names[0]}))
    for t, (base, fmt) in enumerate(zip(bases, formats)):
        nominal = max(1, round(seconds * fmt.rate))
        frames = take_lengths(rng, nominal, pool, times, fmt.rate, take_names)
        if refusal == "beyond_end" and t == 0:
            if not cut_short(rng, times, fmt.rate, frames, take_names):
                refusal = "missing_take"
        loud = False
        sample_bytes = {}
        for take in pool:
            layout = {pick(rng, FMT_CHUNKS)}
            layout |= {place for place, p in EXTRA_CHUNKS.items() if rng.random() < p}
            take_fmt = fmt
            if refusal == "format_mismatch" and t == 0 and take == mismatched:
                take_fmt = fmt.with_one_field_changed(rng)
            samples, take_loud = signal(rng, take_fmt, frames[take])
            loud |= take_loud
            tags |= layout - {"canonical"}
            if len(samples) % 2:
                tags.add("odd_data")
            whole, sample_bytes[take] = wav_bytes(rng, take_fmt, samples, layout)
            files[base + take + ".wav"] = whole
        if refusal is None:
            takes = [(frames[n], sample_bytes[n]) for n in take_names]
            track_tags = plan_tags(times, fmt, takes, crossfades[t])
            assert track_tags is not None, (name, base)
            tags |= track_tags
            if loud and "xfade" in track_tags:
                tags.add("loud_xfade")

    if refusal == "missing_take":
        del files[rng.choice(bases) + rng.choice(take_names) + ".wav"]
    if refusal == "suffix_clash":
        argument = take_names[0] + ".wav"
    elif not crlf and rng.random() < 0.08:
        argument = rng.choice(PLAIN_SUFFIXES)
    tags.add(f"refuse:{refusal}" if refusal else "build")

    # Leftovers of an earlier run: both builds must replace them alike.
    if n_tracks and refusal != "suffix_clash" and rng.random() < 0.06:
        output = bases[0] + ("_bld.wav" if argument == "-" else argument)
        files[output] = rng.randbytes(rng.randint(10, 5000))
        tags.add("stale_output")
    if n_tracks and rng.random() < 0.04:
        files["xfade_temp.wav"] = rng.randbytes(44)
        tags.add("stale_temp")

    for tag, holds in (
        ("no_tracks", n_tracks == 0),
        ("one_edit", n_edits == 1),
        ("equal_times", len({float(t) for t in times}) < n_edits),
        ("negative_first", float(times[0]) < 0),
        ("mixed_formats", len({f.key() for f in formats}) > 1),
        ("argument", argument != "-"),
    ):
        if holds:
            tags.add(tag)
    return name, files, argument, tags


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out_dir")
    parser.add_argument("--count", type=int, default=120)
    parser.add_argument("--seed", default="1")
    args = parser.parse_args()

    os.makedirs(args.out_dir, exist_ok=True)
    with open(os.path.join(args.out_dir, "manifest.tsv"), "w") as manifest:
        for index in range(1, args.count + 1):
            name, files, argument, tags = make_project(args.seed, index)
            folder = os.path.join(args.out_dir, name)
            os.makedirs(folder)
            for file_name, data in files.items():
                with open(os.path.join(folder, file_name), "wb") as out:
                    out.write(data)
            manifest.write(f"{name}\t{argument}\t{','.join(sorted(tags))}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
