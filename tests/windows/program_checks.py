#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real ZelvoroDriver.exe under Wine, one check per run:

  program_checks.py CHECK --bin DIR --work DIR --prefix DIR --linux-build DIR

CHECK is one of no_device, ks2_first_start, same_bytes, single_instance,
asio_pipes, zelvoroctl, pipe_squatters, resume_after_sleep, hotkey. Each starts
its own virtual X screen (Xvfb) and Wine server on the prefix (created on first
use), the test bus driver as \\\\.\\ZelvoroAudioBus0
when the check needs a device, and the program with its debug output on
stderr, and ends them all. ZELVORO_LINUX_BUILD_DIR overrides --linux-build;
ZELVORO_WINE_DISPLAY (e.g. :61) picks the X display instead of a free one.
Prints what it checked; a failure says what differed and exits 1.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import journal_compare  # noqa: E402

KS2_TITLE = "Zelvoro KS2 - FW: 1.0.3"
# The settings dialog's start-up cycle (USB OTG off, on, initAudio) is the
# last of a first start; it runs on timers after the device was found.
FIRST_START_DONE = "设置初始化完成"
# Long enough after it for a stray request to show, and for the 400 ms watch
# and 500 ms meter polls to run.
SETTLE_SECONDS = 0.8
# The program's text output under Wine is in the ANSI code page of the locale
# Wine derives from LANG: GBK for Simplified Chinese, so Chinese lines survive.
LOCALE = "zh_CN.UTF-8"
LOG_ENCODING = "gbk"


class Failure(Exception):
    pass


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.1)


class Log:
    """A program's merged stdout and stderr, written to a file as it runs."""

    def __init__(self, path, encoding):
        self.path = path
        self.encoding = encoding

    def text(self):
        try:
            with open(self.path, "rb") as f:
                return f.read().decode(self.encoding, errors="replace").replace("\r\n", "\n")
        except FileNotFoundError:
            return ""

    def lines(self):
        return self.text().splitlines()

    def wait_line(self, line, timeout, count=1):
        wait_for(lambda: self.lines().count(line) >= count, timeout, f'{count} x "{line}" in {self.path}')


class Program:
    def __init__(self, argv, env, log_path, encoding, cwd=None):
        self.log = Log(log_path, encoding)
        self.out = open(log_path, "wb")
        self.process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=self.out,
                                        stderr=subprocess.STDOUT, cwd=cwd, start_new_session=True)

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        finally:
            self.out.close()

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.out.close()


