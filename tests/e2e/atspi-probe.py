#!/usr/bin/python3
# Reads and works Tolvane's window through AT-SPI, as a screen reader does; prints one answer line.
#   atspi-probe.py value NAME          the current value of the object named NAME
#   atspi-probe.py showing NAME        "yes" when an object named NAME is on screen, else "no"
#   atspi-probe.py description NAME    the description of the object named NAME that is on screen
#   atspi-probe.py action NAME ACTION  runs the object's action (Press, Increase, ...), the one on screen first
#   atspi-probe.py set NAME VALUE      sets the object's value, as a screen reader's slider command does
#   atspi-probe.py role NAME           the role ("slider", ...) of the object named NAME that holds a value
#   atspi-probe.py value-changes NAME SECONDS
#                                      "listening", then the new value at each value-change event of NAME;
#                                      a NAME ending in "*" stands for every name that begins so
# Exit code 1: no such object or action yet.
import sys

import pyatspi


def holds_value(accessible):
    try:
        accessible.queryValue()
        return True
    except NotImplementedError:
        return False


def find(name, showing_only=False, with_value=False):
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != "Tolvane":
            continue
        def matches(accessible):
            if accessible is None or accessible.name != name:
                return False
            if with_value and not holds_value(accessible):
                return False
            return not showing_only or accessible.getState().contains(pyatspi.STATE_SHOWING)
        found = pyatspi.findDescendant(application, matches)
        if found is not None:
            return found
    return None


def print_value_changes(name, seconds):
    from gi.repository import GLib

    def named(accessible_name):
        if name.endswith("*"):
            return accessible_name.startswith(name[:-1])
        return accessible_name == name

    def changed(event):
        if event.source is not None and named(event.source.name):
            print("%g" % event.source.queryValue().currentValue, flush=True)

    pyatspi.Registry.registerEventListener(changed, "object:property-change:accessible-value")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    print("listening", flush=True)
    pyatspi.Registry.start()
    return 0


def main(arguments):
    command, name = arguments[0], arguments[1]
    if command == "value-changes":
        return print_value_changes(name, float(arguments[2]))
    if command == "showing":
        print("yes" if find(name, showing_only=True) else "no")
        return 0
    # The settings window's tabs repeat their controls; the one on screen is the one a user means. A window
    # and the control inside it may share a name: a value is the control's.
    with_value = command in ("value", "set", "role")
    accessible = find(name, True, with_value) or find(name, False, with_value)
    if accessible is None:
        return 1
    if command == "value":
        print("%g" % accessible.queryValue().currentValue)
        return 0
    if command == "set":
        accessible.queryValue().currentValue = float(arguments[2])
        print("done")
        return 0
    if command == "role":
        print(accessible.getRoleName())
        return 0
    if command == "description":
        print(accessible.description)
        return 0
    if command == "action":
        actions = accessible.queryAction()
        for index in range(actions.nActions):
            if actions.getName(index) == arguments[2]:
                actions.doAction(index)
                print("done")
                return 0
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
