"""What the built Setup.exe says about itself: version information, application manifest,
header flags and size, read back from the file (no Wine needed)."""
import os
import struct
import unittest
import xml.etree.ElementTree as ET

from product import COMPANY_NAME, FILE_DESCRIPTION, LAUNCHER, PRODUCT_NAME

RT_VERSION = 16
RT_MANIFEST = 24
TERMINAL_SERVER_AWARE = 0x8000
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
SIZE_GOAL = 128 * 1024
# Every DLL the program may import: each ships with Windows 98 and with NT 4.0. The functions
# taken from them are reviewed one by one in allowed_imports.txt.
SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll",
               "user32.dll"}
IMPORT_DIRECTORY = 1
BOUND_IMPORT_DIRECTORY = 11
DELAY_IMPORT_DIRECTORY = 13


class PeImage:
    """The parts of a PE32 file these tests read."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x10B:
            raise ValueError("not PE32")
        self.dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
        # Operating-system, image and subsystem versions, major and minor each.
        (self.os_version, self.image_version,
         self.subsystem_version) = [struct.unpack_from("<HH", data, optional + at)
                                    for at in (40, 44, 48)]
        count = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(count)]
        self.resource_rva = self.directories[2][0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            vsize, rva, raw_size, raw = struct.unpack_from("<4I", data, at + 8)
            self.sections.append((rva, max(vsize, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address %#x is in no section" % rva)

    def directory(self, index):
        """(address, size) of a data directory; (0, 0) when the header has none."""
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def string_at(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """[(dll name, time stamp)] of the import directory, in its order."""
        found = []
        at = self.offset(self.directory(IMPORT_DIRECTORY)[0])
        while True:
            lookup, stamp, _forwarder, name, thunks = struct.unpack_from("<5I", self.data, at)
            if (lookup, stamp, name, thunks) == (0, 0, 0, 0):
                return found
            found.append((self.string_at(name), stamp))
            at += 20

    def resources(self):
        """{(type, id): bytes} for resources named by number (all languages merged)."""
        found = {}
        base = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<12xHH", self.data, base + directory)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield name, target

        for type_id, type_dir in entries(0):
            for res_id, lang_dir in entries(type_dir & 0x7FFFFFFF):
                for _lang, leaf in entries(lang_dir & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    at = self.offset(rva)
                    found[(type_id, res_id)] = self.data[at:at + size]
        return found


def version_info(block):
    """(fixed file version as 4 numbers, {string name: text}) of a VS_VERSIONINFO block."""
    strings = {}
    fixed = None

    def walk(at, end):
        nonlocal fixed
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<3H", block, at)
            if length == 0:
                break
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            value_size = value_length * 2 if kind == 1 else value_length
            if key == "VS_VERSION_INFO":
                ms, ls = struct.unpack_from("<II", block, value_at + 8)
                fixed = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
            elif kind == 1 and value_length:
                strings[key] = block[value_at:value_at + value_size].decode("utf-16-le").rstrip("\0")
            walk((value_at + value_size + 3) & ~3, at + length)
            at = (at + length + 3) & ~3

    walk(0, len(block))
    return fixed, strings


class SetupImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.path = os.path.join(os.environ["KEST_WIN_BUILD_DIR"], "Setup.exe")
        with open(cls.path, "rb") as f:
            cls.image = PeImage(f.read())
        cls.resources = cls.image.resources()

    def test_version_information_names_the_product(self):
        fixed, strings = version_info(self.resources[(RT_VERSION, 1)])
        version = ".".join(str(n) for n in fixed)
        self.assertEqual(
            {k: strings.get(k) for k in ("ProductName", "CompanyName", "FileDescription",
                                         "OriginalFilename", "FileVersion", "ProductVersion")},
            {"ProductName": PRODUCT_NAME, "CompanyName": COMPANY_NAME,
             "FileDescription": FILE_DESCRIPTION, "OriginalFilename": LAUNCHER,
             "FileVersion": version, "ProductVersion": version})
        self.assertNotEqual(fixed, (0, 0, 0, 0))

    def test_manifest_asks_for_the_highest_rights_available_on_every_supported_windows(self):
        manifest = ET.fromstring(self.resources[(RT_MANIFEST, 1)])
        levels = [(e.get("level"), e.get("uiAccess")) for e in manifest.iter()
                  if e.tag.endswith("}requestedExecutionLevel")]
        self.assertEqual(levels, [("highestAvailable", "false")])
        supported = {e.get("Id") for e in manifest.iter() if e.tag.endswith("}supportedOS")}
        self.assertEqual(supported, SUPPORTED_OS)

    def test_header_marks_terminal_server_aware_relocatable_and_no_execute(self):
        flags = self.image.dll_characteristics
        for name, bit in (("terminal-server aware", TERMINAL_SERVER_AWARE),
                          ("dynamic base", DYNAMIC_BASE), ("NX compatible", NX_COMPAT)):
            self.assertTrue(flags & bit, name)

    def test_windows_95_and_nt_4_load_it(self):
        """The loader of those systems refuses a program that asks for a newer system or
        subsystem than 4.0: 4.10 is already too new."""
        self.assertEqual(self.image.os_version, (4, 0))
        self.assertEqual(self.image.subsystem_version, (4, 0))

    def test_imports_only_dlls_of_windows_98_and_nt_4_and_none_late_or_bound(self):
        imports = self.image.imports()
        self.assertTrue(imports)
        dlls = {name.lower() for name, _stamp in imports}
        self.assertLessEqual(dlls, SYSTEM_DLLS)
        self.assertEqual([stamp for _name, stamp in imports], [0] * len(imports))
        self.assertEqual(self.image.directory(BOUND_IMPORT_DIRECTORY), (0, 0))
        self.assertEqual(self.image.directory(DELAY_IMPORT_DIRECTORY), (0, 0))
        allowed = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_imports.txt")
        with open(allowed) as f:
            listed = {line.split("#")[0].split()[0].lower() for line in f
                      if line.split("#")[0].strip()}
        self.assertLessEqual(listed, SYSTEM_DLLS)

    def test_size_stays_within_its_goal(self):
        self.assertLessEqual(os.path.getsize(self.path), SIZE_GOAL)


if __name__ == "__main__":
    unittest.main()
