#!/usr/bin/python3
# Reads and works Tolvane's window through AT-SPI, as a screen reader does; prints one answer line.
#   atspi-probe.py value NAME          the current value of the object named NAME
#   atspi-probe.py showing NAME        "yes" when an object named NAME is on screen, else "no"
#   atspi-probe.py action NAME ACTION  runs the object's action (Press, Increase, ...)
# Exit code 1: no such object or action yet.
import sys

import pyatspi


def find(name, showing_only=False):
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != "Tolvane":
            continue
        def matches(accessible):
            if accessible is None or accessible.name != name:
                return False
            return not showing_only or accessible.getState().contains(pyatspi.STATE_SHOWING)
        found = pyatspi.findDescendant(application, matches)
        if found is not None:
            return found
    return None


def main(arguments):
    command, name = arguments[0], arguments[1]
    if command == "showing":
        print("yes" if find(name, showing_only=True) else "no")
        return 0
    accessible = find(name)
    if accessible is None:
        return 1
    if command == "value":
        print("%g" % accessible.queryValue().currentValue)
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
