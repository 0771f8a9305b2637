#!/usr/bin/env python3
"""Measures the installer under Wine beside minimal programs of ours and writes
docs/performance.md. Runs are interleaved (real, baseline, real, ...) in one staged prefix and
reported as medians and ratios; nothing here is an assertion.

Usage: run_bench.py [--runs N] [--output docs/performance.md] [--earlier PROGRAM --earlier-label TEXT]
  --earlier adds another build of the installer (a host path) to the interleaved launch runs,
  so that a change's effect on the launch is measured against the same baseline.
Environment: QAR_WIN64_BUILD_DIR, QAR_WIN32_BUILD_DIR as for the system tests.
"""

import argparse
import os
import platform
import re
import statistics
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "system"))

import wine_harness  # noqa: E402
from usb_flow import Cutter, device  # noqa: E402

SELECTION_PORT_LIST = 1007


def run_tool(prefix, exe_win, *args, pattern):
    result = prefix.wine(exe_win, *args, check=False, timeout=120)
    output = result.stdout.decode(errors="replace") if isinstance(result.stdout, bytes) else result.stdout
    match = re.search(pattern, output)
    if not match:
        raise RuntimeError(f"{exe_win} {args}: no measurement in {output!r}")
    return float(match.group(1))


def measure_launch(prefix, runs, earlier=None):
    """Launch times of the installer, the bare dialog and (when given) an earlier build,
    interleaved run by run."""
    timer = prefix.copy_in(bench_exe("qar_launch_timer.exe"), "C:\\bench")
    programs = [wine_harness.PROGRAM_WIN, prefix.copy_in(bench_exe("qar_bare_dialog.exe"), "C:\\bench")]
    if earlier:
        # Beside the installer, as the outer setup would leave it, under a name of its own.
        programs.append(prefix.copy_in(Path(earlier), "C:\\earlier"))
    samples = [[] for _ in programs]
    for _ in range(runs):
        for program, times in zip(programs, samples):
            times.append(run_tool(prefix, timer, program, SELECTION_PORT_LIST, pattern=r"launch_ms=([\d.]+)"))
    return samples


def measure_chain(prefix, runs):
    ours = prefix.copy_in(bench_exe("qar_chain_timer.exe"), "C:\\bench")
    bare = prefix.copy_in(bench_exe("qar_bare_chain.exe"), "C:\\bench")
    real, baseline = [], []
    for run in range(runs):
        # A fresh name each time, so that every run really registers a driver and adds a queue.
        real.append(run_tool(prefix, ours, f"Bench-{run}-a", "COM1:", pattern=r"chain_ms=([\d.]+) result=1"))
        baseline.append(run_tool(prefix, bare, f"Bench-{run}-b", "COM1:", pattern=r"chain_ms=([\d.]+) result=1"))
    return real, baseline


def measure_identification(prefix, runs):
    """Per-device time of one enumeration and exchange with 1, 4 and 32 cutters, and the
    bound a mute cutter costs."""
    timer = prefix.copy_in(bench_exe("qar_identify_timer.exe"), "C:\\bench")
    results = {}
    setups = {
        "1 cutter": [device(f"s{n:02d}", port=1 + n % 9) for n in range(1)],
        "4 cutters": [device(f"s{n:02d}", port=1 + n % 9) for n in range(4)],
        "32 cutters": [device(f"s{n:02d}", port=1 + n % 9) for n in range(32)],
        "1 mute cutter": [device("mute", port=1, mute=True)],
    }
    for name, devices in setups.items():
        cutter = Cutter(prefix, *devices)
        cutter.start()
        try:
            samples = [run_tool(prefix, timer, pattern=r"per_device_ms=([\d.]+)") for _ in range(runs)]
        finally:
            cutter.stop()
        results[name] = samples
    return results


def bench_exe(name):
    """A bench program of the same architecture as the program under test: a 32-bit process
    under WoW64 is compared with 32-bit baselines."""
    return wine_harness.program_build() / "bench" / name


