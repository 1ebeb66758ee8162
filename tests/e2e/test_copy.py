"""Copying: a BMP printed at its natural size, centred, cut but never shrunk, checked on
the spooler's real output rasterised with Ghostscript; and copy presses reaching the
printer the Copy page shows."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

from tornel_e2e import (BIN, DRIVE_C, SOURCE, TornelCase, find_window, ini_value, message_box_text, run_detached,
                        wait_until, wine, windows_path)

# The rig printer (rig.ppd): A4 at 300 dpi, printable 2329 x 3358 units, 75 in from the edge.
HORZRES, VERTRES, DPI, OFFSET = 2329, 3358, 300, 75
RASTER_DPI = 75
STRIPE_COLOURS = [(200, 30, 30), (30, 30, 200), (30, 160, 30), (0, 0, 0)]
CAN_NOT_PRINT = "The page could not be printed."


def printer_tool(*args):
    """The rig's printer tool, detached: the spooler it wakes may outlive it."""
    return run_detached(os.path.join(BIN, "add_test_printer.exe"), *args)


def add_printer(name, output):
    printer_tool("delete", name)
    if printer_tool("add", name, windows_path(output)) != 0:
        raise AssertionError(f"cannot add the printer {name}")


def delete_printer(name):
    printer_tool("delete", name)