class WineSession:
    """Xvfb, a Wine server on the prefix, and the helpers in bin/."""

    def __init__(self, args):
        self.bin = args.bin
        self.prefix = args.prefix
        self.work = args.work
        self.xvfb = None
        self.programs = []

    def __enter__(self):
        try:
            return self.start()
        except BaseException:
            self.__exit__()  # a set-up that failed half-way leaves nothing running
            raise

    def start(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        display = self.start_xvfb()
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WINE", "XDG_", "LC_", "DISPLAY", "WAYLAND"))}
        self.env.update({
            "DISPLAY": display, "WINEPREFIX": self.prefix, "WINEARCH": "win64", "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=", "LANG": LOCALE, "LC_ALL": LOCALE,
            # Wine passes QT_* variables to Windows programs only as WINEQT_*.
            "WINEQT_FORCE_STDERR_LOGGING": "1",
        })
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            print(f"initialising the Wine prefix {self.prefix}")
            self.run(["wineboot", "--init"], timeout=180)
            self.run(["wineserver", "-w"], timeout=60)
        # A server of its own, up for the whole check, ended with everything in it.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL, timeout=30)
        self.run(["wineserver", "-p"])
        for device in os.listdir(os.path.join(self.prefix, "dosdevices")):
            if device.startswith("zelvoroaudiobus"):
                os.remove(os.path.join(self.prefix, "dosdevices", device))
        shutil.rmtree(self.app_data(), ignore_errors=True)
        return self

    def __exit__(self, *exc):
        for program in self.programs:
            program.stop()
        if hasattr(self, "env"):
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL, timeout=30)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    def start_xvfb(self):
        wanted = os.environ.get("ZELVORO_WINE_DISPLAY")
        argv = ["Xvfb", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"]
        if wanted:
            self.xvfb = subprocess.Popen(argv + [wanted], stderr=subprocess.DEVNULL)
            socket = f"/tmp/.X11-unix/X{wanted.lstrip(':')}"
            wait_for(lambda: os.path.exists(socket) or self.xvfb.poll() is not None, 10, "Xvfb")
            if self.xvfb.poll() is not None:
                raise Failure(f"Xvfb could not serve {wanted}")
            return wanted
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(argv + ["-displayfd", str(write)], pass_fds=(write,),
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise Failure("Xvfb found no free display")
        return ":" + number

    def run(self, argv, timeout=30, check=True):
        # Output through a file, not a pipe: Wine's background processes may
        # inherit it and would hold a pipe open long after the command ended.
        with open(os.path.join(self.work, "command.out"), "w+b") as out:
            result = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, timeout=timeout)
            out.seek(0)
            output = out.read().decode(LOG_ENCODING, errors="replace").replace("\r\n", "\n")
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(argv)} exited {result.returncode}: {output.strip()}")
        return result.returncode, output

    def helper(self, name, *arguments, timeout=30, check=True):
        return self.run(["wine", os.path.join(self.bin, name + ".exe"), *arguments], timeout, check)

    def windows_path(self, path):
        return "Z:" + os.path.abspath(path)

    def start_test_bus(self, product_id=2, firmware="1.0.3"):
        self.helper("testbus_control", "start", "0")
        self.helper("testbus_control", "setup", str(product_id), firmware)

    def test_bus_journal(self, name):
        path = os.path.join(self.work, name)
        self.helper("testbus_control", "journal", self.windows_path(path))
        return journal_compare.read_testbus(path)

    def start_program(self, log_name):
        program = Program(["wine", os.path.join(self.bin, "ZelvoroDriver.exe")], self.env,
                          os.path.join(self.work, log_name), LOG_ENCODING)
        self.programs.append(program)
        return program

    def app_data(self):
        users = os.path.join(self.prefix, "drive_c", "users")
        user = os.environ.get("USER") or os.path.basename(os.path.expanduser("~"))
        return os.path.join(users, user, "AppData", "Roaming", "ZelvoroDriver")


def check(condition, what):
    if not condition:
        raise Failure(what)
    print("ok:", what)


def open_failures():
    return [f"Open device \\\\.\\ZelvoroAudioBus{i} failed, error: 2" for i in range(16)]


def check_no_device(session, args):
    program = session.start_program("program.log")
    program.log.wait_line("Device PID: 0", 20, count=2)
    lines = program.log.lines()
    first = lines.index("Device PID: 0")
    second = lines.index("Device PID: 0", first + 1)
    for start, end in ((0, first), (first + 1, second)):
        tick = [line for line in lines[start:end] if line.startswith("Open device ")]
        check(tick == open_failures(), "one tick without a device: the sixteen open failures, then "
              "\"Device PID: 0\"" + ("" if tick == open_failures() else f"; got {tick}"))


def ks2_start(session, log_name="program.log"):
    session.start_test_bus()
    program = session.start_program(log_name)
    program.log.wait_line("Device found with PID: 2", 30)
    program.log.wait_line(FIRST_START_DONE, 10)
    time.sleep(SETTLE_SECONDS)
    return program


