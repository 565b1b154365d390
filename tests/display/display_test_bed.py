"""The tool on a real X server, driven as an operator drives it.

A Test_Bed starts a virtual X server (Xvfb) and the accessibility bus, runs the real tool in a
working directory of its own, moves and clicks the mouse and types with xdotool at the places
the accessibility tree gives for the controls, reads the dialog's texts back from that tree,
and keeps a picture of the screen after every step. Every wait is for a condition, with a
timeout, so a slow machine only makes a journey slower.

Run it under `dbus-run-session`: the accessibility bus hangs off the session bus.
"""

import json
import os
import select
import shutil
import signal
import struct
import subprocess
import time
import zlib

# A journey that waits longer than this for what the operator expects has failed.
Wait_Seconds = float(os.environ.get("ZUNQ_DISPLAY_WAIT_SECONDS", "30"))
Screen = (1280, 900)


class Journey_Failed(Exception):
    pass


class Journey_Skipped(Exception):
    pass


def Wait_For(condition, what, seconds=None):
    """Polls `condition` until it answers something true, and answers that. While the dialog
    changes, a reading may find a control gone or not there yet: that counts as not yet."""
    deadline = time.monotonic() + (Wait_Seconds if seconds is None else seconds)
    last_error = None
    while True:
        try:
            answer = condition()
            if answer:
                return answer
        except (Journey_Failed, Journey_Skipped):
            raise
        except Exception as error:  # noqa: BLE001 (AT-SPI and X errors, a control not found yet)
            last_error = error
        if time.monotonic() > deadline:
            raise Journey_Failed("waited in vain for " + what +
                                 (" (last reading: %r)" % last_error if last_error else ""))
        time.sleep(0.1)


# ---- What the accessibility tree shows.


class Control:
    """One control as the operator sees it: kind, caption or text, place on the screen."""

    def __init__(self, role, name, text, rect, states, children, value=None):
        self.role, self.name, self.text, self.rect, self.value = role, name, text, rect, value
        self.showing, self.enabled, self.checked, self.selected, self.focused = states
        self.children = children

    @property
    def shown_text(self):
        return self.text if self.role in ("text", "combo box") else self.name

    def centre(self):
        x, y, width, height = self.rect
        return x + width // 2, y + height // 2

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, role=None, name=None, showing=True):
        return [c for c in self.walk() if (role is None or c.role == role) and
                (name is None or c.name == name) and (c.showing or not showing)]

    def find(self, role=None, name=None):
        found = self.find_all(role, name)
        return found[0] if found else None

    def holding(self, role, name):
        """The control (page, group) whose children include the one named."""
        for control in self.walk():
            if any(c.role == role and c.name == name and c.showing for c in control.children):
                return control
        return None

    def beside(self, caption, roles=("label", "text")):
        """The nearest control right of a caption (a label's text, or a control) on its line:
        the value the caption names, the edit after a button, the unlock box after an edit."""
        left = self.find("label", caption) if isinstance(caption, str) else caption
        if left is None:
            return None
        lx, ly, lw, lh = left.rect
        middle = ly + lh // 2
        row = [c for c in self.walk() if c.showing and c.role in roles and c is not left and
               c.rect[0] >= lx + lw - 2 and c.rect[1] <= middle <= c.rect[1] + c.rect[3]]
        return min(row, key=lambda c: c.rect[0]) if row else None

    def below(self, above, roles=("label", "text")):
        """The nearest control under another one, across its middle."""
        ax, ay, aw, ah = above.rect
        middle = ax + aw // 2
        column = [c for c in self.walk() if c.showing and c.role in roles and c is not above and
                  c.rect[1] >= ay + ah - 2 and c.rect[0] <= middle <= c.rect[0] + c.rect[2]]
        return min(column, key=lambda c: c.rect[1]) if column else None

    def group(self, title):
        """What lies within a group box's frame, as a control of its own to search in."""
        box = self.find("panel", title)
        if box is None:
            return None
        gx, gy, gw, gh = box.rect
        within = [c for c in self.walk() if c.showing and c is not box and gx <= c.rect[0] and
                  gy <= c.rect[1] and c.rect[0] + c.rect[2] <= gx + gw and c.rect[1] + c.rect[3] <= gy + gh]
        return Control("group", title, "", box.rect, (True, True, False, False, False), within)


