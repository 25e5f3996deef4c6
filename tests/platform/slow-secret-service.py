#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Owns org.freedesktop.secrets on the session bus and answers every call with an error, but
# only after a delay: a keyring that hangs, as one does while its unlock prompt is open.
# Prints "ready" once the name is owned. Usage: slow-secret-service.py <delay-seconds>
import sys

import dbus
import dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
delay_ms = int(float(sys.argv[1]) * 1000)
names = {"org.freedesktop.secrets", bus.get_unique_name()}


def answer_late(connection, message):
    if (message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL
            or message.get_destination() not in names):
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED

    def answer():
        connection.send_message(dbus.lowlevel.ErrorMessage(
            message, "org.freedesktop.DBus.Error.Failed", "answered too late"))
        return False

    GLib.timeout_add(delay_ms, answer)
    return dbus.lowlevel.HANDLER_RESULT_HANDLED


bus.add_message_filter(answer_late)
bus.request_name("org.freedesktop.secrets")
print("ready", flush=True)
GLib.MainLoop().run()
