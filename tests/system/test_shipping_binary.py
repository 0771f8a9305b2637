"""The shipping program is a 32-bit GUI executable importing only DLLs that Windows always takes
from System32; so is the 64-bit test build of the same sources."""

import re
import subprocess
import unittest

from wine_harness import REPO, program_path, require_file, win32_build_dir, win64_build_dir

# KnownDLLs: the loader never looks for them beside the program. Every other system DLL
# (winspool, setupapi, comctl32) is loaded from System32 when first needed.
STATIC_IMPORTS = ["advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"]


def file_type(path):
    return subprocess.run(["file", "-b", str(path)], capture_output=True, text=True, check=True).stdout.strip()


def project_version():
    """The version set once in CMakeLists.txt."""
    return re.search(r"project\(\S+ VERSION (\d+)\.(\d+)\.(\d+)", (REPO / "CMakeLists.txt").read_text()).groups()


def imported_dlls(objdump, path):
    output = subprocess.run([objdump, "-p", str(path)], capture_output=True, text=True, check=True).stdout
    return sorted(re.findall(r"DLL Name:\s*(\S+)", output))


class ShippingBinaryTest(unittest.TestCase):
    def test_i686_program_is_a_32_bit_gui_executable(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        self.assertIn("PE32 executable (GUI) Intel 80386", file_type(program))

    def test_i686_program_imports_only_known_dlls(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        dlls = imported_dlls("i686-w64-mingw32-objdump", program)
        print(f"i686 imports: {dlls}")
        self.assertEqual(sorted(dll.lower() for dll in dlls), STATIC_IMPORTS)

    def test_i686_program_is_stripped(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-h", "-t", str(program)], capture_output=True,
                              text=True, check=True).stdout
        self.assertIn("SYMBOL TABLE:\nno symbols", dump)
        self.assertNotIn(".debug_", dump)

    def test_i686_version_resource_carries_the_project_version(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        script = subprocess.run(["i686-w64-mingw32-windres", "-i", str(program), "-O", "rc"],
                                capture_output=True, text=True, check=True).stdout
        major, minor, patch = project_version()
        numbers = f"{major}, {minor}, {patch}, 0"
        text = f"{major}.{minor}.{patch}.0"
        for line in (f"FILEVERSION {numbers}", f"PRODUCTVERSION {numbers}",
                     f'VALUE "FileVersion", "{text}"', f'VALUE "ProductVersion", "{text}"'):
            self.assertIn(line, script)

    def test_x86_64_program_is_a_64_bit_gui_executable(self):
        program = require_file(program_path(win64_build_dir()), "x86_64 program")
        self.assertIn("PE32+ executable (GUI) x86-64", file_type(program))

    def test_x86_64_program_imports_only_known_dlls(self):
        program = require_file(program_path(win64_build_dir()), "x86_64 program")
        dlls = imported_dlls("x86_64-w64-mingw32-objdump", program)
        print(f"x86_64 imports: {dlls}")
        self.assertEqual(sorted(dll.lower() for dll in dlls), STATIC_IMPORTS)


if __name__ == "__main__":
    unittest.main()
