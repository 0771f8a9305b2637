"""The shipping program is a 32-bit GUI executable importing only DLLs that Windows always takes
from System32; so is the 64-bit test build of the same sources."""

import re
import struct
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from wine_harness import REPO, program_path, require_file, win32_build_dir, win64_build_dir

# KnownDLLs: the loader never looks for them beside the program. The other system DLLs the
# program calls (winspool, setupapi, comctl32, ole32, oleaut32) are loaded from System32 when
# first needed.
STATIC_IMPORTS = ["advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"]


def file_type(path):
    return subprocess.run(["file", "-b", str(path)], capture_output=True, text=True, check=True).stdout.strip()


def project_version():
    """The version set once in CMakeLists.txt."""
    return re.search(r"project\(\S+ VERSION (\d+)\.(\d+)\.(\d+)", (REPO / "CMakeLists.txt").read_text()).groups()


def imported_dlls(objdump, path):
    output = subprocess.run([objdump, "-p", str(path)], capture_output=True, text=True, check=True).stdout
    return sorted(re.findall(r"DLL Name:\s*(\S+)", output))


def pe_facts(path):
    """The COFF characteristics, DllCharacteristics, base-relocation size and each section's
    characteristics of a PE file, read from its headers."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size, characteristics = struct.unpack_from("<2xH12xHH", data, pe + 4)
    optional = pe + 24
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    relocations = struct.unpack_from("<I", data, directories + 5 * 8 + 4)[0]
    table = optional + optional_size
    flags = [struct.unpack_from("<I", data, table + 40 * index + 36)[0] for index in range(sections)]
    return characteristics, dll_characteristics, relocations, flags


class ShippingBinaryTest(unittest.TestCase):
    def test_both_programs_carry_the_hardening_scanners_look_for(self):
        for program, objdump, required in (
                (program_path(win32_build_dir()), "i686-w64-mingw32-objdump", 0x0540),  # + NO_SEH
                (program_path(win64_build_dir()), "x86_64-w64-mingw32-objdump", 0x0160)):  # + HIGH_ENTROPY_VA
            require_file(program, "program")
            characteristics, dll_characteristics, relocations, sections = pe_facts(program)
            # DYNAMIC_BASE 0x40 and NX_COMPAT 0x100, with relocations to move by.
            self.assertEqual(dll_characteristics & required, required, f"{program}: {dll_characteristics:#x}")
            self.assertFalse(characteristics & 0x1, "relocations stripped")
            self.assertGreater(relocations, 0)
            writable_code = [flags for flags in sections if flags & 0x20000000 and flags & 0x80000000]
            self.assertEqual(writable_code, [], "a section both writable and executable")
            # What -fstack-protector-strong's runtime leaves in the stripped program.
            self.assertIn(b"*** stack smashing detected ***", program.read_bytes())
        # NO_SEH holds only while nothing registers an SEH handler: none touches the chain at fs:[0].
        code = subprocess.run(["i686-w64-mingw32-objdump", "-d", str(program_path(win32_build_dir()))],
                              capture_output=True, text=True, check=True).stdout
        self.assertIsNone(re.search(r"%fs:0x0\b", code))

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

    def test_i686_manifest_asks_for_elevation_names_windows_7_to_11_and_no_dpi_awareness(self):
        program = require_file(program_path(win32_build_dir()), "i686 program")
        data = program.read_bytes()
        start, end = data.find(b"<assembly"), data.find(b"</assembly>")
        self.assertTrue(0 <= start < end, "an embedded manifest")
        manifest = ElementTree.fromstring(data[start:end + len(b"</assembly>")])
        ids = {element.get("Id") for element in manifest.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
        self.assertEqual(ids, {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        level = manifest.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
        self.assertEqual(level.get("level"), "requireAdministrator")
        dpi = manifest.find(".//{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(dpi.text, "false")

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
