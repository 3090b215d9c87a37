#!/usr/bin/env python3
"""Installs the build with `cmake --install` into a scratch root at an unusual prefix
and checks what a desktop makes of it: the menu entry and the software-centre entry
validate and point at files that are there, the manual pages render without a
warning and name every option the programs take, the help book explains every
status text the updater shows, and the program finds its resource file from the
installed layout.

usage: check_installed.py BUILD_DIR SOURCE_DIR
"""
import html
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PREFIX = "/opt/kelt"
APP_ID = "org.example.KeltPodiumUpdate"
PRODUCT = "Kelt Podium LX"

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=120, **kwargs)


def desktop_entry(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                values[key] = value
    return values


def long_options(help_text):
    return sorted(set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", help_text)))


def check_menu_entries(root, share):
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    result = run(["desktop-file-validate", desktop])
    if result.returncode != 0 or result.stdout.strip() or result.stderr.strip():
        fail("desktop-file-validate: " + (result.stdout + result.stderr).strip())
    result = run(["appstreamcli", "validate", "--no-net", metainfo])
    if result.returncode != 0:
        fail("appstreamcli validate: " + (result.stdout + result.stderr).strip())

    entry = desktop_entry(desktop)
    program = entry.get("Exec", "").split()[0] if entry.get("Exec") else ""
    if not os.access(os.path.join(root + PREFIX, "bin", program), os.X_OK):
        fail("the menu entry starts %r, which is not installed in bin/" % program)
    icon = os.path.join(share, "icons", "hicolor", "scalable", "apps", entry.get("Icon", "") + ".svg")
    if not os.path.isfile(icon):
        fail("the menu entry's icon %r is not installed as %s" % (entry.get("Icon"), icon))
    else:
        svg = ET.parse(icon).getroot()
        if svg.tag != "{http://www.w3.org/2000/svg}svg" or not svg.get("viewBox"):
            fail("the icon is not a scalable SVG with a viewBox")

    component = ET.parse(metainfo).getroot()
    launchable = component.findtext("launchable")
    if launchable != os.path.basename(desktop):
        fail("the software-centre entry launches %r, not the menu entry" % launchable)
    if component.findtext("icon") != entry.get("Icon"):
        fail("the software-centre entry and the menu entry name different icons")
    images = [e.text or "" for e in component.iter("image")]
    if not any(image.endswith("/docs/screenshot-window.png") for image in images):
        fail("no screenshot of the window in the software-centre entry: %r" % images)
    if not re.fullmatch(r"usb:v[0-9A-F]{4}p[0-9A-F]{4}d\*", component.findtext("provides/modalias") or ""):
        fail("the software-centre entry's USB modalias is malformed")


def check_manual_pages(root, share):
    programs = {}
    for program in ("kelt-podium-update", "kelt-osimage", "kelt-rsrc"):
        page = os.path.join(share, "man", "man1", program + ".1")
        if not os.path.isfile(page):
            fail("no manual page " + page)
            continue
        result = run(["groff", "-man", "-ww", "-z", page])
        if result.returncode != 0 or result.stderr.strip():
            fail("groff warns about %s: %s" % (program, result.stderr.strip()))
        result = run(["man", "-l", page], env=dict(os.environ, MANWIDTH="80", MAN_KEEP_STDERR="1"))
        if result.returncode != 0 or result.stderr.strip() or program not in result.stdout:
            fail("man -l %s: %s" % (program, result.stderr.strip() or "nothing rendered"))
        programs[program] = re.sub(r".\x08", "", result.stdout)

    # Every long option a program's own help names is in its page, so the two cannot drift.
    for program in ("kelt-podium-update", "kelt-osimage"):
        result = run([os.path.join(root + PREFIX, "bin", program), "--help"])
        options = long_options(result.stdout)
        if "--help" not in options:
            fail("%s --help printed no option list" % program)
        for option in options:
            if option not in programs.get(program, ""):
                fail("the manual page of %s does not describe %s" % (program, option))
    page = programs.get("kelt-podium-update", "")
    for needed in ("--console", "--simulate[=MODE]", "--resources", "--version"):
        if needed not in page:
            fail("the manual page of kelt-podium-update does not mention " + needed)


def status_texts(source_dir):
    """Every status line the updater itself sets, as the user reads it."""
    texts = []
    with open(os.path.join(source_dir, "Portable", "update", "CUSBHandler.cpp"), encoding="utf-8") as f:
        source = f.read()
    for match in re.finditer(r"constexpr const char\* kStatus\w+\s*=\s*((?:\s*\"(?:[^\"\\]|\\.)*\")+);", source):
        text = "".join(re.findall(r"\"((?:[^\"\\]|\\.)*)\"", match.group(1)))
        texts.append(text.replace("#PRODUCT#", PRODUCT))
    if len(texts) < 8:
        fail("found only %d status texts in the handler's source" % len(texts))
    with open(os.path.join(source_dir, "Portable", "Console", "CConsoleApp.cpp"), encoding="utf-8") as f:
        if "No OS resource" in f.read():
            texts.append("No OS resource")
    return texts


def check_help_book(share, source_dir):
    index = os.path.join(share, "kelt-podium-update", "help", "index.html")
    if not os.path.isfile(index):
        fail("no help book at " + index)
        return
    with open(index, encoding="utf-8") as f:
        page = f.read()
    ids = set(re.findall(r"\bid=\"([^\"]+)\"", page))
    for anchor in re.findall(r"href=\"#([^\"]+)\"", page):
        if anchor not in ids:
            fail("the help book links to #%s, which it does not have" % anchor)
    for section in ("connecting", "updating", "status", "permissions"):
        if section not in ids:
            fail("the help book has no section #" + section)
    text = " ".join(html.unescape(re.sub(r"<[^>]+>", " ", page)).split())
    for status in status_texts(source_dir):
        if status not in text:
            fail("the help book does not explain the status %r" % status)
    if "70-kelt-podium-lx.rules" not in text:
        fail("the help book does not name the udev rule")


def check_program(root):
    program = os.path.join(root + PREFIX, "bin", "kelt-podium-update")
    result = run([program, "--version"])
    lines = result.stdout.splitlines()
    if result.returncode != 0 or len(lines) != 2 or not lines[0].startswith("kelt-podium-update ") \
            or not lines[1].startswith("OS image: OS version "):
        fail("--version from %s: status %d, %r %r" % (PREFIX, result.returncode, result.stdout, result.stderr))


def main():
    build_dir, source_dir = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="kelt-install-") as root:
        result = run(["cmake", "--install", build_dir, "--prefix", PREFIX],
                     env=dict(os.environ, DESTDIR=root))
        if result.returncode != 0:
            print(result.stdout + result.stderr, file=sys.stderr)
            return 1
        share = os.path.join(root + PREFIX, "share")
        check_menu_entries(root, share)
        check_manual_pages(root, share)
        check_help_book(share, source_dir)
        check_program(root)
    print("%d failed" % len(failures) if failures else "installed files OK")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
