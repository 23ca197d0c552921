#!/usr/bin/python3
"""A test-only desktop notification service on the session bus (org.freedesktop.Notifications).

It says it reads body markup, prints one JSON line per event ({"owned": true}, then
{"notify": {...}} for every Notify call with the id it gave, {"capabilities": true} when it is
asked what it can do, {"close": id} for CloseNotification), and takes JSON lines on its
standard input: {"click": id} sends what a click on the notification sends (ActionInvoked with
"default", then NotificationClosed). It ends when its standard input closes."""
import json
import os
import sys

from gi.repository import Gio, GLib

XML = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="Notify">
      <arg name="app_name" type="s" direction="in"/>
      <arg name="replaces_id" type="u" direction="in"/>
      <arg name="app_icon" type="s" direction="in"/>
      <arg name="summary" type="s" direction="in"/>
      <arg name="body" type="s" direction="in"/>
      <arg name="actions" type="as" direction="in"/>
      <arg name="hints" type="a{sv}" direction="in"/>
      <arg name="expire_timeout" type="i" direction="in"/>
      <arg name="id" type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg name="id" type="u" direction="in"/></method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>
"""
PATH = "/org/freedesktop/Notifications"
IFACE = "org.freedesktop.Notifications"

state = {"next": 1, "bus": None, "pending": b""}


def say(event):
    print(json.dumps(event, ensure_ascii=False), flush=True)


def on_call(conn, sender, path, iface, method, params, invocation):
    if method == "GetCapabilities":
        say({"capabilities": True})
        invocation.return_value(GLib.Variant("(as)", (["actions", "body", "body-markup"],)))
    elif method == "GetServerInformation":
        invocation.return_value(GLib.Variant("(ssss)", ("test", "test", "1", "1.2")))
    elif method == "Notify":
        app, replaces, icon, summary, body, actions, hints, timeout = params.unpack()
        # A replaced notification keeps its id.
        nid = replaces or state["next"]
        state["next"] += 0 if replaces else 1
        say({"notify": {"id": nid, "replaces": replaces, "app": app, "icon": icon,
                        "summary": summary, "body": body, "actions": actions,
                        "hints": {k: str(v) for k, v in hints.items()}}})
        invocation.return_value(GLib.Variant("(u)", (nid,)))
    elif method == "CloseNotification":
        say({"close": params.unpack()[0]})
        invocation.return_value(None)
    else:
        invocation.return_value(None)


def click(nid):
    bus = state["bus"]
    bus.emit_signal(None, PATH, IFACE, "ActionInvoked", GLib.Variant("(us)", (nid, "default")))
    bus.emit_signal(None, PATH, IFACE, "NotificationClosed", GLib.Variant("(uu)", (nid, 2)))
    bus.flush_sync(None)


def on_input(_channel, _condition, loop):
    chunk = os.read(sys.stdin.fileno(), 4096)
    if not chunk:
        loop.quit()
        return False
    state["pending"] += chunk
    while b"\n" in state["pending"]:
        line, state["pending"] = state["pending"].split(b"\n", 1)
        if line.strip():
            click(json.loads(line)["click"])
    return True


def main():
    loop = GLib.MainLoop()
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    state["bus"] = bus
    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    bus.register_object(PATH, info, on_call, None, None)
    Gio.bus_own_name_on_connection(bus, IFACE, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: say({"owned": True}),
                                   lambda *_: loop.quit())
    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                      GLib.IOCondition.IN | GLib.IOCondition.HUP, on_input, loop)
    loop.run()


if __name__ == "__main__":
    main()
