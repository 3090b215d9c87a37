#!/usr/bin/env python3
"""A tiny GTK 3 window that the harness's own test drives: a label, a button that
changes the label, and a button that quits with status 3."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

GLib.set_prgname("e2e-harness-window")
window = Gtk.Window(title="Harness window")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
label = Gtk.Label(label="Not pressed")
press = Gtk.Button(label="Press")
leave = Gtk.Button(label="Leave")
press.connect("clicked", lambda *_: label.set_text("Pressed"))
leave.connect("clicked", lambda *_: sys.exit(3))
for widget in (label, press, leave):
    box.pack_start(widget, False, False, 0)
window.add(box)
window.connect("delete-event", lambda *_: Gtk.main_quit())
window.show_all()
Gtk.main()
