#!/usr/bin/env python3
"""Builds the Debian package with cpack, checks its dependencies and maintainer
scripts, unpacks it with dpkg-deb -x and runs the unpacked updater through a whole
update against the virtual instrument: it must find its resource file through the
installed layout alone.

usage: check_package.py BUILD_DIR
"""
import glob
import os
import stat
import subprocess
import sys
import tempfile

failures = []

# Libraries the updater cannot start without; the package must depend on each.
NEEDED = ("libgtk-3-0", "libusb-1.0-0", "libsystemd0", "libjpeg62-turbo")
INSTALLED = (
    "usr/bin/kelt-podium-update",
    "usr/bin/kelt-osimage",
    "usr/bin/kelt-rsrc",
    "usr/share/kelt-podium-update/kelt-podium-update.rsrc",
    "usr/share/kelt-podium-update/help/index.html",
    "usr/share/applications/org.example.KeltPodiumUpdate.desktop",
    "usr/share/metainfo/org.example.KeltPodiumUpdate.metainfo.xml",
    "usr/share/icons/hicolor/scalable/apps/kelt-podium-update.svg",
    "usr/share/man/man1/kelt-podium-update.1",
    "usr/lib/udev/rules.d/70-kelt-podium-lx.rules",
)


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def run(args, timeout=120, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def fake_udevadm(folder, log, failing=""):
    """A udevadm that logs its arguments and fails for the command named `failing`."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "udevadm")
    with open(path, "w") as f:
        f.write("#!/bin/sh\necho \"$*\" >> '%s'\n[ \"$1\" != '%s' ]\n" % (log, failing))
    os.chmod(path, 0o755)


def check_maintainer_scripts(control, work):
    postinst = os.path.join(control, "postinst")
    postrm = os.path.join(control, "postrm")
    for script in (postinst, postrm):
        if not os.path.isfile(script) or not os.stat(script).st_mode & stat.S_IXUSR:
            fail("the package has no executable " + os.path.basename(script))
            return

    # With udev: the rules are reloaded, then applied to the devices already there.
    log = os.path.join(work, "udevadm.log")
    fake_udevadm(os.path.join(work, "udev-ok"), log)
    result = run(["/bin/sh", postinst, "configure", ""], env={"PATH": os.path.join(work, "udev-ok")})
    calls = open(log).read().splitlines() if os.path.exists(log) else []
    if result.returncode != 0 or len(calls) != 2 or calls[0] != "control --reload-rules" \
            or not calls[1].startswith("trigger"):
        fail("postinst configure with udev: status %d, udevadm called %r" % (result.returncode, calls))

    # A container: no udev daemon answers, the devices cannot be triggered, or udevadm
    # is not there at all.
    fake_udevadm(os.path.join(work, "udev-down"), log, "control")
    fake_udevadm(os.path.join(work, "no-trigger"), log, "trigger")
    for folder in ("udev-down", "no-trigger", "no-udev"):
        result = run(["/bin/sh", postinst, "configure", ""], env={"PATH": os.path.join(work, folder)})
        if result.returncode != 0:
            fail("postinst fails when udev is not usable (%s): %s" % (folder, result.stderr.strip()))

    if os.path.exists(log):
        os.remove(log)
    result = run(["/bin/sh", postrm, "remove"], env={"PATH": os.path.join(work, "udev-ok")})
    calls = open(log).read().splitlines() if os.path.exists(log) else []
    if result.returncode != 0 or calls != ["control --reload-rules"]:
        fail("postrm remove: status %d, udevadm called %r" % (result.returncode, calls))


def check_unpacked_program(root):
    program = os.path.join(root, "usr", "bin", "kelt-podium-update")
    # No display, so nothing could fall back on a window; the working folder holds nothing.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = run([program, "--console", "--simulate", "--yes"], cwd=root, env=env)
    if result.returncode != 0 or "Loading new OS..." not in result.stdout:
        fail("the unpacked updater: status %d\n%s%s" % (result.returncode, result.stdout[-2000:], result.stderr))

    # Without the installed resource file it must say where it looked: the share folder
    # beside its own, so it was that file the run above used.
    resources = os.path.join(root, "usr", "share", "kelt-podium-update", "kelt-podium-update.rsrc")
    os.rename(resources, resources + ".away")
    result = run([program, "--console", "--simulate", "--yes"], cwd=root, env=env)
    os.rename(resources + ".away", resources)
    if result.returncode != 2 or "../share/kelt-podium-update/kelt-podium-update.rsrc" not in result.stderr:
        fail("without its resource file the unpacked updater: status %d, %r" % (result.returncode, result.stderr))


def main():
    build_dir = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="kelt-package-") as work:
        out = os.path.join(work, "out")
        result = run(["cpack", "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out],
                     timeout=300)
        debs = glob.glob(os.path.join(out, "*.deb"))
        if result.returncode != 0 or len(debs) != 1:
            print(result.stdout + result.stderr, file=sys.stderr)
            print("cpack made no package", file=sys.stderr)
            return 1
        deb = debs[0]

        depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
        names = {part.strip().split(" ")[0] for part in depends.split(",")}
        for library in NEEDED:
            if library not in names:
                fail("the package does not depend on %s (Depends: %s)" % (library, depends.strip()))

        control = os.path.join(work, "control")
        if run(["dpkg-deb", "-e", deb, control]).returncode != 0:
            fail("dpkg-deb -e failed")
        else:
            check_maintainer_scripts(control, work)

        root = os.path.join(work, "root")
        result = run(["dpkg-deb", "-x", deb, root])
        if result.returncode != 0:
            fail("dpkg-deb -x: " + result.stderr.strip())
            return 1
        for path in INSTALLED:
            if not os.path.isfile(os.path.join(root, path)):
                fail("the package does not install /" + path)
        check_unpacked_program(root)
    print("%d failed" % len(failures) if failures else "package OK")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
