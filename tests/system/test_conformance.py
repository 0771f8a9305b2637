"""The seam's conformance suite on the Win32 implementations: the cross-compiled GoogleTest binary
of tests/conformance, run by Wine on a fresh staged prefix (the package leaves the driver's files
in the driver directory, which the spooler cases register, and the monitor's DLL; a simulated
cutter is plugged in for the device cases). QAR_CONFORMANCE_BUILD names the
build: the i686 one runs as a WoW64 process, and is skipped where 32-bit Wine does not run. The
report lists Wine's expected failures and the cases only the fakes can run, each with its rule."""

import os
import re
import unittest
from pathlib import Path

from usb_flow import Cutter, device
from wine_harness import WineTestCase, log, why_no_32bit_wine, win32_build_dir, win64_build_dir

BOUND_S = 300  # safety bound, not a measurement
SUITE_DIR_WIN = "C:\\qar-suite"
LENIENT = re.compile(r"^\[ WINE LENIENT \] (.*)$")
FAKES_ONLY = re.compile(r"^\[ FAKES ONLY \] (.*)$")


def suite_build() -> Path:
    return win32_build_dir() if os.environ.get("QAR_CONFORMANCE_BUILD") == "i686" else win64_build_dir()


class ConformanceTest(WineTestCase):
    DISPLAY = False

    def id(self) -> str:
        # The two builds' runs may go at once: each its own prefix and artifacts.
        return f"{super().id()}.{suite_build().name}"

    def setUp(self):
        if suite_build() == win32_build_dir() and why_no_32bit_wine():
            (suite_build() / "conformance-report.txt").write_text(
                f"conformance on Wine (i686): not run, no 32-bit Wine: {why_no_32bit_wine()}\n")
            self.skipTest(f"the i686 suite needs 32-bit Wine: {why_no_32bit_wine()}")
        self.binary = suite_build() / "tests" / "conformance" / "qar_conformance.exe"
        self.assertTrue(self.binary.is_file(), f"{self.binary} is not built")
        super().setUp()

    def test_every_case_holds_or_is_marked(self):
        program = self.prefix.copy_in(self.binary, SUITE_DIR_WIN)
        cutter = Cutter(self.prefix, device("conformance", port=1))
        cutter.start()
        try:
            result = self.prefix.wine(program, "--gtest_color=no", check=False, timeout=BOUND_S)
        finally:
            cutter.stop()
        output = result.stdout.decode("utf-8", errors="replace")
        (self.session.artifacts / "conformance.txt").write_text(output)
        lines = output.splitlines()
        lenient = [m.group(1) for m in map(LENIENT.match, lines) if m]
        skipped = [m.group(1) for m in map(FAKES_ONLY.match, lines) if m]
        report = [f"conformance on Wine ({suite_build().name}): {len(lenient)} expected failures, "
                  f"{len(skipped)} cases the fakes run alone"]
        report += [f"  Wine lenient: {line}" for line in lenient]
        report += [f"  fakes only: {line}" for line in skipped]
        (suite_build() / "conformance-report.txt").write_text("\n".join(report) + "\n")
        log("\n".join(report))
        failed = "\n".join(line for line in lines if line.startswith("[  FAILED  ]"))
        self.assertEqual(result.returncode, 0, f"{failed}\nthe whole run: {self.session.artifacts}")


if __name__ == "__main__":
    unittest.main()