def check_ks2_first_start(session, args):
    program = ks2_start(session)
    lines = program.log.lines()
    check("Adding ks2 widget to layout." in lines, "the KS2 panel was added")
    check("Open device \\\\.\\ZelvoroAudioBus0 success!" in lines, "\\\\.\\ZelvoroAudioBus0 was opened")
    entries = journal_compare.first_start(session.test_bus_journal("testbus-journal.txt"))
    frames = [journal_compare.vendor_fields(e) for e in entries if e.code == journal_compare.SEND_VENDOR]
    out_volumes = [(f["channel"], f["level"]) for f in frames if f["cmd"] == 0x03]
    check(out_volumes[:4] == [(1, 100), (2, 100), (5, 100), (6, 100)],
          f"the panel's first requests set outputs 1, 2, 5, 6 to 100 (got {out_volumes[:4]})")
    blocks = [e for e in entries if e.code == journal_compare.WRITE_MIXER_BLOCK]
    check(blocks and all(len(e.data) == 66304 for e in blocks),
          f"the panel wrote {len(blocks)} whole mixer blocks")
    check(entries[-1].code == journal_compare.TRANSFER_VENDOR and entries[-1].data[1] == 0x65,
          "the first start ends with the firmware request")
    check(all(e.status == 0 for e in entries), "the device accepted every first-start request")

    for name in ("setting.ini", "ks2.ini"):
        path = os.path.join(session.app_data(), name)
        check(os.path.isfile(path), f"{name} is in AppData/Roaming/ZelvoroDriver/")
    with open(os.path.join(session.app_data(), "ks2.ini"), encoding="utf-8", errors="replace") as f:
        ini = f.read()
    check("[Dial]" in ini and "[Button]" in ini, "ks2.ini holds the panel's Dial and Button keys")

    # The window opens from the notification icon, titled with the firmware.
    session.helper("window_control", "tray-click")
    _, found = session.helper("window_control", "wait", KS2_TITLE, "20")
    check(found.startswith("found "), f'the main window "{KS2_TITLE}" is shown')
    x, y, width, height = (int(v) for v in found.split()[1:5])
    shot = os.path.join(session.work, "screen.png")
    # Let the panel paint before the picture is taken.
    time.sleep(1.0)
    subprocess.run(["import", "-display", session.env["DISPLAY"], "-window", "root", shot], check=True,
                   timeout=30)
    # Points near the corners of the client area, clear of the frame and of the
    # panel, which is centred.
    points = [(x + width // 20, y + height - height // 20), (x + width - width // 20, y + height - height // 20),
              (x + width // 20, y + height // 2), (x + width - width // 20, y + height // 2)]
    colours = pixel_colours(shot, points)
    check(all(c == (0x2C, 0x31, 0x3C) for c in colours),
          f"the screenshot shows the dark main window (#2c313c) at {points}: {['#%02x%02x%02x' % c for c in colours]}")


def pixel_colours(png, points):
    """The (r, g, b) of each point, from the picture's raw pixels."""
    size = subprocess.run(["identify", "-format", "%w %h", png], capture_output=True, text=True, check=True,
                          timeout=30).stdout.split()
    width = int(size[0])
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                         timeout=30).stdout
    return [tuple(raw[3 * (py * width + px):3 * (py * width + px) + 3]) for px, py in points]


def linux_first_start(args, work, then=None):
    """The same first start by the Linux build against zelvoro-sim: its journal.
    `then(run_ctl, journal_path)` runs while the program still runs, run_ctl
    running the Linux zelvoroctl."""
    binaries = os.path.join(args.linux_build, "bin")
    program_path = os.path.join(binaries, "ZelvoroDriver")
    sim_path = os.path.join(binaries, "zelvoro-sim")
    for path in (program_path, sim_path) + ((os.path.join(binaries, "zelvoroctl"),) if then else ()):
        if not os.access(path, os.X_OK):
            raise Failure(f"{path} is missing: build the Linux build first (scripts/test does), or set "
                          "ZELVORO_LINUX_BUILD_DIR to a Linux build directory")
    # A short private folder under the system's temporary one: the sockets'
    # paths must fit a Unix socket address (107 bytes), which a runtime
    # directory inside a deep build tree does not.
    root = tempfile.mkdtemp(prefix="zelvoro-")
    env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "LC_", "DISPLAY", "WAYLAND"))}
    for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"):
        path = os.path.join(root, name.lower())
        os.makedirs(path, mode=0o700)
        env[name] = path
    env.update({"QT_QPA_PLATFORM": "offscreen", "LANG": LOCALE, "LC_ALL": LOCALE})
    journal = os.path.join(work, "sim-journal.jsonl")
    sim = subprocess.Popen([sim_path, "--model", "ks2", "--firmware", "1.0.3", "--journal", journal],
                           env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           text=True)
    program = None
    said = []
    try:
        wait_for(lambda: said.append(sim.stdout.readline()) or said[-1].startswith("ready") or sim.poll() is not None,
                 10, "zelvoro-sim")
        if sim.poll() is None:
            program = Program([program_path], env, os.path.join(work, "linux-program.log"), "utf-8")
            program.log.wait_line("Device found with PID: 2", 30)
            program.log.wait_line(FIRST_START_DONE, 10)
            time.sleep(SETTLE_SECONDS)
        if sim.poll() is not None:
            raise Failure("zelvoro-sim ended early")
        if then:
            then(lambda *argv: subprocess.run([os.path.join(binaries, "zelvoroctl"), *argv], env=env,
                                              capture_output=True, text=True, timeout=30), journal)
    except Failure:
        # What the simulator said when it ended is the first thing that went wrong.
        if sim.poll() is not None:
            output = "".join(said) + sim.stdout.read()
            raise Failure(f"zelvoro-sim exited {sim.returncode}: {output.strip()}") from None
        raise
    finally:
        if program:
            program.stop()
        try:
            sim.stdin.write("quit\n")
            sim.stdin.close()
        except OSError:
            pass  # it has ended already; its exit is reported above
        try:
            sim.wait(10)
        except subprocess.TimeoutExpired:
            sim.kill()
        shutil.rmtree(root, ignore_errors=True)
    return journal_compare.read_sim(journal)


