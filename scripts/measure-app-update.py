#!/usr/bin/python3
"""Part of scripts/measure-app.sh: runs one simulated update through the updater's
window (pressing Update through the accessibility bus, on a desktop of its own) and
prints, from the program's measurement trace: the transfer against its pacing
floor, the longest main-loop turn during the transfer, and the pixels pushed to the
screen per progress change against the window's area.

usage: measure-app-update.py PROGRAM TRANSFER_MESSAGES
"""
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "Portable", "MainWindow", "e2e"))
import e2e  # noqa: E402

IDLE_RATE_MS = 50
TITLE = "Kelt Podium LX OS Update"


def read_trace(path):
    events = []
    with open(path) as f:
        for line in f:
            parts = line.rstrip("\n").split(" ", 2)
            if len(parts) >= 2:
                events.append((int(parts[0]), parts[1], parts[2] if len(parts) > 2 else ""))
    return events


def first(events, kind, text, after):
    return next((t for t, k, rest in events if k == kind and rest == text and t > after), None)


def main():
    program, messages = sys.argv[1], int(sys.argv[2])
    e2e.enter_private_session()
    work = tempfile.mkdtemp(prefix="kelt-measure-")
    trace = os.path.join(work, "trace")
    desktop = e2e.Desktop(work)
    window = e2e.Program(desktop, [program, "--simulate"], "kelt-podium-update",
                         {"KELT_MEASURE_TRACE": trace})
    try:
        atspi = desktop.atspi
        window.find(atspi.ROLE_FRAME, TITLE, timeout=20)
        e2e.wait_until(lambda: window.is_enabled(window.button("Update")), "Update enabled", 20)
        pressed = int(time.monotonic() * 1e6)  # the trace's clock: CLOCK_MONOTONIC in µs
        window.press(window.button("Update"))
        # Looked at seldom: every look is work for the program's loop, which is measured.
        e2e.wait_until(lambda: window.all(atspi.ROLE_PUSH_BUTTON, "Done"), "the update done", 60,
                       interval=0.5)
        # The instrument's last progress reports and its return come after the title.
        e2e.wait_until(lambda: "Done!" in window.texts(), "the instrument back", 20, interval=0.5)
        window.press(window.button("Done"))
        window.wait_exit(10)
    finally:
        window.close()
        desktop.close()

    events = read_trace(trace)
    os.unlink(trace)
    os.rmdir(work)
    began = first(events, "enabled", "0 Quit", pressed)
    ended = first(events, "enabled", "1 Quit", began or pressed)
    if began is None or ended is None:
        sys.exit("the trace shows no transfer (Quit never disabled and enabled again)")
    floor_ms = messages * IDLE_RATE_MS
    took_ms = (ended - began) / 1000
    print(f"transfer of {messages} messages: {took_ms:.0f} ms against a floor of {floor_ms} ms: "
          f"ratio {took_ms / floor_ms:.3f}")
    turns = [int(rest) for t, kind, rest in events if kind == "turn" and began <= t <= ended]
    print(f"main-loop turns during the transfer: {len(turns)}, longest {max(turns) / 1000:.1f} ms, "
          f"median {statistics.median(turns) / 1000:.2f} ms")

    # Frames of the main window between one progress change and the next.
    changes = [t for t, kind, _ in events if kind == "progress" and t > pressed]
    paints = []
    area = 0
    for t, kind, rest in events:
        if kind == "paint":
            pixels, width, height, title = rest.split(" ", 3)
            if title == TITLE:
                paints.append((t, int(pixels)))
                area = int(width) * int(height)
    per_change = []
    for i, t in enumerate(changes):
        until = changes[i + 1] if i + 1 < len(changes) else t + 200000
        per_change.append(sum(p for when, p in paints if t < when <= until))
    if not per_change or not area:
        sys.exit("the trace shows no progress change or no frame of the main window")
    print(f"progress changes: {len(per_change)}; pixels pushed per change: median "
          f"{statistics.median(per_change):.0f}, mean {statistics.mean(per_change):.0f}, "
          f"max {max(per_change)}; window area {area} pixels: median "
          f"{statistics.median(per_change) / area * 100:.1f} % of it")


if __name__ == "__main__":
    main()
