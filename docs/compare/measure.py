#!/usr/bin/env python3
"""Measures one reader of the simulated instrument's lines, or MERIDOC's benchmark.

  measure.py reader NAME LOAD SIM LINES [--baud B] -- COMMAND...
      Starts SIM (meridoc-sim) on a pseudo-terminal, starts COMMAND with
      {device} and {output} replaced, presses the instrument's transfer key once
      COMMAND holds the device open, and prints one CSV row.
  measure.py bench NAME LOAD BENCH FIGURE LINES
      Runs the MERIDOC benchmark figure (paced or flood) and prints its CSV row.

CSV columns: see HEADER. cpu_receive_s is the CPU time the reader used from
the key press on; cpu_total_s includes its start-up (empty for MERIDOC, whose
benchmark measures the reception only).
"""
import os
import re
import subprocess
import sys
import tempfile
import time

HEADER = "contender,load,lines_sent,lines_intact,lines_lost,cpu_receive_s,cpu_total_s,wall_s"
LINE_LENGTH = 18
RECORD_END = b"\r\n"
TICKS = os.sysconf("SC_CLK_TCK")


def flood_line(number, length=LINE_LENGTH):
    """The simulator's numbered flood line, without its record end."""
    line = str(number).rjust(8, "0")
    hundredths = 1000 + (number * 37) % 1000
    reading = " %d.%02d um" % (hundredths // 100, hundredths % 100)
    rest = length - len(line)
    if rest <= 0:
        return line.encode()
    if len(reading) >= rest:
        return (line + reading[:rest]).encode()
    return (line + " " * (rest - len(reading)) + reading).encode()


def intact_lines(path, expected):
    """How many of the lines 1..expected arrived unchanged, each counted once."""
    seen = set()
    with open(path, "rb") as f:
        for line in f.read().split(RECORD_END):
            head = line[:8]
            if head.isdigit():
                number = int(head)
                if 1 <= number <= expected and line == flood_line(number):
                    seen.add(number)
    return len(seen)


def cpu_seconds_so_far(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def holds_open(pid, device):
    try:
        fds = os.listdir("/proc/%d/fd" % pid)
    except OSError:
        return False
    for fd in fds:
        try:
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)) == device:
                return True
        except OSError:
            pass
    return False


def row(name, load, sent, intact, cpu_receive, cpu_total, wall):
    total = "" if cpu_total is None else "%.3f" % cpu_total
    return "%s,%s,%d,%d,%d,%.3f,%s,%.2f" % (name, load, sent, intact, sent - intact, cpu_receive, total, wall)


def measure_reader(name, load, sim, lines, baud, command):
    sim_args = [sim, "--family", "orvik", "--any-line", "--print-path", "--lines", str(lines),
                "--line-length", str(LINE_LENGTH)]
    if baud:
        sim_args += ["--baud", str(baud)]
    instrument = subprocess.Popen(sim_args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    device = instrument.stdout.readline().strip()
    if not instrument.stdout.readline().startswith("Playing "):
        sys.exit("measure.py: meridoc-sim did not start; run it by hand: " + " ".join(sim_args))

    total_bytes = lines * (LINE_LENGTH + len(RECORD_END)) + len(b"End\r\n")
    with tempfile.TemporaryDirectory() as folder:
        output = os.path.join(folder, "lines.txt")
        argv = [a.replace("{device}", device).replace("{output}", output) for a in command]
        stdout = open(output, "wb") if "{output}" not in " ".join(command) else subprocess.DEVNULL
        reader = subprocess.Popen(argv, stdout=stdout, stderr=subprocess.DEVNULL)
        while not holds_open(reader.pid, device):
            if reader.poll() is not None:
                sys.exit("measure.py: %s ended before it opened %s" % (argv[0], device))
            time.sleep(0.005)

        cpu_at_press = cpu_seconds_so_far(reader.pid)
        instrument.stdin.write("\n")
        instrument.stdin.flush()
        pressed = time.monotonic()
        # A reader that does not stop at "End" (cat) has all lines once the
        # file is complete; it ends only when the instrument goes away.
        if reader.args[0] == "cat":
            while os.path.getsize(output) < total_bytes and reader.poll() is None:
                time.sleep(0.005)
            done = time.monotonic()
        _, _, usage = os.wait4(reader.pid, 0)
        reader.returncode = 0
        if reader.args[0] != "cat":
            done = time.monotonic()
        if stdout is not subprocess.DEVNULL:
            stdout.close()
        intact = intact_lines(output, lines)

    try:
        instrument.wait(timeout=20)
    except subprocess.TimeoutExpired:
        instrument.kill()
        instrument.wait()
    cpu_total = usage.ru_utime + usage.ru_stime
    return row(name, load, lines, intact, cpu_total - cpu_at_press, cpu_total, done - pressed)


def measure_bench(name, load, bench, figure, lines):
    result = subprocess.run([bench, figure, "--lines", str(lines)], stdout=subprocess.PIPE, text=True)
    text = result.stdout
    if figure == "paced":
        m = re.search(r"\(([\d.]+) CPU s over ([\d.]+) s wall", text)
        cpu, wall = float(m.group(1)), float(m.group(2))
    else:
        m = re.search(r"in ([\d.]+) s, ([\d.]+) CPU s", text)
        wall, cpu = float(m.group(1)), float(m.group(2))
    if "arrived intact" in text:
        intact = lines
    else:
        m = re.search(r"LOST OR DAMAGED: ([\d,]+) of", text)
        intact = int(m.group(1).replace(",", ""))
    sys.stderr.write(text)
    return row(name, load, lines, intact, cpu, None, wall)


def main(argv):
    if len(argv) >= 6 and argv[0] == "bench":
        print(measure_bench(argv[1], argv[2], argv[3], argv[4], int(argv[5])))
        return
    if len(argv) >= 6 and argv[0] == "reader" and "--" in argv:
        split = argv.index("--")
        options, command = argv[1:split], argv[split + 1:]
        baud = 0
        if "--baud" in options:
            at = options.index("--baud")
            baud = int(options[at + 1])
            del options[at:at + 2]
        name, load, sim, lines = options
        print(measure_reader(name, load, sim, int(lines), baud, command))
        return
    sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
