"""The release (tools/release.sh, tools/sign.sh, tools/verify-release.sh), built from a commit of
the current sources: refused without a signing key and from a dirty tree; test-signed with a
timestamp and marked so; signed again with a key on a (SoftHSM) token; and rebuilt from its
BUILDINFO, in another folder, to the same unsigned program byte for byte."""

import os
import shutil
import subprocess
import unittest
from pathlib import Path

from wine_harness import REPO, wine_dir

BOUND_S = 1200  # safety bound for one release build, not a measurement
SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so"


def source_files() -> list:
    listed = subprocess.run(["git", "-C", str(REPO), "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], capture_output=True, check=True).stdout
    return [name for name in listed.decode().split("\0") if name and (REPO / name).is_file()]


def commit_of_the_sources(folder: Path) -> Path:
    """The current sources (committed or not) as the one commit of a repository in folder,
    dated as the last commit of this one; returns folder."""
    for name in source_files():
        target = folder / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(REPO / name, target)
    date = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%cI"], capture_output=True,
                          text=True, check=True).stdout.strip()
    identity = {"GIT_AUTHOR_NAME": "release test", "GIT_AUTHOR_EMAIL": "release@test",
                "GIT_COMMITTER_NAME": "release test", "GIT_COMMITTER_EMAIL": "release@test",
                "GIT_AUTHOR_DATE": date, "GIT_COMMITTER_DATE": date}
    for command in (["init", "-q"], ["add", "-A"], ["commit", "-q", "-m", "release test"]):
        subprocess.run(["git", "-C", str(folder), *command], env=dict(os.environ, **identity),
                       check=True, capture_output=True)
    return folder


class ReleaseTest(unittest.TestCase):
    def setUp(self):
        self.work = wine_dir().parent / "release-check"
        shutil.rmtree(self.work, ignore_errors=True)
        self.addCleanup(shutil.rmtree, self.work, True)
        self.source = commit_of_the_sources(self.work / "source")
        self.dist = self.work / "dist"

    def release(self, **settings) -> subprocess.CompletedProcess:
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QAR_SIGN_", "QAR_TEST_SIGN"))}
        return subprocess.run(["bash", str(self.source / "tools" / "release.sh"), str(self.work / "build"),
                               str(self.dist)], env=dict(env, **settings), capture_output=True, text=True,
                              timeout=BOUND_S)

    def assert_refused(self, result, why: str) -> None:
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertIn(why, result.stderr)
        self.assertFalse(self.dist.exists(), "a refused release wrote dist/")

    def verify_signature(self, program: Path, ca: Path) -> str:
        verified = subprocess.run(["osslsigncode", "verify", "-in", str(program), "-CAfile", str(ca),
                                   "-TSA-CAfile", str(ca)], capture_output=True, text=True)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("Signature verification: ok", verified.stdout)
        return verified.stdout

    def test_release_is_refused_signed_on_a_token_and_rebuilt_byte_for_byte(self):
        self.assert_refused(self.release(), "no signing key")
        (self.source / "stray.txt").write_text("not committed")
        self.assert_refused(self.release(QAR_TEST_SIGN="1"), "uncommitted changes")
        (self.source / "stray.txt").unlink()
        # No time-stamping server can be reached here: its URL reaches osslsigncode, which fails.
        unreachable = "http://127.0.0.1:9/"
        self.assert_refused(self.release(QAR_TEST_SIGN="1", QAR_SIGN_TIMESTAMP_URL=unreachable), unreachable)

        result = self.release(QAR_TEST_SIGN="1")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("TEST-SIGNED", result.stderr)
        self.assertTrue((self.dist / "TEST-SIGNED").exists())
        sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.dist, capture_output=True, text=True)
        self.assertEqual(sums.returncode, 0, sums.stdout + sums.stderr)
        self.assertEqual(sorted(line.rsplit(": ", 1)[0] for line in sums.stdout.splitlines()),
                         ["BUILDINFO", "Modelprobe_u.exe", "Modelprobe_u.exe.debug", "TEST-SIGNED",
                          "unsigned/Modelprobe_u.exe"])
        info = (self.dist / "BUILDINFO").read_text()
        print(info)
        head = subprocess.run(["git", "-C", str(self.source), "rev-parse", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
        self.assertIn(f"commit {head}\n", info)
        self.assertIn("package g++-mingw-w64-i686-win32 ", info)
        signing = self.work / "build" / "signing"
        stamped = self.verify_signature(self.dist / "Modelprobe_u.exe", signing / "test-ca.crt")
        self.assertIn("Timestamp Server Signature verification: ok", stamped)
        self.assert_stripped_and_linked(self.dist / "Modelprobe_u.exe")

        token_signed = self.sign_with_a_key_on_a_token(self.dist / "unsigned" / "Modelprobe_u.exe")
        print(self.verify_signature(token_signed, self.work / "token" / "ca.crt"))

        verified = subprocess.run(["bash", str(self.source / "tools" / "verify-release.sh"), str(self.dist),
                                   str(self.work / "verify here")], capture_output=True, text=True,
                                  timeout=BOUND_S)
        print(verified.stdout)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("identical", verified.stdout)

    def sign_with_a_key_on_a_token(self, program: Path) -> Path:
        """A CA and a code-signing key of the test's own, the key imported into a SoftHSM token;
        tools/sign.sh signs through the token's PKCS#11 module, the PIN on a file descriptor."""
        token = self.work / "token"
        (token / "store").mkdir(parents=True)
        config = token / "softhsm2.conf"
        config.write_text(f"directories.tokendir = {token / 'store'}\nobjectstore.backend = file\n")
        env = dict(os.environ, SOFTHSM2_CONF=str(config))

        def run(*command, **kwargs):
            subprocess.run(command, cwd=token, env=env, check=True, capture_output=True, **kwargs)

        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.crt",
            "-days", "30", "-subj", "/CN=Release test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign")
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signing.key", "-out", "signing.csr",
            "-subj", "/CN=Release test signing")
        (token / "signing.ext").write_text("keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
        run("openssl", "x509", "-req", "-in", "signing.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-set_serial",
            "1", "-days", "30", "-extfile", "signing.ext", "-out", "signing.crt")
        (token / "chain.pem").write_text((token / "signing.crt").read_text() + (token / "ca.crt").read_text())
        run("openssl", "pkcs8", "-topk8", "-nocrypt", "-in", "signing.key", "-out", "signing.p8")
        run("softhsm2-util", "--init-token", "--free", "--label", "QAR release", "--pin", "246810",
            "--so-pin", "13579111")
        run("softhsm2-util", "--import", "signing.p8", "--token", "QAR release", "--label", "signing", "--id",
            "01", "--pin", "246810")
        (token / "signing.key").unlink()  # the key now lives on the token only

        signed = self.work / "token-signed.exe"
        env.update(QAR_SIGN_PKCS11_MODULE=SOFTHSM_MODULE, QAR_SIGN_CERT=str(token / "chain.pem"),
                   QAR_SIGN_PKCS11_KEY="pkcs11:token=QAR%20release;id=%01;type=private",
                   QAR_SIGN_PASSWORD="246810")
        result = subprocess.run(["bash", str(self.source / "tools" / "sign.sh"), str(program), str(signed),
                                 str(token / "work")], env=env, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("no timestamp", result.stderr, "the warning for a signature without a timestamp")
        return signed

    def assert_stripped_and_linked(self, program: Path) -> None:
        headers = subprocess.run(["i686-w64-mingw32-objdump", "-h", "-t", str(program)],
                                 capture_output=True, text=True, check=True).stdout
        self.assertNotIn(".debug_", headers, "debug sections in the shipped program")
        self.assertIn(".gnu_debuglink", headers)
        link = subprocess.run(["i686-w64-mingw32-objcopy", "--dump-section",
                               f".gnu_debuglink={self.work / 'link'}", str(program),
                               str(self.work / "scratch.exe")], capture_output=True, text=True)
        self.assertEqual(link.returncode, 0, link.stderr)
        self.assertTrue((self.work / "link").read_bytes().startswith(b"Modelprobe_u.exe.debug\0"))


if __name__ == "__main__":
    unittest.main()
