#!/usr/bin/python3
"""What a screen reader gets from the real kr470qx-tools through AT-SPI: names, roles, lamp
states and values, and the status line's change announced. Runs under a D-Bus session of its own
(dbus-run-session), on a virtual display, against kr470qx-sim. Exit code 77: skipped, because the
AT-SPI bus cannot be started here."""
import os
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print("atspi_check skipped: " + why)
    sys.exit(SKIP)


try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, Gio, GLib
except (ImportError, ValueError) as error:
    skip("no AT-SPI client library (python3-pyatspi): %s" % error)


def accessibility_bus_starts():
    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, None,
                      Gio.DBusCallFlags.NONE, 5000, None)
        return True
    except GLib.Error as error:
        print(error.message)
        return False


def start(command, **options):
    return subprocess.Popen(command, stdout=subprocess.PIPE, text=True, **options)


def find(node, role, name=None):
    """Every accessible below node with the role (and name), depth first."""
    found = []
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        if child.get_role_name() == role and name in (None, child.get_name()):
            found.append(child)
        found += find(child, role, name)
    return found


def labelled_by(node):
    for relation in node.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            return [relation.get_target(i).get_name() for i in range(relation.get_n_targets())]
    return []


def wait_for(condition, seconds):
    context = GLib.MainContext.default()
    until = time.time() + seconds
    while time.time() < until:
        while context.iteration(False):
            pass
        if condition():
            return True
        time.sleep(0.05)
    return False


def check(what, ok, failures):
    print(("ok      " if ok else "FAILED  ") + what)
    if not ok:
        failures.append(what)


def check_window(app, failures):
    expected = [("status bar", "Start connect device"), ("image", "Link: red"),
                ("label", "Version"), ("label", "Serial number and ID"),
                ("push button", "Connect device"), ("progress bar", "Program"),
                ("progress bar", "Verify")]
    expected += [("image", "DI%d: off" % n) for n in range(1, 9)]
    for role, name in expected:
        check("%s %r" % (role, name), len(find(app, role, name)) == 1, failures)
    for name in ("IP:", "Port:", "Send command:"):
        edits = find(app, "text", name)
        check("edit %r labelled by its label" % name,
              edits and all(name in labelled_by(edit) for edit in edits), failures)
    lists = {tuple(labelled_by(box)) for box in find(app, "combo box")}
    check("port and speed lists labelled", ("Port:",) in lists and ("Speed:",) in lists, failures)
    bars = find(app, "progress bar")
    check("progress values 0 of 100",
          all(bar.get_current_value() == 0 and bar.get_maximum_value() == 100 for bar in bars),
          failures)


def check_connect(app, failures):
    announced = []
    listener = Atspi.EventListener.new(
        lambda event: announced.append((event.source.get_role_name(), event.source.get_name())))
    listener.register("object:property-change:accessible-name")
    button = find(app, "push button", "Connect device")[0]
    button.do_action(0)
    check("status change announced",
          wait_for(lambda: ("status bar", "Command ok.") in announced, 10), failures)
    check("lamp says yellow", wait_for(lambda: find(app, "image", "Link: yellow"), 5), failures)
    versions = [label.get_name() for label in find(app, "label")]
    check("version named with its value",
          any(name.startswith("Version: ") for name in versions), failures)


def main(tool, sim, xvfb_program):
    if not accessibility_bus_starts():
        skip("the AT-SPI bus (at-spi2-core) does not start in this session")
    work = tempfile.mkdtemp(prefix="kr470qx-atspi-")
    children = []
    try:
        xvfb = start([xvfb_program, "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                      "tcp"], stderr=subprocess.DEVNULL)
        children.append(xvfb)
        display = ":" + xvfb.stdout.readline().strip()
        simulator = start([sim, "--tcp", "127.0.0.1:0"])
        children.append(simulator)
        port = simulator.stdout.readline().strip().rsplit(":", 1)[1]
        settings = os.path.join(work, "VELMO")
        os.makedirs(settings)
        with open(os.path.join(settings, "KR470QX-V5.reg"), "w") as file:
            file.write('Windows Registry Editor Version 5.00\n\n'
                       '[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n'
                       '"TYPE"=dword:00000001\n"NetIP"="127.0.0.1"\n"NetPort"="%s"\n' % port)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=work,
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8")
        children.append(start([tool], env=env, cwd=work, stderr=subprocess.STDOUT))
        Atspi.init()
        apps = []
        found = wait_for(lambda: apps or apps.extend(find(Atspi.get_desktop(0), "application",
                                                          "KR470QX-V5 Tools")), 20)
        if not found:
            print("FAILED  the tool did not show on the AT-SPI bus")
            return 1
        failures = []
        wait_for(lambda: find(apps[0], "status bar"), 10)
        check_window(apps[0], failures)
        check_connect(apps[0], failures)
        return 1 if failures else 0
    finally:
        for child in reversed(children):
            child.kill()
            child.wait()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
