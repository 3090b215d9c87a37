"""The harness of the end-to-end tests: a desktop of the test's own (Xvfb, openbox,
a private D-Bus session with the accessibility registry), programs started on it,
and their windows reached the way an assistive technology reaches them: by role
and name through AT-SPI. Every wait polls against a deadline; a failing test
leaves a screenshot of the whole screen and the program's output behind.

A test file calls enter_private_session() before anything else: the file then runs
again inside `dbus-run-session`, so the accessibility bus it talks to is its own.
"""
import atexit
import faulthandler
import functools
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import types
import unittest
import warnings

# pyatspi still calls the deprecated spellings of the library it wraps.
warnings.simplefilter("ignore", DeprecationWarning)
warnings.simplefilter("ignore", ImportWarning)

SESSION_MARK = "KELT_E2E_PRIVATE_SESSION"


def enter_private_session():
    """Runs this process again inside a D-Bus session of its own, once."""
    if os.environ.get(SESSION_MARK) == os.environ.get("DBUS_SESSION_BUS_ADDRESS", "-"):
        return
    if os.environ.get(SESSION_MARK) == "starting":
        # dbus-run-session has set the address: remember it as ours.
        os.environ[SESSION_MARK] = os.environ.get("DBUS_SESSION_BUS_ADDRESS", "")
        atexit.register(shutil.rmtree, os.environ["XDG_RUNTIME_DIR"], True)
        # A hang shows where it is stuck, and ends as a failure (the desktop and the
        # programs cleaned up) before the test runner's time-out would kill it all.
        hang = int(os.environ.get("KELT_E2E_HANG_SECONDS", "100"))
        faulthandler.dump_traceback_later(hang)
        signal.signal(signal.SIGALRM, _hung)
        signal.alarm(hang + 1)
        return
    if not shutil.which("dbus-run-session"):
        sys.exit("dbus-run-session is missing (package dbus)")
    os.environ[SESSION_MARK] = "starting"
    # The accessibility bus address must come from this session, never from a desktop
    # (the bus would otherwise be announced on that desktop's display).
    for name in ("AT_SPI_BUS_ADDRESS", "NO_AT_BRIDGE", "GTK_MODULES", "WAYLAND_DISPLAY",
                 "DISPLAY"):
        os.environ.pop(name, None)
    # The bus's socket lives in the runtime directory: one of its own, or sessions
    # running side by side would take each other's.
    os.environ["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="kelt-e2e-run-")
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)


class E2EError(AssertionError):
    pass


def _hung(signum, frame):
    raise E2EError("the test hung (its stack is printed above)")


def dying_with_us(argv):
    """argv run so that it ends when the test process dies, however that happens:
    no server or program outlives a crashed or killed test. (setpriv sets the death
    signal and then becomes the program, keeping its process id.)"""
    return ["setpriv", "--pdeathsig", "TERM", "--"] + list(argv)