def Read_Tree(accessible, pyatspi):
    state = accessible.getState()
    showing = state.contains(pyatspi.STATE_SHOWING)
    role = accessible.getRoleName()
    text = ""
    if role in ("text", "combo box") and showing:
        try:
            text = accessible.queryText().getText(0, -1)
        except NotImplementedError:
            text = ""
    value = None
    if role == "progress bar" and showing:
        value = accessible.queryValue().currentValue
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    states = (showing, state.contains(pyatspi.STATE_ENABLED), state.contains(pyatspi.STATE_CHECKED),
              state.contains(pyatspi.STATE_SELECTED), state.contains(pyatspi.STATE_FOCUSED))
    # Hidden pages hold a hundred controls nobody sees; they are not read.
    children = [Read_Tree(child, pyatspi) for child in accessible if child is not None] if showing else []
    return Control(role, accessible.name or "", text or "",
                   (extents.x, extents.y, extents.width, extents.height), states, children, value)


def Stop_On_Signal(number, frame):
    # ctest's timeout: the processes started are still stopped on the way out.
    raise Journey_Failed("stopped by signal %d" % number)


# ---- The session.


class Test_Bed:
    def __init__(self, name, tool, artifacts):
        self.name = name
        self.tool_path = tool
        self.shots = os.path.join(artifacts, "screenshots", "display", name)
        self.work = os.path.join(artifacts, "display-runs", name)
        for folder in (self.shots, self.work):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        self.step = 0
        self.tool = None
        self.processes = []

    # Starting and stopping.

    def __enter__(self):
        for program in ("Xvfb", "xdotool", "/usr/libexec/at-spi-bus-launcher"):
            if shutil.which(program) is None:
                raise Journey_Skipped(program + " is not installed (scripts/setup installs it)")
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            raise Journey_Skipped("no session bus: run under dbus-run-session")
        signal.signal(signal.SIGTERM, Stop_On_Signal)
        read_end, write_end = os.pipe()
        self.Start([
            "Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % Screen, "-nolisten", "tcp"
        ], pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise Journey_Failed("the X server did not start")
            number += chunk
        os.close(read_end)
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        self.Start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        from Xlib import display  # after DISPLAY is set
        import pyatspi
        self.pyatspi = pyatspi
        self.x = display.Display()
        return self

    def __exit__(self, kind, failure, trace):
        if kind is not None and self.tool is not None:
            try:
                self.Shot("failed here")
            except Exception:
                pass  # the server may be what failed
        # The tool, then the bus, then the server: in reverse order of their start.
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        return False

    def Start(self, command, **options):
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def Start_Tool(self, scenario):
        """Starts the tool in the working directory on the scenario's simulated cameras and
        waits for its main dialog to be painted."""
        path = os.path.join(self.work, "scenario.json")
        with open(path, "w", encoding="utf-8") as out:
            json.dump(scenario, out, ensure_ascii=False, indent=1)
        painted_read, painted_write = os.pipe()
        environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           ZUNQ_SF_SIMULATION=path, ZUNQ_SF_PAINTED_FD=str(painted_write))
        self.output = open(os.path.join(self.work, "tool-output-%d.txt" % len(self.processes)), "w")
        self.tool = self.Start([self.tool_path], cwd=self.work, env=environment, stdout=self.output,
                               stderr=subprocess.STDOUT, pass_fds=(painted_write,))
        os.close(painted_write)
        with os.fdopen(painted_read, "rb") as painted:
            if not select.select([painted], [], [], 2 * Wait_Seconds)[0]:
                raise Journey_Failed("the tool's dialog was not painted")
            if painted.read() != b"painted\n":
                raise Journey_Failed("the tool ended before its dialog was painted")
        Wait_For(lambda: self.Window("ZUNQ SF Tool"), "the main dialog in the accessibility tree")

    def Close_Tool(self):
        """The close box: the window manager's request to close the main dialog. The tool must
        end by itself, cleanly."""
        from Xlib import X, protocol
        window = Wait_For(self.Main_X_Window, "the main dialog's X window")
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        delete = self.x.intern_atom("WM_DELETE_WINDOW")
        window.send_event(protocol.event.ClientMessage(window=window, client_type=protocols,
                                                       data=(32, [delete, X.CurrentTime, 0, 0, 0])))
        self.x.flush()
        self.Wait_For_Tool_End("its close box")

    def Signal_Tool(self, number):
        """Ctrl+C (SIGINT) or a `kill` (SIGTERM): the tool must end by itself, cleanly, whatever
        it shows. Answers the seconds from the signal to its end."""
        sent = time.monotonic()
        self.tool.send_signal(number)
        self.Wait_For_Tool_End("signal %d" % number)
        return time.monotonic() - sent

    def Kill_Tool(self):
        """SIGKILL, as a crash ends it: nothing of the tool runs after it."""
        self.tool.kill()
        status = self.tool.wait(Wait_Seconds)
        self.output.close()
        self.tool = None
        if status != -signal.SIGKILL:
            raise Journey_Failed("the tool ended with status %d before it was killed" % status)

    def Wait_For_Tool_End(self, after, expected_status=0):
        """Answers what the tool wrote on its standard output and error."""
        try:
            status = self.tool.wait(Wait_Seconds)
        except subprocess.TimeoutExpired:
            raise Journey_Failed("the tool did not end after " + after)
        self.output.close()
        if status != expected_status:
            raise Journey_Failed("the tool ended with status %d after %s" % (status, after))
        self.tool = None
        with open(self.output.name, encoding="utf-8", errors="replace") as written:
            return written.read()

    def Main_X_Window(self):
        """The tool's top-level window with the main dialog's title, shown."""
        for window in self.Shown_X_Windows():
            if "ZUNQ SF Tool" in str(window.get_wm_name() or ""):
                return window
        return None

    def Shown_X_Windows(self):
        """The tool's top-level windows that are shown, popup menus included."""
        pid_atom = self.x.intern_atom("_NET_WM_PID")
        shown = []
        for window in self.x.screen().root.query_tree().children:
            pid = window.get_full_property(pid_atom, 0)
            if pid and pid.value[0] == self.tool.pid and window.get_attributes().map_state != 0:
                shown.append(window)
        return shown

    # Reading.

    def Application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for application in desktop:
            if application is not None and application.name == "zunq_sf_tool" and \
                    application.get_process_id() == self.tool.pid:
                application.clear_cache()
                return application
        return None

    def Windows(self):
        application = self.Application()
        if application is None:
            return []
        return [Read_Tree(window, self.pyatspi) for window in application if window is not None]

    def Window(self, title):
        """A shown top-level window of the tool whose title holds `title`."""
        for window in self.Windows():
            if window.showing and title in window.name:
                return window
        return None

    def Main(self):
        return Wait_For(lambda: self.Window("ZUNQ SF Tool"), "the main dialog")

    def Message_Box(self):
        """The message box shown, if any: its text and its buttons."""
        for window in self.Windows():
            if window.showing and window.role in ("alert", "dialog") and window.find("push button", "OK"):
                return window
        return None

    # Acting.

    def Xdotool(self, *arguments):
        subprocess.run(["xdotool"] + [str(a) for a in arguments], check=True)

    def Click(self, control, at=None, button=1):
        if control is None:
            raise Journey_Failed("nothing to click")
        x, y = at if at else control.centre()
        pointer = self.x.screen().root.query_pointer()
        # xdotool's --sync waits for the pointer to move: some 15 s when it is there already.
        move = ["mousemove", "--sync", x, y] if (pointer.root_x, pointer.root_y) != (x, y) else []
        self.Xdotool(*move, "click", button)

    def Type(self, text):
        self.Xdotool("type", "--delay", "30", text)

    def Key(self, *keys):
        self.Xdotool("key", "--delay", "30", *keys)

    def Answer_Message_Box(self, expected_text):
        """Waits for the message box with this text and presses its OK button."""
        box = Wait_For(self.Message_Box, "the message box \"%s\"" % expected_text)
        texts = [c.name for c in box.find_all("label")]
        if expected_text not in texts:
            raise Journey_Failed("the message box says %r, not %r" % (texts, expected_text))
        self.Shot("message box")
        self.Click(box.find("push button", "OK"))
        Wait_For(lambda: self.Message_Box() is None, "the message box to close")

    def Shot(self, what):
        """A PNG of the whole screen, numbered by step, in the build tree."""
        self.step += 1
        root = self.x.screen().root
        width, height = Screen
        image = root.get_image(0, 0, width, height, 2, 0xFFFFFFFF)  # ZPixmap
        pixels = image.data
        rows = []
        for y in range(height):
            line = pixels[y * width * 4:(y + 1) * width * 4]
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
            rows.append(b"\0" + bytes(rgb))
        name = "%02d-%s.png" % (self.step, "-".join(what.split()))
        with open(os.path.join(self.shots, name), "wb") as out:
            out.write(Png(width, height, b"".join(rows)))


def Png(width, height, filtered_rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(filtered_rows, 6)) +
            chunk(b"IEND", b""))
