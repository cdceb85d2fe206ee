#!/usr/bin/python3
"""A Wayland-native GTK program for the tests: a full-screen white window
that prints its pid, then "ready" once shown, then every button press and
release with the pointer's position in its window, and paints a black pixel
where each press was. Like the GTK paint program `drawing`, it cuts the
fraction off the event's position to find the pixel."""

import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

dots = []
shown = False


def say(*words):
    print(*words, flush=True)


def draw(_area, cairo):
    global shown
    cairo.set_source_rgb(1, 1, 1)
    cairo.paint()
    cairo.set_source_rgb(0, 0, 0)
    for x, y in dots:
        cairo.rectangle(x, y, 1, 1)
    cairo.fill()
    if not shown:
        shown = True
        say("ready")


def press(area, event):
    say("press", f"{event.x:g}", f"{event.y:g}")
    dots.append((int(event.x), int(event.y)))
    area.queue_draw()


def release(_area, event):
    say("release", f"{event.x:g}", f"{event.y:g}")


say("pid", os.getpid())
window = Gtk.Window()
area = Gtk.DrawingArea()
area.add_events(2**8 | 2**9)  # button press and release masks
area.connect("draw", draw)
area.connect("button-press-event", press)
area.connect("button-release-event", release)
window.add(area)
window.connect("destroy", Gtk.main_quit)
window.fullscreen()
window.show_all()
# No pointer image: GTK draws its own theme's arrow, whose tip would cover
# the pixels around the one painted.
window.get_window().set_cursor(
    Gdk.Cursor.new_for_display(Gdk.Display.get_default(),
                               Gdk.CursorType.BLANK_CURSOR))
sys.exit(Gtk.main())
