#!/usr/bin/python3
"""A recording fake of mutter's RemoteDesktop, ScreenCast and DisplayConfig
(or with --portal, the portal's GlobalShortcuts) on the session bus. Prints
"ready" once it owns its names, then each call as one line before its reply
goes out (fake_desktop_services.h). org.scrivlet.Fake.Activate(s) sends
GlobalShortcuts' Activated for that shortcut id.

Its display: "DP-1" 1920x1080 and the primary "Virtual-1", whose current
mode is 1280x800 (its preferred one is 1920x1200), at scale 2, turned by 90
degrees.
"""

import argparse
import re

import dbus
import dbus.lowlevel as low
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
SHORTCUTS_SESSION = dbus.ObjectPath(PORTAL + "/session/1_1/fake")
STREAM = "/org/gnome/Mutter/ScreenCast/Stream/u1"
PREFIX = re.compile(r"^org\.(gnome\.Mutter|freedesktop\.portal|freedesktop\.DBus)\.")


def mode(width, height, flag):
    """A mode that is current or preferred, as `flag` says."""
    return (f"{width}x{height}", width, height, 60.0, 1.0, [1.0], {flag: True})


WIDE = ("DP-1", "Fake", "Wide", "1")
SMALL = ("Virtual-1", "Fake", "Small", "2")
DISPLAY_STATE = (
    "ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}", 1,
    [(WIDE, [mode(1920, 1080, "is-current")], {}),
     (SMALL, [mode(1280, 800, "is-current"), mode(1920, 1200, "is-preferred")], {})],
    # DP-1 left, the primary Virtual-1 right of it.
    [(0, 0, 1.0, 0, False, [WIDE], {}), (1920, 0, 2.0, 1, True, [SMALL], {})],
    {"layout-mode": dbus.UInt32(1)})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--portal", action="store_true")
    parser.add_argument("--no-shortcuts", action="store_true")
    parser.add_argument("--refuse", default="", help="a call to answer with an error")
    parser.add_argument("--bind-response", type=int, default=0)
    options = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()

    def send(message, signature="", *values):
        if values:
            message.append(*values, signature=signature)
        bus.send_message(message)

    def signal(path, interface, member, signature, *values):
        send(low.SignalMessage(path, interface, member), signature, *values)

    def request(call, step, code, results):
        """A portal call: a request object now, its Response signal after."""
        path = PORTAL + "/request/1_1/" + step
        send(low.MethodReturnMessage(call), "o", path)
        signal(path, "org.freedesktop.portal.Request", "Response", "ua{sv}", code, results)

    def answer(call):
        args = call.get_args_list()
        name = PREFIX.sub("", call.get_interface() or "") + "." + call.get_member()
        if name == "org.scrivlet.Fake.Activate":
            signal(PORTAL, SHORTCUTS, "Activated", "osta{sv}", SHORTCUTS_SESSION, args[0], 0, {})
            return
        record = name
        reply = (low.MethodReturnMessage(call),)
        after = None
        if name == options.refuse:
            reply = (low.ErrorMessage(call, "org.freedesktop.DBus.Error.Failed",
                                      "the fake refuses " + name),)
        elif name in ("RemoteDesktop.CreateSession", "ScreenCast.CreateSession"):
            kind = name.split(".")[0]
            reply += ("o", f"/org/gnome/Mutter/{kind}/Session/u1")
        elif name == "Properties.Get":
            interface, member = args
            if member == "SessionId":
                reply += ("v", "rd-1")
            elif interface == SHORTCUTS and not options.no_shortcuts:
                reply += ("v", dbus.UInt32(1))
            else:
                reply = (low.ErrorMessage(call, "org.freedesktop.DBus.Error.UnknownInterface",
                                          "no interface " + interface),)
        elif name == "ScreenCast.Session.RecordMonitor":
            record += " " + args[0]
            reply += ("o", STREAM)
        elif name == "RemoteDesktop.Session.NotifyPointerButton":
            record += f" {int(args[0])} {int(args[1])}"
        elif name == "RemoteDesktop.Session.Start":
            # Then names the stream's PipeWire node, as mutter does; the
            # tests' machine has no PipeWire to join it on.
            def after():
                signal(STREAM, "org.gnome.Mutter.ScreenCast.Stream",
                       "PipeWireStreamAdded", "u", dbus.UInt32(42))
        elif name.startswith("RemoteDesktop.Session.NotifyPointerMotion"):
            record += f" {args[-2]:g} {args[-1]:g}"  # after the stream, if named
        elif name in ("RemoteDesktop.Session.Stop", "Session.Close"):
            pass
        elif name == "DisplayConfig.GetCurrentState":
            reply += DISPLAY_STATE
        elif name == "GlobalShortcuts.CreateSession":
            reply = None
            after = lambda: request(call, "create", 0, {"session_handle": SHORTCUTS_SESSION})
        elif name == "GlobalShortcuts.BindShortcuts":
            record += "".join(f" {id}={settings.get('preferred_trigger', '')}"
                              for id, settings in args[1])
            reply = None
            after = lambda: request(call, "bind", options.bind_response, {})
        else:
            reply = (low.ErrorMessage(call, "org.freedesktop.DBus.Error.UnknownMethod",
                                      "no method " + name),)
            record = None
        # Recorded before the reply goes out: the caller reads the record as
        # soon as its call returns.
        if record is not None:
            print(record, flush=True)
        if reply is not None:
            send(*reply)
        if after is not None:
            after()

    def on_message(_, message):
        if message.get_type() != low.MESSAGE_TYPE_METHOD_CALL:
            return low.HANDLER_RESULT_NOT_YET_HANDLED
        answer(message)
        return low.HANDLER_RESULT_HANDLED

    bus.add_message_filter(on_message)
    names = (["org.freedesktop.portal.Desktop"] if options.portal else
             ["org.gnome.Mutter.RemoteDesktop", "org.gnome.Mutter.ScreenCast",
              "org.gnome.Mutter.DisplayConfig"])
    for name in names:
        if bus.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
            raise SystemExit("the fake cannot own " + name)
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
