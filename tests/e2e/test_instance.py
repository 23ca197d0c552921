#!/usr/bin/python3
"""One copy per user and desktop, however the display is spelled.

Ivan's copy runs on the display ":N". A second start by the same user on ":N.0" (the same
X display, screen 0) shows the warning "Приложение Palavrix уже запущено..." with the caption
"Предупреждение!" and, once it is answered, ends without opening a main window.
"""
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

WARNING = "Приложение Palavrix уже запущено..."


def accessible_app(ui_reader, pid):
    """The accessible application of a process, or None while it has none."""
    Atspi = ui_reader.Atspi
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except ui_reader.GLib.Error:
            continue
        app.set_cache_mask(Atspi.Cache.NONE)
        return app
    return None


def start_second(h, copy, env):
    """A second copy from the same folder, in the same namespace, with `env`."""
    log = open(h.logdir / "second.stderr", "wb")
    second = subprocess.Popen(["ip", "netns", "exec", copy.ns, str(copy.folder / "Palavrix")],
                              cwd=copy.folder, env=env, stdin=subprocess.DEVNULL, stdout=log,
                              stderr=log, start_new_session=True,
                              preexec_fn=E._die_with_harness)
    log.close()
    h.record_process(second.pid)
    h.on_cleanup("second copy", lambda: E._stop_group(second))
    return second


def wait_for_warning(h, copy, second):
    """Waits for the second copy's warning box: its UI, caption and box; a failure when the
    copy ends first or opens a main window of its own."""
    def warning_box():
        if second.poll() is not None:
            raise E.TestFailure("the second copy ended (code %s) before showing a warning"
                                % second.returncode)
        app = accessible_app(h.reader, second.pid)
        if app is None:
            return None
        ui = E.CopyUi(h.reader, copy, app)
        for caption, labels, acc in ui.dialogs():
            if WARNING in labels:
                return ui, caption, acc
        names = [name for _role, name, _acc in ui.windows()]
        if E.CopyUi.MAIN_TITLE in names:
            raise E.TestFailure("the second copy opened its own main window: %r" % names)
        return None

    return E.wait_until(warning_box, 30.0, 0.2, what="the second copy's warning")


def test(h):
    h.build_network(["Ivan"])
    desktop = h.start_desktop()
    copy = h.start_copy("Ivan")
    ivan = copy.ui()
    E.wait_all_listed(h, {"Ivan": ivan}, ["Ivan"], E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + 8.0)

    env = copy.environment()
    env["DISPLAY"] = desktop.display + ".0"
    second = start_second(h, copy, env)
    h.log("started a second copy (pid %d) on %s" % (second.pid, env["DISPLAY"]))

    ui, caption, box = wait_for_warning(h, copy, second)
    h.expect(caption == "Предупреждение!", "the warning's caption is 'Предупреждение!' (got %r)"
             % caption)
    h.screenshot("second-copy-refused")
    ui.answer(box, "OK")
    try:
        code = second.wait(15)
    except subprocess.TimeoutExpired:
        code = None
    h.expect(code == 0, "the second copy ends after the warning (exit code %s)" % code)
    h.expect(copy.running(), "the first copy keeps running")


if __name__ == "__main__":
    sys.exit(E.run_test("instance", test))
