#!/usr/bin/python3
"""What a screen reader gets from the real kr470qx-tools through AT-SPI: names, roles, lamp
states and values, and the status line's change announced. Runs under a D-Bus session of its own
(dbus-run-session) on a virtual display, against kr470qx-sim. Exit code 77: skipped, as the AT-SPI
bus cannot start here. Arguments: the tool, the simulator, Xvfb."""
import os
import subprocess
import sys
import tempfile
import time

try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, Gio, GLib
except (ImportError, ValueError) as error:
    print("atspi_check skipped: no AT-SPI client library (python3-pyatspi): %s" % error)
    sys.exit(77)

failures = []


def check(what, ok):
    print(("ok      " if ok else "FAILED  ") + what)
    if not ok:
        failures.append(what)


def find(node, role, name=None):
    """Every accessible below node with the role (and the name), depth first."""
    found = []
    for child in (node.get_child_at_index(i) for i in range(node.get_child_count())):
        if child is not None:
            if child.get_role_name() == role and name in (None, child.get_name()):
                found.append(child)
            found += find(child, role, name)
    return found


def labels_of(node):
    return [relation.get_target(i).get_name() for relation in node.get_relation_set()
            if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY
            for i in range(relation.get_n_targets())]


def wait_for(condition, seconds):
    until = time.time() + seconds
    while time.time() < until:
        while GLib.MainContext.default().iteration(False):
            pass
        if condition():
            return True
        time.sleep(0.05)
    return False


def check_window(app):
    named = [("status bar", "Start connect device"), ("image", "Link: red"), ("label", "Version"),
             ("label", "Serial number and ID"), ("progress bar", "Program"),
             ("progress bar", "Verify")] + [("image", "DI%d: off" % n) for n in range(1, 9)]
    for role, name in named:
        check("%s %r" % (role, name), len(find(app, role, name)) == 1)
    for name in ("IP:", "Port:", "Send command:"):
        edits = find(app, "text", name)
        check("edit %r labelled by its label" % name,
              bool(edits) and all(name in labels_of(edit) for edit in edits))
    lists = [labels_of(box) for box in find(app, "combo box")]
    check("port and speed lists labelled", ["Port:"] in lists and ["Speed:"] in lists)
    check("progress values 0 of 100", all(bar.get_current_value() == 0 and
                                          bar.get_maximum_value() == 100
                                          for bar in find(app, "progress bar")))


def check_connect(app):
    heard = []
    listener = Atspi.EventListener.new(
        lambda event: heard.append((event.source.get_role_name(), event.source.get_name())))
    listener.register("object:property-change:accessible-name")
    find(app, "push button", "Connect device")[0].do_action(0)
    check("status change announced", wait_for(lambda: ("status bar", "Command ok.") in heard, 10))
    check("lamp says yellow", wait_for(lambda: find(app, "image", "Link: yellow"), 5))
    check("version named with its value",
          any(label.get_name().startswith("Version: ") for label in find(app, "label")))


def start(command, **options):
    return subprocess.Popen(command, stdout=subprocess.PIPE, text=True, **options)


def run(tool, sim, xvfb, children):
    work = tempfile.mkdtemp(prefix="kr470qx-atspi-")
    children.append(start([xvfb, "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                           "tcp"], stderr=subprocess.DEVNULL))
    display = ":" + children[-1].stdout.readline().strip()
    children.append(start([sim, "--tcp", "127.0.0.1:0"]))
    port = children[-1].stdout.readline().strip().rsplit(":", 1)[1]
    os.makedirs(os.path.join(work, "VELMO"))
    with open(os.path.join(work, "VELMO", "KR470QX-V5.reg"), "w") as settings:
        settings.write('Windows Registry Editor Version 5.00\n\n'
                       '[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n'
                       '"TYPE"=dword:00000001\n"NetIP"="127.0.0.1"\n"NetPort"="%s"\n' % port)
    children.append(start([tool], cwd=work, stderr=subprocess.STDOUT, env=dict(
        os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=work,
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8")))
    Atspi.init()
    apps = []
    if not wait_for(lambda: apps.extend(find(Atspi.get_desktop(0), "application",
                                             "KR470QX-V5 Tools")) or apps, 20):
        check("the tool on the AT-SPI bus", False)
        return
    wait_for(lambda: find(apps[0], "status bar"), 10)
    check_window(apps[0])
    check_connect(apps[0])


def main(tool, sim, xvfb):
    try:
        Gio.bus_get_sync(Gio.BusType.SESSION, None).call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, None,
            Gio.DBusCallFlags.NONE, 5000, None)
    except GLib.Error as error:
        print("atspi_check skipped: the AT-SPI bus (at-spi2-core) does not start: " + error.message)
        return 77
    children = []
    try:
        run(tool, sim, xvfb, children)
    finally:
        for child in reversed(children):
            child.kill()
            child.wait()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
