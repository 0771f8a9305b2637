"""The release (tools/release.sh): two builds of the same sources, in two fresh folders one
after the other, give the same unsigned program byte for byte; the signed program verifies
against the test certificate, is stripped, and links to its symbols."""

import hashlib
import os
import shutil
import subprocess
import unittest
from pathlib import Path

from wine_harness import REPO, wine_dir

BOUND_S = 1200  # safety bound for one release build, not a measurement


def source_files() -> list:
    listed = subprocess.run(["git", "-C", str(REPO), "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], capture_output=True, check=True).stdout
    return [name for name in listed.decode().split("\0") if name and (REPO / name).is_file()]


def release(folder: Path, epoch: str) -> Path:
    """Copies the sources into folder/src and builds the release there; returns folder."""
    for name in source_files():
        target = folder / "src" / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(REPO / name, target)
    env = {k: v for k, v in os.environ.items() if not k.startswith("QAR_SIGN_")}
    env["SOURCE_DATE_EPOCH"] = epoch
    subprocess.run(["bash", str(folder / "src" / "tools" / "release.sh"), str(folder / "build"),
                    str(folder / "dist")], env=env, check=True, timeout=BOUND_S,
                   stdout=subprocess.DEVNULL)
    return folder


class ReleaseTest(unittest.TestCase):
    def setUp(self):
        self.work = wine_dir().parent / "release-check"
        shutil.rmtree(self.work, ignore_errors=True)
        self.addCleanup(shutil.rmtree, self.work, True)

    def test_two_clean_builds_give_one_program_signed_stripped_and_checksummed(self):
        epoch = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"],
                               capture_output=True, text=True, check=True).stdout.strip()
        first = release(self.work / "first", epoch)
        second = release(self.work / "second folder", epoch)

        unsigned = [(folder / "build" / "unsigned" / "Modelprobe_u.exe").read_bytes()
                    for folder in (first, second)]
        print("unsigned sha256:", [hashlib.sha256(data).hexdigest() for data in unsigned])
        self.assertEqual(unsigned[0], unsigned[1], "the unsigned programs differ")

        dist = first / "dist"
        verified = subprocess.run(
            ["osslsigncode", "verify", "-in", str(dist / "Modelprobe_u.exe"), "-CAfile",
             str(first / "build" / "signing" / "test-signing.crt")],
            capture_output=True, text=True)
        print(verified.stdout)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("Signature verification: ok", verified.stdout)

        sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist, capture_output=True,
                              text=True)
        self.assertEqual(sums.returncode, 0, sums.stdout + sums.stderr)

        headers = subprocess.run(["i686-w64-mingw32-objdump", "-h", "-t", str(dist / "Modelprobe_u.exe")],
                                 capture_output=True, text=True, check=True).stdout
        self.assertNotIn(".debug_", headers, "debug sections in the shipped program")
        self.assertIn(".gnu_debuglink", headers)
        link = subprocess.run(["i686-w64-mingw32-objcopy", "--dump-section",
                               f".gnu_debuglink={self.work / 'link'}", str(dist / "Modelprobe_u.exe"),
                               str(self.work / "scratch.exe")], capture_output=True, text=True)
        self.assertEqual(link.returncode, 0, link.stderr)
        self.assertTrue((self.work / "link").read_bytes().startswith(b"Modelprobe_u.exe.debug\0"))


if __name__ == "__main__":
    unittest.main()