def check_same_bytes(session, args):
    linux = linux_first_start(args, session.work)
    ks2_start(session)
    windows = session.test_bus_journal("testbus-journal.txt")
    differences = journal_compare.compare(linux, windows)
    for line in differences:
        print(line)
    first = journal_compare.first_start(windows)
    check(not differences, f"the KS2 first start sends the same {len(first)} requests "
          f"({sum(len(e.data) for e in first)} input bytes) on Windows and on Linux")


# What zelvoroctl makes the program send, compared across the platforms: the
# 48 V switch, and a snapshot load (given as a file, the same on both).
CTL_SNAPSHOT = """[Snapshot]
model=KS2
format=1
saved=2026-01-01T00:00:00Z

[Dial]
Mic1Value=30
SpeakerValue=-20
HeadphoneValue=-45
OtgToHpValue=-10

[Button]
Mic120dBIsChecked=true
SpeakerMuteIsChecked=true
HeadphoneDimIsChecked=true

[Engine]
SampleRate=44100
BufferSize=192
LatencySize=8
SlowMode=Disabled
"""
CTL_STEPS = [("zelvoroctl set mic1.48v on", ["set", "mic1.48v", "on"]),
             ("zelvoroctl snapshot load --file", ["snapshot", "load", "--file"])]


def without_polls(entries):
    return [e for e in entries if e.code not in (journal_compare.READ_METER_DATA, journal_compare.GET_DEVICE_PID)]


def check_zelvoroctl(session, args):
    snapshot = os.path.join(session.work, "snapshot.ini")
    with open(snapshot, "w", newline="\r\n") as f:
        f.write(CTL_SNAPSHOT)
    linux = {}

    def on_linux(run_ctl, journal):
        for what, argv in CTL_STEPS:
            mark = len(journal_compare.read_sim(journal))
            result = run_ctl(*argv, *([snapshot] if argv[-1] == "--file" else []))
            if result.returncode != 0:
                raise Failure(f"Linux {what} exited {result.returncode}: {result.stderr.strip()}")
            time.sleep(SETTLE_SECONDS)
            linux[what] = without_polls(journal_compare.read_sim(journal)[mark:])

    linux_first_start(args, session.work, on_linux)
    ks2_start(session)
    for what, argv in CTL_STEPS:
        mark = len(session.test_bus_journal("testbus-journal.txt"))
        file = [session.windows_path(snapshot)] if argv[-1] == "--file" else []
        status, output = session.helper("zelvoroctl", *argv, *file, check=False)
        check(status == 0, f"{what}: zelvoroctl.exe exits 0 (got {status}: {output.strip()})")
        time.sleep(SETTLE_SECONDS)
        windows = without_polls(session.test_bus_journal("testbus-journal.txt")[mark:])
        differences = journal_compare.compare_sequences(what, linux[what], windows)
        for line in differences:
            print(line)
        check(windows and not differences,
              f"{what}: the same {len(windows)} requests on Windows and on Linux: "
              + "; ".join(journal_compare.describe(e) for e in windows))
    frames = [journal_compare.vendor_fields(e) for e in linux[CTL_STEPS[0][0]]
              if e.code == journal_compare.SEND_VENDOR]
    check({"cmd": 0x5B, "state": 1, "channel": 1, "level": 0} in frames,
          "the 48 V request is the mic 1 phantom power frame")


