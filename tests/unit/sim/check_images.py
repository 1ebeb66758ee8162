"""Opens the virtual flatbed's files with real image tools (ImageMagick's identify
and PIL): every image type in both formats must have the size, type and
resolution the scan asked for. The OCR application's worksheet of the page of
printed text opens with xlrd.  Usage: check_images.py BUILD_FOLDER"""
import os
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else os.environ.get("TORNEL_BUILD", "")

# area 11,0,837,400 at 150 dpi: 1239 x 600 pixels
AREA = ["11", "0", "837", "400"]
DPI = 150
PIXELS, LINES = (837 - 11) * DPI // 100, 400 * DPI // 100
PIL_MODES = {"colour": "RGB", "grey": "L", "lineart": "1"}


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class RealTools(unittest.TestCase):
    def scan(self, folder, kind, fmt):
        path = os.path.join(folder, f"{kind}.{fmt}")
        result = subprocess.run(
            [os.path.join(BUILD, "wine-run"), os.path.join(BUILD, "bin", "simscan.exe"),
             windows_path(path), kind, fmt, str(DPI)] + AREA,
            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(result.stdout.startswith("end 213"), result.stdout)
        return path

    def test_the_ocr_worksheet_of_the_text_page_holds_its_lines(self):
        import xlrd
        settings = os.path.join(BUILD, "bin", "TNSim.ini")
        self.assertFalse(os.path.exists(settings))
        with tempfile.TemporaryDirectory() as folder:
            try:
                with open(settings, "w") as f:
                    f.write("[Scanner]\nTextPage=1\n")
                image = self.scan(folder, "grey", "tiff")
            finally:
                os.remove(settings)
            result = subprocess.run([os.path.join(BUILD, "wine-run"), os.path.join(BUILD, "bin", "Sprint.exe"),
                                     windows_path(image), "/send", "MSExcel"],
                                    stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=180)
            self.assertEqual(result.returncode, 0, result.stderr)
            sheet = xlrd.open_workbook(os.path.join(folder, "grey.xls")).sheet_by_index(0)
            rows = [sheet.cell_value(row, 0) for row in range(sheet.nrows)]
            if os.path.exists("/usr/bin/tesseract"):
                self.assertEqual(rows, ["Tornel reads this page", "quick brown foxes jump", "over the lazy dog"])
            else:
                self.assertEqual(len(rows), 1)

    def test_every_type_and_format_opens_with_the_asked_geometry(self):
        with tempfile.TemporaryDirectory() as folder:
            for kind, mode in PIL_MODES.items():
                for fmt in ("bmp", "tiff"):
                    with self.subTest(kind=kind, fmt=fmt):
                        path = self.scan(folder, kind, fmt)
                        with Image.open(path) as image:
                            self.assertEqual(image.size, (PIXELS, LINES))
                            self.assertEqual(image.mode, mode)
                            self.assertAlmostEqual(image.info["dpi"][0], DPI, delta=0.1)
                            self.assertAlmostEqual(image.info["dpi"][1], DPI, delta=0.1)
                            image.load()  # the pixel data is all there
                        described = subprocess.run(
                            ["identify", "-units", "PixelsPerInch", "-format", "%w %h %[fx:round(resolution.x)]", path],
                            capture_output=True, text=True, timeout=60)
                        self.assertEqual(described.returncode, 0, described.stderr)
                        self.assertEqual(described.stdout.split(), [str(PIXELS), str(LINES), str(DPI)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
