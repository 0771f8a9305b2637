"""The shipping program is a 32-bit GUI executable importing only system DLLs; so is the
64-bit test build of the same sources."""

import re
import subprocess
import unittest

from wine_harness import program_path, require_file, win32_build_dir, win64_build_dir

# System DLLs present on every Windows the installer supports; nothing of the toolchain.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "winspool.drv", "setupapi.dll",
    "shell32.dll", "comctl32.dll", "msvcrt.dll",
}


def file_type(path):
    return subprocess.run(["file", "-b", str(path)], capture_output=True, text=True, check=True).stdout.strip()


def imported_dlls(objdump, path):
    output = subprocess.run([objdump, "-p", str(path)], capture_output=True, text=True, check=True).stdout
    return sorted(re.findall(r"DLL Name:\s*(\S+)", output))


def foreign(dlls):
    return [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS and not dll.lower().startswith("api-ms-win-")]


class ShippingBinaryTest(unittest.TestCase):
    def test_i686_program_is_a_32_bit_gui_executable(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        self.assertIn("PE32 executable (GUI) Intel 80386", file_type(program))

    def test_i686_program_imports_only_system_dlls(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        dlls = imported_dlls("i686-w64-mingw32-objdump", program)
        print(f"i686 imports: {dlls}")
        self.assertTrue(dlls)
        self.assertEqual(foreign(dlls), [])

    def test_x86_64_program_is_a_64_bit_gui_executable(self):
        program = require_file(program_path(win64_build_dir()), "x86_64 program")
        self.assertIn("PE32+ executable (GUI) x86-64", file_type(program))

    def test_x86_64_program_imports_only_system_dlls(self):
        program = require_file(program_path(win64_build_dir()), "x86_64 program")
        dlls = imported_dlls("x86_64-w64-mingw32-objdump", program)
        print(f"x86_64 imports: {dlls}")
        self.assertTrue(dlls)
        self.assertEqual(foreign(dlls), [])


if __name__ == "__main__":
    unittest.main()