def striped_image(mode, width, height, stripe):
    """Horizontal stripes of `stripe` rows, cycling through the colours from the top."""
    image = Image.new("RGB", (width, height))
    for top in range(0, height, stripe):
        image.paste(STRIPE_COLOURS[top // stripe % len(STRIPE_COLOURS)], (0, top, width, min(top + stripe, height)))
    if mode == "many colours":  # a grey ramp in the last row: more colours than 4 bits hold
        for x in range(width):
            image.putpixel((x, height - 1), (x % 200,) * 3)
        return image
    return image.convert(mode, dither=Image.Dither.NONE) if mode != "RGB" else image


def expected_box(width, height, resolution):
    """Left, top, right, bottom on the page in device units, and the rows printed."""
    available_w = HORZRES - (2 * (DPI * 500 // 1000) - 2 * (DPI // 4))
    available_h = VERTRES - (2 * (DPI * 500 // 1000) - 2 * (DPI // 4))
    printed_w, printed_h = width * DPI // resolution, height * DPI // resolution
    rows = height if printed_h <= available_h else height * available_h // printed_h
    printed_w, printed_h = min(printed_w, available_w), min(printed_h, available_h)
    left, top = (HORZRES - printed_w) // 2 + OFFSET, (VERTRES - printed_h) // 2 + OFFSET
    return (left, top, left + printed_w, top + printed_h), rows


class PrintGeometryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="tornel_copy_")
        cls.output = os.path.join(cls.folder, "page.ps")
        add_printer("Tornel Copy Rig", cls.output)

    @classmethod
    def tearDownClass(cls):
        delete_printer("Tornel Copy Rig")
        shutil.rmtree(cls.folder, ignore_errors=True)

    def print_image(self, path, resolution):
        if os.path.exists(self.output):
            os.remove(self.output)
        result = wine(os.path.join(BIN, "print_image.exe"), "Tornel Copy Rig", windows_path(path), str(resolution),
                      windows_path(os.path.join(SOURCE, "data", "Tornel.loc")), check=False, timeout=120)
        messages = [line[len("message: "):] for line in result.stdout.splitlines() if line.startswith("message: ")]
        return result.returncode, messages

    def rasterise(self):
        wait_until(lambda: os.path.exists(self.output) and os.path.getsize(self.output) > 0, 30, "the printed page")
        png = os.path.join(self.folder, "page.png")
        subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m", f"-r{RASTER_DPI}",
                        f"-sOutputFile={png}", self.output], check=True, timeout=120)
        return Image.open(png).convert("RGB")

    def assert_printed(self, image, resolution, rows_in_file=None):
        """The page shows the image's stripes where the natural-size layout puts them."""
        page = self.rasterise()
        (left, top, right, bottom), rows = expected_box(image.width, image.height, resolution)
        scale = RASTER_DPI / DPI
        ink = page.point(lambda v: 255 if v < 235 else 0).convert("L").getbbox()
        first = image.height - (rows_in_file or image.height)
        ink_top = top + first * DPI // resolution
        for got, want in zip(ink, (left, ink_top, right, bottom)):
            self.assertAlmostEqual(got, want * scale, delta=1,
                                   msg=f"ink {ink}, expected {(left, ink_top, right, bottom)} x {scale}")
        source = image.convert("RGB")
        stripe = self.stripe
        for start in range(0, rows, stripe):
            centre = (start + min(start + stripe, rows)) // 2
            y = int((top + centre * DPI // resolution) * scale)
            want = (255, 255, 255) if centre < first else source.getpixel((0, centre))
            got = page.getpixel((int((left + right) / 2 * scale), y))
            self.assertTrue(all(abs(a - b) < 60 for a, b in zip(got, want)),
                            f"row {centre}: {got} on paper, {want} in the image")

    def write(self, image, name, options=None):
        """Writes a BMP with PIL, or with ImageMagick and the given options."""
        path = os.path.join(self.folder, name)
        if options is None:
            image.save(path, "BMP")
        else:
            image.save(path + ".png")
            subprocess.run(["convert", path + ".png", *options, "BMP:" + path], check=True, timeout=60)
        return path

    def test_images_print_at_natural_size_centred_and_cut(self):
        cases = [
            # what, image mode, width, height, stripe, resolution, ImageMagick's options (None: PIL)
            ("24 bits, 250 rows in bands of 100, 100, 50", "RGB", 300, 250, 50, 150, None),
            ("8 bits grey", "L", 240, 180, 30, 200, None),
            ("1 bit", "1", 333, 120, 40, 150, None),
            ("24 bits, V5 header", "RGB", 200, 160, 40, 150, ["-type", "TrueColor"]),
            ("8 bits palette, V5 header", "many colours", 256, 160, 40, 300, ["-type", "Palette", "-compress", "None"]),
            ("taller than the page: its top part", "RGB", 200, 4000, 500, 300, None),
            ("wider than the page: its left part", "RGB", 3000, 300, 100, 300, None),
        ]
        for what, mode, width, height, stripe, resolution, options in cases:
            with self.subTest(what):
                self.stripe = stripe
                image = striped_image(mode, width, height, stripe)
                path = self.write(image, "image.bmp", options)
                if options:
                    with open(path, "rb") as f:
                        self.assertEqual(struct.unpack_from("<I", f.read(18), 14)[0], 124, "a V5 header")
                self.assertEqual(self.print_image(path, resolution), (0, []))
                self.assert_printed(image, resolution)
                if height == 250:
                    with open(self.output, "rb") as f:
                        self.assertEqual(f.read().count(b"image\n") + 0, 3, "three bands")

    def test_a_short_file_prints_the_rows_it_holds(self):
        self.stripe = 50
        image = striped_image("RGB", 300, 250, 50)
        path = self.write(image, "short.bmp")
        stride = 900
        with open(path, "r+b") as f:
            f.truncate(54 + 120 * stride + 7)
        self.assertEqual(self.print_image(path, 150), (0, []))
        self.assert_printed(image, 150, rows_in_file=120)

    def test_corrupt_files_are_refused_with_the_message(self):
        good = self.write(striped_image("RGB", 64, 64, 16), "good.bmp")
        with open(good, "rb") as f:
            data = f.read()
        patches = [
            ("RLE compressed", 30, "<I", 1), ("16 bits", 28, "<H", 16), ("no width", 18, "<i", 0),
            ("top-down", 22, "<i", -64), ("OS/2 header", 14, "<I", 12), ("offset past the end", 10, "<I", 99999),
            ("offset inside the header", 10, "<I", 20), ("wider than the bed", 18, "<i", 6000),
        ]
        cases = [(what, bytearray(data)) for what, *_ in patches]
        for (what, offset, fmt, value), (_, corrupt) in zip(patches, cases):
            struct.pack_into(fmt, corrupt, offset, value)
        cases += [("empty", b""), ("not a BMP", b"GIF89a" + data[6:]), ("headers only", data[:54])]
        for what, corrupt in cases:
            with self.subTest(what):
                path = os.path.join(self.folder, "corrupt.bmp")
                with open(path, "wb") as f:
                    f.write(corrupt)
                self.assertEqual(self.print_image(path, 150), (1, [CAN_NOT_PRINT]))
                self.assertFalse(os.path.exists(self.output) and os.path.getsize(self.output), "nothing printed")
        # The path is data, never a format: its conversions come out as they are.
        missing = os.path.join(self.folder, "missing %s%n.bmp")
        self.assertEqual(self.print_image(missing, 150), (1, [f"File {windows_path(missing)} open error"]))


COPY_FOLDER = os.path.join(DRIVE_C, "e2e_copies")
DEVICE_KEY = r"HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows"
NO_PRINTER = "No printer is installed. Please install a printer first."
KMCONFIG = r"""[Tornel]
Doc0=0
Res0=0
Bri0=0
[MyFolder]
Num=1
Folder1=C:\e2e_copies\
Default=1
[Tornel_Printer]
NumPrinter=2
PrinterName0=Tornel Copy B
"""


class CopyPressTest(TornelCase):
    def setUp(self):
        super().setUp()
        self.write_windows_ini("Button.InI", "[Main]\n2=2\n")
        self.config = self.write_windows_ini("kmconfig.ini", KMCONFIG)
        shutil.rmtree(COPY_FOLDER, ignore_errors=True)
        os.makedirs(COPY_FOLDER)
        self.addCleanup(shutil.rmtree, COPY_FOLDER, True)
        self.folder = tempfile.mkdtemp(prefix="tornel_copies_")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def add_printers(self, *names):
        for name in names:
            add_printer(name, os.path.join(self.folder, name + ".ps"))
            self.addCleanup(delete_printer, name)
        printer_tool("default", names[0])

    def output(self, name):
        path = os.path.join(self.folder, name + ".ps")
        return os.path.getsize(path) if os.path.exists(path) else 0

    def test_the_copy_page_printer_gets_the_copy(self):
        self.add_printers("Tornel Copy A", "Tornel Copy B")
        self.start_resident()
        self.assertEqual(ini_value(self.config, "Tornel_Printer", "PrinterName0"), "Tornel Copy B",
                         "the discovery at start keeps the user's printer")
        self.scanctl("press", 2, "--wait", 10000)
        wait_until(lambda: self.output("Tornel Copy B"), 60, "the copy on the Copy page's printer")
        self.assertEqual(self.output("Tornel Copy A"), 0, "nothing on the default printer")
        self.assertEqual(len(os.listdir(COPY_FOLDER)), 1)

    def test_without_a_printer_nothing_is_scanned(self):
        for what in ("no printer", "no default printer"):
            with self.subTest(what):
                if what == "no default printer":
                    self.add_printers("Tornel Copy A", "Tornel Copy B")
                    device = wine("reg", "query", DEVICE_KEY, "/v", "Device").stdout.split("REG_SZ")[-1].strip()
                    self.addCleanup(wine, "reg", "add", DEVICE_KEY, "/v", "Device", "/d", device, "/f")
                    wine("reg", "add", DEVICE_KEY, "/v", "Device", "/d", "", "/f")
                self.start_resident()
                self.scanctl("press", 2, "--wait", 10000)
                box = find_window("#32770", None, 20000, visible=True)
                self.assertIsNotNone(box, "no message")
                self.assertEqual(message_box_text(box), NO_PRINTER)
                self.assertEqual(os.listdir(COPY_FOLDER), [])
                self._end_processes()
