"""What /proc says about the Wine processes of a run: which process runs a program, CPU
time and resident memory, and the peak memory of a program while a block runs."""
import os
import threading

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def program_of(pid):
    """argv[0] of a process (a Unix or a Windows path under Wine); OSError once it ended."""
    with open("/proc/%s/cmdline" % pid, "rb") as f:
        return f.read().split(b"\0")[0].decode("latin-1")


def pids_running(program):
    """The ids of the processes whose program (argv[0]) is named program, any case."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            argv0 = program_of(pid)
        except OSError:
            continue
        if argv0.replace("\\", "/").lower().endswith("/" + program.lower()):
            found.append(int(pid))
    return found


def find_process(program):
    """The id of the one process whose program is named program; None when there is none."""
    found = pids_running(program)
    if len(found) > 1:
        raise RuntimeError("%d processes run %s: %s" % (len(found), program, found))
    return found[0] if found else None


def find_wineserver(prefix):
    """The id of the wine server of the prefix (other Wine environments may run theirs)."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % pid) as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() in f.read().split(b"\0"):
                    return int(pid)
        except OSError:
            continue
    return None


def status_bytes(pid, field):
    """A memory field of /proc/PID/status ("VmRSS", "VmHWM" ...) in bytes; OSError once the
    process ended (an ended process that was not yet reaped has a status without them)."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) * 1024
    raise ProcessLookupError("process %d has ended" % pid)


def sample(pid):
    """(CPU seconds used so far, resident bytes) of a process; OSError once it ended."""
    with open("/proc/%d/stat" % pid) as f:
        # The fields after the command name, which may hold blanks, in its parentheses.
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime, stime
    return cpu, status_bytes(pid, "VmRSS")


class PeakMemory:
    """Samples the peak resident memory (VmHWM) of the processes running a program while
    the block runs; .peak is the highest, in bytes."""

    def __init__(self, program):
        self.program = program
        self.peak = 0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def _sample(self):
        for pid in pids_running(self.program):
            try:
                self.peak = max(self.peak, status_bytes(pid, "VmHWM"))
            except OSError:
                continue

    def _run(self):
        while not self._stop.is_set():
            self._sample()
            self._stop.wait(0.02)
        self._sample()