def wait_until(probe, what, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something true and returns that; fails with
    `what` (and the last exception the probe raised) after timeout seconds."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except E2EError:
            raise  # a verdict of the probe's own (the program ended), not a passing state
        except Exception as error:  # a window or widget may be gone between two polls
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise E2EError(f"timed out after {timeout:.0f} s waiting for {what}{detail}")
        pump(interval)


def pump(seconds):
    """Waits, delivering the accessibility events that arrive meanwhile."""
    deadline = time.monotonic() + seconds
    context = _main_context()
    while True:
        while context is not None and context.pending():
            context.iteration(False)
        left = deadline - time.monotonic()
        if left <= 0:
            return
        time.sleep(min(left, 0.005))


def _main_context():
    if "pyatspi" not in sys.modules:
        return None
    from gi.repository import GLib
    return GLib.MainContext.default()


class Desktop:
    """An X server with a window manager and the accessibility registry."""

    def __init__(self, artifacts):
        self.artifacts = artifacts
        self.servers = []
        self.display = self._start_x_server()
        self._start_window_manager()
        os.environ["DISPLAY"] = self.display
        os.environ["GDK_BACKEND"] = "x11"
        # Imported only now: the library finds the accessibility bus through the
        # session and the display set above.
        try:
            import pyatspi
        except ImportError as error:
            raise E2EError("python3-pyatspi is missing (scripts/install-deps.sh installs it)") from error
        self.atspi = pyatspi
        # Every name a widget takes on, however briefly (a status line passes
        # quickly): (process id, text).
        self.names_seen = []
        pyatspi.Registry.registerEventListener(self._name_changed,
                                               "object:property-change:accessible-name")
        # Every change of a widget's sensitivity: (process id, widget name, sensitive).
        self.sensitivity_seen = []
        pyatspi.Registry.registerEventListener(self._sensitivity_changed,
                                               "object:state-changed:sensitive")
        # The accessibility bus and its registry start on demand: have them running
        # before a program looks for them, or it gives up and stays unreachable.
        wait_until(lambda: self.applications() is not None, "the accessibility registry", 20)

    def _name_changed(self, event):
        try:
            if isinstance(event.any_data, str):
                self.names_seen.append((event.source.get_process_id(), event.any_data))
        except Exception:
            pass  # the widget may be gone already

    def _start_x_server(self):
        # -displayfd: the server picks a free display and writes its number once it
        # accepts clients.
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            dying_with_us(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                           "-nolisten", "tcp", "-noreset"]),
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.servers.append(server)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise E2EError(f"the X server did not start (status {server.poll()})")
        return ":" + number.decode()

    def _start_window_manager(self):
        environment = dict(os.environ, DISPLAY=self.display)
        self.servers.append(subprocess.Popen(
            dying_with_us(["openbox", "--sm-disable"]), env=environment,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        def claimed():
            result = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                    env=environment, capture_output=True, text=True)
            return "window id" in result.stdout
        wait_until(claimed, "the window manager", 10)

    def _sensitivity_changed(self, event):
        try:
            self.sensitivity_seen.append((event.source.get_process_id(), event.source.name,
                                          bool(event.detail1)))
        except Exception:
            pass

    def close(self):
        for server in reversed(self.servers):
            server.terminate()
            try:
                server.wait(5)
            except subprocess.TimeoutExpired:
                server.kill()
                server.wait()

    def screenshot(self, name):
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name + ".png")
        result = subprocess.run(["import", "-display", self.display, "-window", "root", path],
                                capture_output=True, text=True, timeout=30)
        return path if result.returncode == 0 else None

    def applications(self):
        desktop = self.atspi.Registry.getDesktop(0)
        desktop.clear_cache()
        return [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]