def check_single_instance(session, args):
    first = session.start_program("first.log")
    first.log.wait_line("Device PID: 0", 30)
    second = session.start_program("second.log")
    status = second.wait(30)
    lines = second.log.lines()
    check(status == 0, f"the second copy exits with 0 (got {status})")
    check("Zelvoro Mixer 已经在运行中。" in lines, f"the second copy says it is already running (log: {lines})")
    check(first.process.poll() is None, "the first copy keeps running")


def check_asio_pipes(session, args):
    program = session.start_program("program.log")
    program.log.wait_line("ThreadSettingsPip is running waiting Asio Info...", 30)
    session.helper("asio_pipe", "open")
    program.log.wait_line("Received signal from pipe thread to show settings window.", 10)
    check("Received data from pipe: 0 0 0 0 1" in program.log.lines(),
          "the program read the open request from \\\\.\\pipe\\ZelvoroASIOToPannel")
    _, found = session.helper("window_control", "wait", "Settings", "10")
    check(found.startswith("found "), "the settings dialog is shown")

    server = Program(["wine", os.path.join(session.bin, "asio_pipe.exe"), "serve", "20"], session.env,
                     os.path.join(session.work, "asio-server.log"), LOG_ENCODING)
    session.programs.append(server)
    server.log.wait_line("ready", 20)
    session.helper("window_control", "press-enter", "Settings")
    status = server.wait(30)
    received = [line for line in server.log.lines() if line.startswith("received")]
    check(status == 0 and received == ["received 31"],
          f"OK delivered the reset byte 0x31 to \\\\.\\pipe\\ZelvoroPannelToASIO (got {received})")
    session.helper("window_control", "gone", "Settings", "10")
    print("ok: the settings dialog closed")
    program.log.wait_line("ASIO reset signal sent successfully.", 10)


def check_pipe_squatters(session, args):
    """Pipes whose names another process took first: with an access list open
    to everyone, as another account's squatter would. Wine runs all processes
    as one user, so the open access list is what gives these away here."""
    def squatter(which):
        server = Program(["wine", os.path.join(session.bin, "asio_pipe.exe"), "squat", which, "60"], session.env,
                         os.path.join(session.work, f"squat-{which}.log"), LOG_ENCODING)
        session.programs.append(server)
        server.log.wait_line("ready", 20)
        return server

    control = squatter("control")
    program = session.start_program("program.log")
    refusal = wait_for(lambda: [line for line in program.log.lines() if line.startswith("Control channel ")], 30,
                       "the program's control channel line")
    check(len(refusal) == 1 and "is served by another program (process " in refusal[0],
          f"the program does not serve a control channel another process holds ({refusal})")
    status, output = session.helper("zelvoroctl", "get", "mic1.48v", check=False)
    check(status == 3 and "admits other accounts" in output,
          f"zelvoroctl exits 3 and says why it refused the squatter (got {status}: {output.strip()})")
    lines = control.log.lines()
    check("connected" in lines and not [line for line in lines if line.startswith("received")],
          f"the control channel's squatter was reached and received no byte ({lines})")


# Stored state a KS2 lacks at its power-on defaults: 48 V on mic 1, levels, engine.
SLEEP_STORED = {
    "ks2.ini": "[Button]\nMic148VIsChecked=true\n\n[Dial]\nSpeakerValue=-20\nHeadphoneValue=-30\n",
    "setting.ini": "[Audio]\nBufferSize=192\nSampleRate=44100\n\n[USB]\nLatencySize=8\nSlowMode=Disabled\n",
}
RESUMED = "Resumed from sleep: replaying the stored state."


