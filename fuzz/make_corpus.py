#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora into fuzz/corpus/ (run it again after changing it).

decode/: small real files of every format Qt and the program's own HEIC, AVIF and JPEG XL
readers read, in their common variants, made with ImageMagick's `convert` (icns is assembled here
around a PNG). Each seed is one byte naming the reader to try first (its index in
fuzz_formats.h), then the file; the first file of each format comes with byte 0 as well, which
leaves the choice to the content.

dispatch/: byte strings for the dispatcher fuzzer, one per start size that matters (0 x 0,
1 x 1, 1 x N, N x 1, ...), each followed by random actions from a fixed seed.
"""

import base64
import gzip
import pathlib
import random
import shutil
import struct
import subprocess
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"

# Must match kFormats in fuzz_formats.h.
FORMATS = ["", "bmp", "cur", "gif", "icns", "ico", "jpeg", "mng", "pbm", "pgm",
           "png", "ppm", "svg", "svgz", "tga", "tiff", "wbmp", "webp", "xbm", "xpm"]

# A 7 x 5 picture with colour everywhere and alpha running from clear to opaque.
SOURCE = ["-size", "7x5", "-seed", "1", "plasma:", "-alpha", "set", "-channel", "A",
          "-fx", "i/(w-1)", "+channel"]
ANIMATION = ["-size", "6x4", "-delay", "10", "xc:red", "xc:blue", "-alpha", "set",
             "-channel", "A", "-fx", "j/(h-1)", "+channel"]

# (seed name, format, convert arguments after the source, output target)
CONVERSIONS = [
    ("png-rgba", "png", [], "PNG32:"),
    ("png-palette", "png", [], "PNG8:"),
    ("png-grey", "png", ["-colorspace", "Gray"], "PNG:"),
    ("png-16bit", "png", [], "PNG64:"),
    ("png-interlaced", "png", ["-interlace", "PNG"], "PNG32:"),
    ("jpeg-baseline", "jpeg", ["-quality", "50"], "JPEG:"),
    ("jpeg-progressive", "jpeg", ["-interlace", "JPEG"], "JPEG:"),
    ("jpeg-grey", "jpeg", ["-colorspace", "Gray"], "JPEG:"),
    ("bmp-32bit", "bmp", [], "BMP:"),
    ("bmp-24bit", "bmp", ["-alpha", "off"], "BMP3:"),
    ("bmp-palette", "bmp", ["-alpha", "off", "-type", "Palette"], "BMP3:"),
    ("bmp-rle", "bmp", ["-alpha", "off", "-colors", "8", "-compress", "RLE"], "BMP3:"),
    ("gif-transparent", "gif", [], "GIF:"),
    ("tiff-plain", "tiff", ["-compress", "None", "-depth", "8"], "TIFF:"),
    ("tiff-lzw", "tiff", ["-compress", "LZW"], "TIFF:"),
    ("tiff-zip", "tiff", ["-compress", "Zip"], "TIFF:"),
    ("tiff-jpeg", "tiff", ["-alpha", "off", "-compress", "JPEG"], "TIFF:"),
    ("tiff-turned", "tiff", ["-orient", "RightTop"], "TIFF:"),
    ("tiff-16bit", "tiff", ["-type", "TrueColorAlpha", "-depth", "16"], "TIFF:"),
    ("tiff-planar", "tiff", ["-interlace", "Plane"], "TIFF:"),
    ("tiff-palette", "tiff", ["-alpha", "off", "-type", "Palette"], "TIFF:"),
    ("webp-lossy", "webp", ["-quality", "50"], "WEBP:"),
    ("webp-lossless", "webp", ["-define", "webp:lossless=true"], "WEBP:"),
    ("ico", "ico", [], "ICO:"),
    ("cur", "cur", [], "CUR:"),
    ("pbm-binary", "pbm", [], "PBM:"),
    ("pbm-plain", "pbm", ["-compress", "None"], "PBM:"),
    ("pgm-binary", "pgm", [], "PGM:"),
    ("pgm-plain", "pgm", ["-compress", "None"], "PGM:"),
    ("ppm-binary", "ppm", [], "PPM:"),
    ("ppm-plain", "ppm", ["-compress", "None"], "PPM:"),
    ("xbm", "xbm", [], "XBM:"),
    ("xpm", "xpm", [], "XPM:"),
    ("tga-raw", "tga", ["-compress", "None"], "TGA:"),
    ("tga-rle", "tga", ["-compress", "RLE"], "TGA:"),
    ("wbmp", "wbmp", [], "WBMP:"),
]

ANIMATIONS = [
    ("gif-animated", "gif", "GIF:"),
    ("mng", "mng", "MNG:"),
    ("webp-animated", "webp", "WEBP:"),
]

# Inputs that once made trouble, kept as seeds ("bad-" names: they are not readable pictures).
REGRESSIONS = [
    # An MNG whose IHDR claims 4294967292 x 4: libmng reserves 4 GB and asks for a row buffer of
    # an overflowed size; the allocator refuses and the file is refused.
    ("bad-mng-huge-ihdr", "",
     "AIpNTkcNChoKAAAAHE1IRFIAAAAGAABpY25zAAoAAAAAAAAAAAAAAAAAAAAJmurPhAAAAAZCQUNL////////oSkAgQAA"
     "AA1JSERS/////AAAAAQIBgAAAK0ETkMAAAAHdElNRQfqDAYWAhnVZjUZAAAAGklEQVQI12P8z4AdsDAwMISSJMH4n4EB"
     "q2kAuR4DsmmlfhsAAAAASUVORK5CYIIAAAAATUVORCEg99U="),
    # A 6 x 4 MNG whose BACK chunk and second IHDR send libmng through 14-34 s and 3.9 GB: the
    # reader that cannot be bounded and is no longer offered.
    ("bad-mng-slow", "",
     "AIpNTkcNChoKAAAAHE1IRFIAAAAGAAAABAAAAAoAAAAAAAAAAAAAAAAAAAAJmurPhAAAAAZCQUNL////////oSkAgQAA"
     "AA1JSERSAAAABgUAAAQIBgAAAK0ETkMAAAAaSURBVAjXY/zPgB2wMDAwhJIkwfifgQGraQC5HgOyaaV+GwAAAABJRU5E"
     "rkJgggAAAABNRU5EISD31Q=="),
]

# Formats of the program's own plugins: not in FORMATS (a seed's selector keeps its meaning), so
# the reader is chosen from the content. JPEG XL, which convert cannot write, is a 16 x 8 lossless
# file with alpha, a colour profile and a quarter turn made by libjxl's encoder.
OWN_FORMATS = [("auto-heic", "HEIC:"), ("auto-avif", "AVIF:")]
JXL = ("/wrBLbAkPwoDEuYBsKmSSQDfvI6t9Oones62HAIvi7COEJoRLAjEktbDSF2GanCi7AAA4hfgqxQ/YCR9vfApMkgXtseXf"
       "/75hwcq+UFie6GVHCzaDRM9CDJLyNyHek3HItTZZwAncGhqQuQ5QdcMZgKFlhvQkzB1FpY1NF8gtJP/AggIEAC4AUso"
       "JMZJQcEUGAsstRVjsMrGGByNMSrGqJgxeM6NCCAAQUAAQGIhkrOAY45f4PjXOXkIIAAFCADYvJACe+DZZf3o7T//ff8e"
       "//znX//e3o8d/v8B7H8AwxjoMQaQ/wGzfYNG/ALnGg+2cbJWMsx2")
# Headers declaring a picture of 60000 x 60000 (JPEG XL) or, in every stored size, 30000 x 30000
# (HEIC), refused before any decode.
JXL_HUGE = "/wr+UgcA8Jc6ABAAAAAAAAAAAAAAAAAAAAAA"


def huge_ispe(data):
    out = bytearray(data)
    for at in (k for k in range(len(out)) if out[k:k + 4] == b"ispe"):
        out[at + 8:at + 16] = struct.pack(">II", 30000, 30000)
    return bytes(out)


SVG = b"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="8" height="6" viewBox="0 0 8 6">
  <defs><linearGradient id="g"><stop offset="0" stop-color="#f00"/>
  <stop offset="1" stop-color="#00f" stop-opacity="0.5"/></linearGradient></defs>
  <rect width="8" height="6" fill="url(#g)"/>
  <path d="M1 1 L7 5 Q4 0 1 5 Z" fill="none" stroke="#0a0" stroke-width="0.5"/>
  <text x="1" y="5" font-size="4">A</text>
</svg>
"""