class Program:
    """A program started on the desktop, and its accessible tree."""

    def __init__(self, desktop, argv, name, env=None):
        self.desktop = desktop
        self.atspi = desktop.atspi
        self.argv = argv
        self.name = name
        self.home = tempfile.mkdtemp(prefix="kelt-e2e-home-")
        environment = dict(os.environ)
        environment.update(env or {})
        # Preferences and caches go to a scratch home, never the user's.
        environment["HOME"] = self.home
        environment["XDG_CONFIG_HOME"] = os.path.join(self.home, "config")
        environment["XDG_CACHE_HOME"] = os.path.join(self.home, "cache")
        self.output_path = os.path.join(self.home, "output.txt")
        self.output = open(self.output_path, "w+")
        self.started = time.monotonic()
        self.process = subprocess.Popen(dying_with_us(argv), stdout=self.output,
                                        stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                        env=environment)
        self._app = None

    # --- the process

    def returncode(self):
        return self.process.poll()

    def wait_exit(self, timeout=10.0):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError(f"{self.name} still runs {timeout:.0f} s later")

    def text_output(self):
        self.output.flush()
        with open(self.output_path) as f:
            return f.read()

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.output.close()
        shutil.rmtree(self.home, ignore_errors=True)

    # --- the accessible tree

    def app(self, timeout=15.0):
        """The program's accessible application, found by its process id."""
        if self._app is None:
            def find():
                if self.process.poll() is not None:
                    raise E2EError(f"{self.name} ended with status {self.process.returncode} "
                                   f"before its window appeared:\n{self.text_output()}")
                for app in self.desktop.applications():
                    if app is not None and app.get_process_id() == self.process.pid:
                        return app
                return None
            self._app = wait_until(find, f"{self.name} on the accessibility bus", timeout)
        return self._app

    def all(self, role, name=None, showing=True):
        """Every accessible of `role` (and `name`) in the program's windows."""
        found = []

        def visit(node, depth):
            if node is None or depth > 40:
                return
            if node.getRole() == role and (name is None or node.name == name):
                if not showing or self.is_showing(node):
                    found.append(node)
            for i in range(node.childCount):
                visit(node.getChildAtIndex(i), depth + 1)

        app = self.app()
        # Read every property afresh: a cached name could outlive its change.
        app.clear_cache()
        visit(app, 0)
        return found

    def find(self, role, name=None, timeout=10.0, showing=True):
        role_name = getattr(role, "value_nick", role)

        def probe():
            matches = self.all(role, name, showing)
            return matches[0] if matches else None
        return wait_until(probe, f"a {role_name} named {name!r} in {self.name}", timeout)

    def tree(self):
        """The accessible tree as indented lines: role, name, states that matter."""
        lines = []

        def visit(node, depth):
            if node is None or depth > 40:
                return
            states = node.getState()
            flags = [flag for flag, state in (("showing", self.atspi.STATE_SHOWING),
                                              ("enabled", self.atspi.STATE_SENSITIVE))
                     if states.contains(state)]
            lines.append(f"{'  ' * depth}{node.getRoleName()} {node.name!r} {' '.join(flags)}")
            for i in range(node.childCount):
                visit(node.getChildAtIndex(i), depth + 1)

        if self._app is not None:
            self._app.clear_cache()
            visit(self._app, 0)
        return "\n".join(lines)

    def is_showing(self, node):
        states = node.getState()
        return states.contains(self.atspi.STATE_SHOWING)

    def is_enabled(self, node):
        states = node.getState()
        return (states.contains(self.atspi.STATE_SENSITIVE) and
                states.contains(self.atspi.STATE_ENABLED))

    def texts(self):
        """The texts of every label shown, in tree order."""
        return [label.name for label in self.all(self.atspi.ROLE_LABEL)]

    def wait_text(self, text, timeout=10.0):
        """Until a label shows text."""
        wait_until(lambda: text in self.texts(),
                   f"the text {text!r} in {self.name} (shown: {self._texts_or_none()})", timeout)

    def wait_seen(self, text, timeout=10.0):
        """Until a label shows or has shown text since the program started."""
        def probe():
            return text in self.texts() or (self.process.pid, text) in self.desktop.names_seen
        wait_until(probe, f"the text {text!r} in {self.name}, now or before "
                          f"(shown: {self._texts_or_none()})", timeout)

    def texts_seen(self):
        return [text for pid, text in self.desktop.names_seen if pid == self.process.pid]

    def sensitivity_seen(self, name):
        """Every change of the named widget's sensitivity, in order (True: enabled)."""
        return [value for pid, widget, value in self.desktop.sensitivity_seen
                if pid == self.process.pid and widget == name]

    def _texts_or_none(self):
        try:
            return self.texts()
        except Exception:
            return None

    def button(self, name, timeout=10.0):
        return self.find(self.atspi.ROLE_PUSH_BUTTON, name, timeout)

    def press(self, node):
        """Presses a button or chooses a menu item through its accessible action."""
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("click", "press", "activate"):
                if not action.doAction(i):
                    raise E2EError(f"{node.name!r} refused its action")
                return
        raise E2EError(f"{node.name!r} has no click action")

    def progress(self, bar):
        value = bar.queryValue()
        return value.currentValue, value.minimumValue, value.maximumValue


class E2ETestCase(unittest.TestCase):
    """One desktop per test; on failure a screenshot of it (path printed) and the
    output of every program the test started."""

    artifacts = os.environ.get("KELT_E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "kelt-e2e"))

    def __init__(self, methodName="runTest"):
        super().__init__(methodName)
        method = getattr(self, methodName, None)
        if method is None:
            return

        @functools.wraps(method)
        def with_evidence(test, *args, **kwargs):
            try:
                return method(*args, **kwargs)
            except BaseException:
                test.keep_evidence()
                raise
        # Bound, as unittest expects a test method to be.
        setattr(self, methodName, types.MethodType(with_evidence, self))

    def setUp(self):
        self.desktop = Desktop(self.artifacts)
        self.addCleanup(self.desktop.close)
        self.programs = []

    def start(self, argv, name, env=None):
        program = Program(self.desktop, argv, name, env)
        self.programs.append(program)
        self.addCleanup(program.close)
        return program

    def keep_evidence(self):
        path = self.desktop.screenshot(self.id().split(".", 1)[-1])
        print(f"\nscreenshot: {path}" if path else "\nno screenshot could be taken", file=sys.stderr)
        for program in self.programs:
            try:
                print(f"--- output of {program.name} (status {program.returncode()}):\n"
                      f"{program.text_output()}", file=sys.stderr)
                if program.returncode() is None:
                    print(f"--- accessible tree of {program.name}:\n{program.tree()}",
                          file=sys.stderr)
            except Exception:
                pass


def main():
    """unittest's main, inside a private session; a test name on the command line
    runs that test only."""
    enter_private_session()
    unittest.main(verbosity=2)
