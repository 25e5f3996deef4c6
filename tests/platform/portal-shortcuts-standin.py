#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A stand-in for the desktop portal's GlobalShortcuts interface, for tests.

Debian 12 ships no portal backend that binds global shortcuts, so tests bring this one. It
takes org.freedesktop.portal.Desktop on the session bus and serves, at
/org/freedesktop/portal/desktop:

  org.freedesktop.portal.GlobalShortcuts (version 1)
    CreateSession(a{sv} options) -> o request
        Answers on the request object /org/freedesktop/portal/desktop/request/SENDER/TOKEN
        (SENDER: the caller's unique name without ':' and with '.' as '_'; TOKEN: the
        options' handle_token) with Response(0, {session_handle: s}); the session object is
        /org/freedesktop/portal/desktop/session/SENDER/session_handle_token.
    BindShortcuts(o session, a(sa{sv}) shortcuts, s parent_window, a{sv} options) -> o request
        Response(code, {shortcuts: a(sa{sv})}), each with description and trigger_description:
        the preferred_trigger as given unless told otherwise (SetTriggerDescription). The code
        is 0 unless told otherwise (SetResponse): 1 is "cancelled by the user".
    signals Activated(o session, s id, t timestamp, a{sv} {activation_token: s}),
            Deactivated(...), ShortcutsChanged(o session, a(sa{sv}))
  org.freedesktop.portal.Session.Close() on each session object.
  A session ends too when its caller leaves the bus, as with the real portal.

and, for the test, com.fennelworks.StavelinTest.PortalStandIn on the same object:

  Press(s shortcut_id, s activation_token)   Activated then Deactivated on every open session
                                             holding the shortcut
  ChangeTrigger(s shortcut_id, s description) ShortcutsChanged on those sessions
  SetResponse(u code)                        the code of BindShortcuts' later responses
  SetTriggerDescription(s description)       given back for every shortcut bound later ("" for
                                             the preferred trigger)
  Sessions() -> as                           the open sessions
  Calls() -> as                              what happened so far, one JSON object a line:
        {"call": "CreateSession", "sender": ..., "options": {...}}
        {"call": "BindShortcuts", "session": ..., "shortcuts": [[id, {...}], ...], ...}
        {"call": "Close", "session": ...}      or {"call": "Vanished", "session": ...}

Also written to the file given with --log FILE (a line per call) when given. Exits with 1 when
the name is taken already (a real portal running on the bus), so a test never talks to the
real one unknowingly.

  portal-shortcuts-standin.py [--log FILE]
"""

import argparse
import json
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"
TEST = "com.fennelworks.StavelinTest.PortalStandIn"
PROPERTIES = "org.freedesktop.DBus.Properties"


def plain(value):
    """D-Bus values as JSON-able Python ones."""
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, dbus.Struct, list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, (dbus.Boolean, bool)):
        return bool(value)
    if isinstance(value, (int, dbus.UInt32, dbus.UInt64, dbus.Int32, dbus.Int64)):
        return int(value)
    return str(value)


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.path = path

    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass

    def answer(self, response, results):
        # After the method's reply has gone out, as the real portal does.
        def send():
            self.Response(dbus.UInt32(response), dbus.Dictionary(results, signature="sv"))
            self.remove_from_connection()
            return False
        GLib.idle_add(send)


class Session(dbus.service.Object):
    def __init__(self, portal, path, sender):
        super().__init__(portal.connection, path)
        self.portal = portal
        self.path = path
        self.sender = sender
        self.shortcuts = {}

    @dbus.service.method(SESSION)
    def Close(self):
        self.end("Close")

    @dbus.service.signal(SESSION, signature="a{sv}")
    def Closed(self, details):
        pass

    def end(self, how):
        if self.path in self.portal.sessions:
            del self.portal.sessions[self.path]
            self.portal.record({"call": how, "session": self.path})
            self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, PATH)
        self.bus = bus
        self.log = log
        self.calls = []
        self.sessions = {}
        self.response = 0
        self.trigger_description = ""
        bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus", "org.freedesktop.DBus",
                                "/org/freedesktop/DBus")

    def record(self, entry):
        line = json.dumps(entry, sort_keys=True)
        self.calls.append(line)
        if self.log:
            with open(self.log, "a", encoding="utf-8") as out:
                out.write(line + "\n")

    def owner_changed(self, name, old, new):
        if name.startswith(":") and old and not new:
            for session in [s for s in self.sessions.values() if s.sender == name]:
                session.end("Vanished")

    def request(self, sender, options):
        token = str(options.get("handle_token", "t%d" % len(self.calls)))
        return Request(self.bus, "%s/request/%s/%s" % (PATH, sender_part(sender), token))

    def described(self, shortcuts):
        result = dbus.Array([], signature="(sa{sv})")
        for shortcut_id, props in shortcuts.items():
            description = props.get("trigger", "")
            result.append(dbus.Struct((shortcut_id, dbus.Dictionary({
                "description": dbus.String(props.get("description", "")),
                "trigger_description": dbus.String(description)}, signature="sv"))))
        return result

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("No such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        self.record({"call": "CreateSession", "sender": sender, "options": plain(options)})
        request = self.request(sender, options)
        path = "%s/session/%s/%s" % (PATH, sender_part(sender),
                                     options.get("session_handle_token", "s%d" % len(self.calls)))
        self.sessions[path] = Session(self, path, sender)
        request.answer(0, {"session_handle": dbus.String(path)})
        return request.path

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session_handle, shortcuts, parent_window, options, sender=None):
        self.record({"call": "BindShortcuts", "session": str(session_handle),
                     "shortcuts": plain(shortcuts), "parent_window": str(parent_window),
                     "options": plain(options)})
        request = self.request(sender, options)
        session = self.sessions.get(str(session_handle))
        if session is None or session.sender != sender:
            raise dbus.exceptions.DBusException("No such session",
                                                name="org.freedesktop.portal.Error.NotFound")
        if self.response != 0:
            request.answer(self.response, {})
        else:
            session.shortcuts = {str(i): plain(p) for i, p in shortcuts}
            for props in session.shortcuts.values():
                props["trigger"] = self.trigger_description or props.get("preferred_trigger", "")
            request.answer(0, {"shortcuts": self.described(session.shortcuts)})
        return request.path

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature="oa(sa{sv})")
    def ShortcutsChanged(self, session_handle, shortcuts):
        pass

    def holding(self, shortcut_id):
        return [s for s in self.sessions.values() if shortcut_id in s.shortcuts]

    @dbus.service.method(TEST, in_signature="ss")
    def Press(self, shortcut_id, token):
        now = dbus.UInt64(int(time.monotonic() * 1000))
        options = dbus.Dictionary({"activation_token": dbus.String(token)}, signature="sv")
        for session in self.holding(shortcut_id):
            path = dbus.ObjectPath(session.path)
            self.Activated(path, shortcut_id, now, options)
            self.Deactivated(path, shortcut_id, now, dbus.Dictionary({}, signature="sv"))

    @dbus.service.method(TEST, in_signature="ss")
    def ChangeTrigger(self, shortcut_id, description):
        for session in self.holding(shortcut_id):
            session.shortcuts[shortcut_id]["trigger"] = str(description)
            changed = self.described(session.shortcuts)
            self.ShortcutsChanged(dbus.ObjectPath(session.path), changed)

    @dbus.service.method(TEST, in_signature="u")
    def SetResponse(self, code):
        self.response = int(code)

    @dbus.service.method(TEST, in_signature="s")
    def SetTriggerDescription(self, description):
        self.trigger_description = str(description)

    @dbus.service.method(TEST, out_signature="as")
    def Sessions(self):
        return dbus.Array(sorted(self.sessions), signature="s")

    @dbus.service.method(TEST, out_signature="as")
    def Calls(self):
        return dbus.Array(self.calls, signature="s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--log")
    args = parser.parse_args()
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, args.log)
    reply = bus.request_name(NAME, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
    if reply != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        print("portal-shortcuts-standin: %s is taken on this bus" % NAME, file=sys.stderr)
        return 1
    del portal  # kept alive by the connection
    GLib.MainLoop().run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
