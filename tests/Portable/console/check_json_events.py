#!/usr/bin/env python3
"""Checks the JSON events of one console run.

Usage: check_json_events.py EVENTS_FILE EXIT_STATUS [identify]

Every line must be a JSON object (strict parser: raw control characters in
strings are refused) in strict UTF-8, the events must come in an order a script
can rely on, and the end must match the exit status. Prints each event again as
ASCII-only JSON (keys in their order), one per line, for the caller to inspect;
on a fault prints the reason to standard error and exits 1.
"""

import json
import sys

OUTCOMES = {0: "updated", 1: "failed", 2: "usage", 3: "no-instrument", 4: "declined",
            130: "interrupted"}
STATES = {"unknown", "connected", "update", "os", "reboot", "rebooted", "sending", "working",
          "finish"}
EVENTS = {"start", "status", "state", "instrument", "progress", "question", "answer", "end"}


class Fault(Exception):
    pass


def check(events, exit_status, identifying):
    names = [e["event"] for e in events]
    unknown = set(names) - EVENTS
    if unknown:
        raise Fault("unknown events: %s" % sorted(unknown))
    if names.count("end") != 1 or names[-1] != "end":
        raise Fault("not exactly one end, last: %s" % names)
    end = events[-1]
    if end.get("exit") != exit_status:
        raise Fault("end says exit %r, the status was %d" % (end.get("exit"), exit_status))
    outcome = "identified" if identifying and exit_status == 0 else OUTCOMES.get(exit_status)
    if end.get("outcome") != outcome:
        raise Fault("outcome %r for exit %d" % (end.get("outcome"), exit_status))
    # A command line refused before the program started has nothing but the end.
    if names != ["end"] or exit_status != 2:
        if names.count("start") != 1 or names[0] != "start":
            raise Fault("not exactly one start, first: %s" % names)
        start = events[0]
        for key in ("program", "image", "imageVersion", "imageBuild", "resources"):
            if key not in start:
                raise Fault("start without %s" % key)

    state = None
    progress = 0
    question = None
    identified_since_connect = False
    for n, e in enumerate(events, 1):
        kind = e["event"]
        if kind == "status":
            if not isinstance(e.get("text"), str):
                raise Fault("event %d: status without text" % n)
        elif kind == "state":
            if e.get("state") not in STATES:
                raise Fault("event %d: state %r" % (n, e.get("state")))
            if e["state"] == state:
                raise Fault("event %d: state %s repeated" % (n, state))
            state = e["state"]
            if state == "connected":
                identified_since_connect = False
            if state in ("os", "update") and not identified_since_connect:
                raise Fault("event %d: state %s before the instrument was identified" % (n, state))
        elif kind == "instrument":
            if not isinstance(e.get("product"), str) or e.get("mode") not in ("os", "updater", "test"):
                raise Fault("event %d: instrument %r" % (n, e))
            if not isinstance(e.get("os"), str):
                raise Fault("event %d: instrument without os text" % n)
            if (e.get("osVersion") is None) != (e["os"] == "no OS"):
                raise Fault("event %d: os text and number disagree" % n)
            identified_since_connect = True
        elif kind == "progress":
            p = e.get("percent")
            if not isinstance(p, int) or not 0 <= p <= 100 or p == progress:
                raise Fault("event %d: progress %r after %r" % (n, p, progress))
            progress = p
        elif kind == "question":
            if question is not None or e.get("question") not in ("update", "quit"):
                raise Fault("event %d: question %r while %r is open" % (n, e, question))
            question = e["question"]
        elif kind == "answer":
            if e.get("question") != question or e.get("answer") not in ("yes", "no"):
                raise Fault("event %d: answer %r to %r" % (n, e, question))
            question = None
    if identifying and exit_status == 0 and "instrument" not in names:
        raise Fault("identified without an instrument event")


def main():
    path, exit_status = sys.argv[1], int(sys.argv[2])
    identifying = len(sys.argv) > 3 and sys.argv[3] == "identify"
    with open(path, "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8")
        if not text.endswith("\n"):
            raise Fault("output does not end with a line end")
        events = []
        for n, line in enumerate(text[:-1].split("\n"), 1):
            try:
                event = json.loads(line)
            except ValueError as error:
                raise Fault("line %d: %s: %r" % (n, error, line))
            if not isinstance(event, dict) or not isinstance(event.get("event"), str):
                raise Fault("line %d: not an event: %r" % (n, line))
            events.append(event)
        check(events, exit_status, identifying)
    except (UnicodeDecodeError, Fault) as error:
        sys.stderr.write("%s\n" % error)
        sys.exit(1)
    for event in events:
        print(json.dumps(event, ensure_ascii=True, separators=(",", ":")))


if __name__ == "__main__":
    main()