def shipping_binary():
    exe = wine_harness.win32_build_dir() / "src" / "Modelprobe_u.exe"
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout
    imports = sorted(set(re.findall(r"DLL Name: (\S+)", dump)), key=str.lower)
    kind = subprocess.run(["file", "-b", str(exe)], capture_output=True, text=True, check=True).stdout.strip()
    return exe.stat().st_size, imports, kind


def machine_line():
    cpu = "unknown CPU"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    wine = subprocess.run([wine_harness.WINE64, "--version"], capture_output=True, text=True).stdout.strip()
    return f"{cpu}, {os.cpu_count()} cores, {platform.system()} {platform.release()}, {wine}"


def program_line():
    if wine_harness.program_is_32bit():
        return "the shipping i686 program, a 32-bit process in a 64-bit prefix (WoW64)"
    return "the x86_64 twin (this machine runs no 32-bit Wine)"


def row(name, real, baseline, target):
    ours, base = statistics.median(real), statistics.median(baseline)
    ratio = ours / base if base else float("nan")
    return f"| {name} | {ours:.1f} ms | {base:.1f} ms | {ratio:.2f} | {target} | {len(real)} + {len(baseline)} |"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--output", default=str(ROOT / "docs" / "performance.md"))
    parser.add_argument("--earlier")
    parser.add_argument("--earlier-label", default="an earlier build")
    options = parser.parse_args()

    session = wine_harness.WineSession("bench", display=True).open()
    try:
        launch = measure_launch(session.prefix, options.runs, options.earlier)
        chain = measure_chain(session.prefix, options.runs)
        identification = measure_identification(session.prefix, options.runs)
    finally:
        session.close(failed=False)
    size, imports, kind = shipping_binary()

    lines = [
        "# Performance",
        "",
        "Measured under Wine on this machine by `make bench` (`bench/run_bench.py`): the installer",
        "and a minimal program of ours doing the same work run interleaved in one staged prefix;",
        "the table gives medians and their ratio. These are reports, not test assertions.",
        "",
        f"Machine: {machine_line()}.",
        "",
        f"Program measured: {program_line()}; the baselines are built for the same architecture.",
        "",
        "| Measure | Installer | Baseline | Ratio | Target | Runs |",
        "|---|---|---|---|---|---|",
        row("Launch to the selection dialog on screen (baseline: bare program showing the same template)",
            launch[0], launch[1], "≤ 1.05"),
        *([row(f"Launch as above, {options.earlier_label}", launch[2], launch[1], "")] if options.earlier else []),
        row("Install chain: driver, driver key, queue, monitor settings (baseline: the same calls written out)",
            *chain, "≤ 1.05"),
        "",
        "The installer's first step, before the selection dialog, asks the spooler for its driver",
        "directory, so winspool.drv and what it brings (spoolss, localspl, rpcrt4, combase, ole32)",
        "load before the dialog appears, as the flow needs them; the bare dialog loads none of them.",
        "System DLLs beyond the KnownDLLs are loaded on first use from System32, which keeps",
        "setupapi, shell32, shlwapi and shcore out of the start: under Wine that gain is within the",
        "run-to-run spread of the launch.",
        "",
        "## USB identification",
        "",
        "One enumeration and exchange per device (the 7-byte request, the 50 ms pause, one read),",
        "timed inside the installer's own code (`qar_identify_timer`) against simulated cutters.",
        "The target is 60 ms a device; a mute cutter costs the read's 2 s bound.",
        "",
        "| Cutters | Median per device | Runs |",
        "|---|---|---|",
        *[f"| {name} | {statistics.median(samples):.1f} ms | {len(samples)} |"
          for name, samples in identification.items()],
        "",
        "## Shipping program",
        "",
        f"- `build/i686/src/Modelprobe_u.exe`: {size} bytes ({size / 1024:.0f} KiB), {kind}.",
        f"- Imports: {', '.join(imports)}.",
        "",
    ]
    Path(options.output).write_text("\n".join(lines))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
