#!/usr/bin/env python3
"""Generates the built-in fax font (src/faximage/fax_font_data.cpp) from public-domain
bitmap fonts in the PCF format (the misc-fixed fonts of Debian's xfonts-base).

The fax font holds two glyph sets for character codes 0 to 255 (Windows-1252):
  bytes 0..4095      small set, 12 x 8 cells, 16 bytes a glyph (8 rows of 2 bytes)
  bytes 4096..16383  standard set, 20 x 16 cells, 48 bytes a glyph (16 rows of 3 bytes)
Rows run top to bottom, bits most significant first, 1 black.

A fax pixel at standard resolution is about twice as tall as it is wide, so every pixel of
the square-pixel source font is written two pixels wide: the 5x8 font becomes 10 x 8 in the
small cell and the 9x15 font 18 x 15 in the standard cell. At fine resolution the reader
uses each row twice, which keeps the same shape.

Usage: make_faxfont.py [--fonts DIR] [--out FILE] [--preview]
"""
import argparse
import gzip
import struct
import sys

PCF_PROPERTIES = 1 << 0
PCF_ACCELERATORS = 1 << 1
PCF_BDF_ACCELERATORS = 1 << 8
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_COMPRESSED_METRICS = 0x100


class PcfFont:
    """The parts of a PCF font that a bitmap copy needs: properties, metrics, bitmaps, encodings."""

    def __init__(self, data):
        if data[:4] != b"\x01fcp":
            raise ValueError("not a PCF font")
        (count,) = struct.unpack_from("<i", data, 4)
        self.tables = {}
        for i in range(count):
            ttype, fmt, size, offset = struct.unpack_from("<iiii", data, 8 + 16 * i)
            self.tables[ttype] = (fmt, offset)
        self.data = data
        self.properties = self._properties()
        self.metrics = self._metrics()
        self.bitmaps = self._bitmaps()
        self.encoding = self._encodings()
        self.ascent, self.descent = self._accelerators()

    def _accelerators(self):
        ttype = PCF_BDF_ACCELERATORS if PCF_BDF_ACCELERATORS in self.tables else PCF_ACCELERATORS
        fmt, o, pos = self._table(ttype)
        return struct.unpack_from(o + "ii", self.data, pos + 8)

    def _table(self, ttype):
        fmt, offset = self.tables[ttype]
        (fmt2,) = struct.unpack_from("<i", self.data, offset)
        order = ">" if fmt2 & 4 else "<"
        return fmt2, order, offset + 4

    def _properties(self):
        fmt, o, pos = self._table(PCF_PROPERTIES)
        (n,) = struct.unpack_from(o + "i", self.data, pos)
        pos += 4
        raw = []
        for _ in range(n):
            name, is_string, value = struct.unpack_from(o + "ibi", self.data, pos)
            raw.append((name, is_string, value))
            pos += 9
        if n & 3:
            pos += 4 - (n & 3)
        (string_size,) = struct.unpack_from(o + "i", self.data, pos)
        strings = self.data[pos + 4 : pos + 4 + string_size]

        def text(off):
            return strings[off : strings.index(b"\0", off)].decode("latin-1")

        return {text(name): (text(value) if is_string else value) for name, is_string, value in raw}

    def _metrics(self):
        fmt, o, pos = self._table(PCF_METRICS)
        result = []
        if fmt & PCF_COMPRESSED_METRICS:
            (n,) = struct.unpack_from(o + "h", self.data, pos)
            pos += 2
            for i in range(n):
                v = [b - 0x80 for b in self.data[pos + 5 * i : pos + 5 * i + 5]]
                result.append(tuple(v))
        else:
            (n,) = struct.unpack_from(o + "i", self.data, pos)
            pos += 4
            for i in range(n):
                result.append(struct.unpack_from(o + "hhhhh", self.data, pos + 12 * i))
        return result  # (left bearing, right bearing, width, ascent, descent)

    def _bitmaps(self):
        fmt, o, pos = self._table(PCF_BITMAPS)
        (n,) = struct.unpack_from(o + "i", self.data, pos)
        pos += 4
        offsets = struct.unpack_from(o + "%di" % n, self.data, pos)
        pos += 4 * n
        sizes = struct.unpack_from(o + "4i", self.data, pos)
        pos += 16
        pad = 1 << (fmt & 3)
        msbit = bool(fmt & 8)
        unit = 1 << ((fmt >> 4) & 3)
        msbyte = bool(fmt & 4)
        blob = self.data[pos : pos + sizes[fmt & 3]]
        glyphs = []
        for i in range(n):
            lsb, rsb, _, asc, desc = self.metrics[i]
            width, height = rsb - lsb, asc + desc
            stride = ((width + 7) // 8 + pad - 1) // pad * pad
            rows = []
            for y in range(height):
                row = bytearray(blob[offsets[i] + y * stride : offsets[i] + (y + 1) * stride])
                if msbyte != msbit and unit > 1:  # bytes within a scan unit are swapped
                    for k in range(0, len(row), unit):
                        row[k : k + unit] = row[k : k + unit][::-1]
                bits = []
                for x in range(width):
                    b = row[x // 8]
                    bits.append((b >> (7 - x % 8)) & 1 if msbit else (b >> (x % 8)) & 1)
                rows.append(bits)
            glyphs.append(rows)
        return glyphs

    def _encodings(self):
        fmt, o, pos = self._table(PCF_BDF_ENCODINGS)
        min2, max2, min1, max1, default = struct.unpack_from(o + "5h", self.data, pos)
        pos += 10
        cols = max2 - min2 + 1
        n = cols * (max1 - min1 + 1)
        indices = struct.unpack_from(o + "%dH" % n, self.data, pos)
        enc = {}
        for k, idx in enumerate(indices):
            if idx != 0xFFFF:
                enc[((k // cols + min1) << 8) | (k % cols + min2)] = idx
        return enc

    def cell(self, code):
        """The glyph of a Unicode code point in the font's own cell: rows of 0/1 pixels."""
        ascent, descent = self.ascent, self.descent
        width = max(m[2] for m in self.metrics)
        grid = [[0] * width for _ in range(ascent + descent)]
        idx = self.encoding.get(code)
        if idx is None:
            return grid
        lsb, rsb, _, asc, desc = self.metrics[idx]
        for y, row in enumerate(self.bitmaps[idx]):
            gy = ascent - asc + y
            for x, bit in enumerate(row):
                gx = lsb + x
                if bit and 0 <= gy < len(grid) and 0 <= gx < width:
                    grid[gy][gx] = 1
        return grid


def load(path):
    with gzip.open(path, "rb") as f:
        font = PcfFont(f.read())
    notice = str(font.properties.get("COPYRIGHT", ""))
    if "public domain" not in notice.lower():
        sys.exit("%s: not marked public domain (%r)" % (path, notice))
    return font


def unicode_of(code):
    """Code point shown for byte `code` of Windows-1252; None for control codes."""
    if code < 0x20 or code == 0x7F:
        return None
    try:
        return ord(bytes([code]).decode("cp1252"))
    except UnicodeDecodeError:
        return None


def glyph_set(font, cell_w, cell_h, top, row_bytes):
    """256 glyphs in cells of cell_w x cell_h, each source pixel doubled across."""
    out = bytearray()
    for code in range(256):
        cp = unicode_of(code)
        grid = font.cell(cp) if cp is not None else []
        src_w = len(grid[0]) if grid else 0
        left = (cell_w - 2 * src_w) // 2
        rows = [[0] * cell_w for _ in range(cell_h)]
        for y, row in enumerate(grid):
            if not 0 <= top + y < cell_h:
                continue
            for x, bit in enumerate(row):
                for dx in (0, 1):
                    px = left + 2 * x + dx
                    if bit and 0 <= px < cell_w:
                        rows[top + y][px] = 1
        for row in rows:
            value = 0
            for x in range(row_bytes * 8):
                value = (value << 1) | (row[x] if x < cell_w else 0)
            out += value.to_bytes(row_bytes, "big")
    return out


def render_cpp(data, sources):
    lines = [
        "// The built-in fax font: 256 glyphs of 12 x 8 (bytes 0..4095) and 20 x 16 (bytes",
        "// 4096..16383). Generated by tools/faxfont/make_faxfont.py from %s; do not edit." % sources,
        "#include \"faximage/fax_font.h\"",
        "",
        "namespace faximage {",
        "",
        "namespace {",
        "constexpr std::array<std::uint8_t, kFaxFontBytes> kFaxFont{",
    ]
    for i in range(0, len(data), 16):
        lines.append("    " + ", ".join("0x%02x" % b for b in data[i : i + 16]) + ",")
    lines += [
        "};",
        "}  // namespace",
        "",
        "std::span<const std::uint8_t, kFaxFontBytes> faxFontResource() { return kFaxFont; }",
        "",
        "}  // namespace faximage",
        "",
    ]
    return "\n".join(lines)


def preview(data, offset, size, w, h, row_bytes, text):
    for y in range(h):
        line = ""
        for ch in text.encode("cp1252"):
            base = offset + ch * size + y * row_bytes
            value = int.from_bytes(data[base : base + row_bytes], "big")
            for x in range(w):
                line += "X" if (value >> (row_bytes * 8 - 1 - x)) & 1 else "."
        print(line)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--fonts", default="/usr/share/fonts/X11/misc")
    ap.add_argument("--out", default="src/faximage/fax_font_data.cpp")
    ap.add_argument("--preview", action="store_true")
    args = ap.parse_args()
    small = load(args.fonts + "/5x8.pcf.gz")
    standard = load(args.fonts + "/9x15.pcf.gz")
    data = glyph_set(small, 12, 8, 0, 2) + glyph_set(standard, 20, 16, 1, 3)
    assert len(data) == 16384
    if args.preview:
        preview(data, 0, 16, 12, 8, 2, "Fax 12:34 äg")
        preview(data, 4096, 48, 20, 16, 3, "Fax 12:34 äg")
        return
    with open(args.out, "w") as f:
        f.write(render_cpp(data, "misc-fixed 5x8 and 9x15 (xfonts-base)"))


if __name__ == "__main__":
    main()