def convert(arguments, output):
    # No time stamps in PNG chunks (PNG, MNG, the icon), so the seeds come out the same each run.
    subprocess.run(["convert", *arguments, "-define", "png:exclude-chunks=date,time", output],
                   check=True)


def without_time_chunks(data):
    """A PNG or MNG file without its tIME chunks, which ImageMagick's MNG writer always adds."""
    out, pos = bytearray(data[:8]), 8
    while pos + 12 <= len(data):
        end = pos + 12 + struct.unpack(">I", data[pos:pos + 4])[0]
        if data[pos + 4:pos + 8] != b"tIME":
            out += data[pos:end]
        pos = end
    return bytes(out)


def icns(png):
    """An Apple icon file holding one 16 x 16 PNG entry."""
    entry = b"icp4" + struct.pack(">I", 8 + len(png)) + png
    return b"icns" + struct.pack(">I", 8 + len(entry)) + entry


def write_seed(folder, name, fmt, data):
    (folder / f"{name}.seed").write_bytes(bytes([FORMATS.index(fmt)]) + data)


def make_decode_corpus(folder, scratch):
    files = []
    for name, fmt, extra, target in CONVERSIONS + [(*row[:2], None, row[2]) for row in ANIMATIONS]:
        convert(ANIMATION if extra is None else [*SOURCE, *extra], target + str(scratch / name))
        data = (scratch / name).read_bytes()
        if fmt == "tga":  # Qt reads only Targa 2.0 files, whose footer ImageMagick leaves off
            data += bytes(8) + b"TRUEVISION-XFILE.\0"
        files.append((name, fmt, without_time_chunks(data) if fmt == "mng" else data))
    convert(["-size", "16x16", "-seed", "2", "plasma:"], "PNG32:" + str(scratch / "icon"))
    files.append(("icns", "icns", icns((scratch / "icon").read_bytes())))
    files.append(("svg", "svg", SVG))
    files.append(("svgz", "svgz", gzip.compress(SVG, mtime=0)))
    for name, target in OWN_FORMATS:
        convert([*SOURCE, "-quality", "50"], target + str(scratch / name))
        write_seed(folder, name, "", (scratch / name).read_bytes())
    write_seed(folder, "bad-heic-huge", "", huge_ispe((scratch / "auto-heic").read_bytes()))
    write_seed(folder, "auto-jxl", "", base64.b64decode(JXL))
    write_seed(folder, "bad-jxl-huge", "", base64.b64decode(JXL_HUGE))
    for name, _, encoded in REGRESSIONS:  # stored whole, selector byte included
        (folder / f"{name}.seed").write_bytes(base64.b64decode(encoded))
    seen = set()
    for name, fmt, data in files:
        write_seed(folder, name, fmt, data)
        if fmt not in seen:  # the same file, the reader chosen from its content alone
            seen.add(fmt)
            write_seed(folder, "auto-" + name, "", data)


def make_dispatch_corpus(folder):
    # The fuzzer reads its first numbers from the end of the input: height, then width.
    sizes = [(0, 0), (0, 5), (5, 0), (1, 1), (1, 7), (7, 1), (2, 2), (3, 3), (13, 17), (40, 40)]
    generator = random.Random(7)
    for height, width in sizes:
        actions = bytes(generator.randrange(256) for _ in range(generator.randrange(64, 400)))
        (folder / f"size-{height}x{width}.seed").write_bytes(actions + bytes([width, height]))


def main():
    if shutil.which("convert") is None:
        raise SystemExit("needs ImageMagick's convert (apt-get install imagemagick)")
    for sub in ("decode", "dispatch"):
        folder = CORPUS / sub
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
    with tempfile.TemporaryDirectory() as scratch:
        make_decode_corpus(CORPUS / "decode", pathlib.Path(scratch))
    make_dispatch_corpus(CORPUS / "dispatch")


if __name__ == "__main__":
    main()