def check_resume_after_sleep(session, args):
    os.makedirs(session.app_data(), exist_ok=True)
    for name, text in SLEEP_STORED.items():
        with open(os.path.join(session.app_data(), name), "w", newline="\r\n") as f:
            f.write(text)
    program = ks2_start(session)
    first = without_polls(session.test_bus_journal("first-start.txt"))
    # The device wakes at its power-on defaults with the same id; its journal starts afresh.
    session.helper("testbus_control", "setup", "2", "1.0.3")
    session.helper("window_control", "power-resume")
    program.log.wait_line(RESUMED, 10)
    program.log.wait_line("Device found with PID: 2", 30, count=2)
    program.log.wait_line(FIRST_START_DONE, 10, count=2)
    time.sleep(SETTLE_SECONDS)
    replay = without_polls(session.test_bus_journal("replay.txt"))
    print("the journal after the resume:")
    for entry in replay:
        print("  " + journal_compare.describe(entry))
    check(program.log.lines().count(RESUMED) == 1, f'one "{RESUMED}" for the two resume events')
    differences = journal_compare.compare_sequences("resume", first, replay)
    for line in differences:
        print(line)
    check(not differences, f"the replay sends the first start's {len(replay)} requests again")
    frames = [journal_compare.vendor_fields(e) for e in replay if e.code == journal_compare.SEND_VENDOR]
    check({"cmd": 0x5B, "state": 1, "channel": 1, "level": 0} in frames, "the stored 48 V on mic 1 is replayed")
    check(any(e.code == journal_compare.SET_BUFFER_SIZE and e.data == (192).to_bytes(4, "little") for e in replay),
          "the stored buffer size 192 is replayed")
    blocks = [memoryview(e.data).cast("d") for e in replay
              if e.code == journal_compare.WRITE_MIXER_BLOCK and e.data is not None]
    louder = [i for block in blocks for i, gain in enumerate(block) if gain > blocks[-1][i]]
    check(blocks and not louder, f"none of the {len(blocks)} mixer blocks is louder than the stored state")


def check_hotkey(session, args):
    """A bound key's WM_HOTKEY (posted: Wine hands no real key press to a
    program without a focused window) sends what zelvoroctl's toggle does."""
    linux = {}

    def on_linux(run_ctl, journal):
        mark = len(journal_compare.read_sim(journal))
        run_ctl("toggle", "speakers.dim")
        time.sleep(SETTLE_SECONDS)
        linux["dim"] = without_polls(journal_compare.read_sim(journal)[mark:])

    linux_first_start(args, session.work, on_linux)
    session.start_test_bus()
    os.makedirs(session.app_data(), exist_ok=True)
    with open(os.path.join(session.app_data(), "shortcuts.ini"), "w", newline="\r\n") as f:
        f.write("[Shortcuts]\nspeakers.dim=Ctrl+Alt+D\n")
    program = session.start_program("program.log")
    program.log.wait_line(FIRST_START_DONE, 40)
    time.sleep(SETTLE_SECONDS)
    check(not any("not registered" in line for line in program.log.lines()), "RegisterHotKey took Ctrl+Alt+D")
    mark = len(session.test_bus_journal("testbus-journal.txt"))
    session.helper("window_control", "hotkey", "1")
    time.sleep(SETTLE_SECONDS)
    windows = without_polls(session.test_bus_journal("testbus-journal.txt")[mark:])
    differences = journal_compare.compare_sequences("speakers.dim key", linux["dim"], windows)
    for line in differences:
        print(line)
    check(windows and not differences, f"the key sends the same {len(windows)} requests as zelvoroctl toggle on Linux")
    with open(os.path.join(session.app_data(), "ks2.ini"), encoding="utf-8", errors="replace") as f:
        check("SpeakerDimIsChecked=true" in f.read(), "ks2.ini holds the dim")


CHECKS = {
    "no_device": check_no_device,
    "ks2_first_start": check_ks2_first_start,
    "same_bytes": check_same_bytes,
    "single_instance": check_single_instance,
    "asio_pipes": check_asio_pipes,
    "zelvoroctl": check_zelvoroctl,
    "pipe_squatters": check_pipe_squatters,
    "resume_after_sleep": check_resume_after_sleep,
    "hotkey": check_hotkey,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=sorted(CHECKS))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--linux-build", required=True)
    args = parser.parse_args()
    args.linux_build = os.environ.get("ZELVORO_LINUX_BUILD_DIR") or args.linux_build
    started = time.monotonic()
    try:
        with WineSession(args) as session:
            CHECKS[args.check](session, args)
    except (Failure, subprocess.SubprocessError, OSError) as error:
        print(f"FAIL {args.check}: {error}")
        print(f"(logs in {args.work})")
        return 1
    print(f"PASS {args.check} ({time.monotonic() - started:.1f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
