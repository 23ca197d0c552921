#!/usr/bin/python3
"""A test-only notification area on the session bus: the StatusNotifierWatcher service that
tray icons register with. It owns org.kde.StatusNotifierWatcher, says a host is registered,
and prints one JSON line per event ({"owned": true}, {"item": name}). It ends when its
standard input closes."""
import json
import sys

from gi.repository import Gio, GLib

XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""

items = []


def say(event):
    print(json.dumps(event), flush=True)


def on_call(conn, sender, path, iface, method, params, invocation):
    if method == "RegisterStatusNotifierItem":
        service = params.unpack()[0]
        name = service if service.startswith(":") or service.startswith("org.") else sender
        items.append(name)
        conn.emit_signal(None, path, iface, "StatusNotifierItemRegistered",
                         GLib.Variant("(s)", (name,)))
        say({"item": name})
    invocation.return_value(None)


def on_get(conn, sender, path, iface, prop):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[prop]


def main():
    loop = GLib.MainLoop()
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    bus.register_object("/StatusNotifierWatcher", info, on_call, on_get, None)
    Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher",
                                   Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: say({"owned": True}),
                                   lambda *_: loop.quit())
    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                      GLib.IOCondition.IN | GLib.IOCondition.HUP,
                      lambda *_: (loop.quit(), False)[1])
    loop.run()


if __name__ == "__main__":
    main()
