#!/usr/bin/env python3
"""Writes N five-page PDF sources for the append benchmark.

usage: make_sources.py FOLDER N text|image

text:  each page shows a line of Helvetica text (about 1.5 KB per file).
image: each page also draws its own 120x120 RGB image of noise, stored with
       Flate (about 43 KB per page, 220 KB per file), as scanned pages are.
Every file is distinct (its own label and, for images, its own pixels).
"""
import os
import random
import sys
import zlib


def pdf_bytes(label, with_images, rng):
    objects = {}
    kids = []
    objects[3] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
    next_id = 4
    for page in range(5):
        page_id, content_id = next_id, next_id + 1
        next_id += 2
        text = "BT /F1 24 Tf 72 700 Td (%s page %d) Tj ET" % (label, page + 1)
        resources = b"/Font << /F1 3 0 R >>"
        if with_images:
            image_id = next_id
            next_id += 1
            side = 120
            pixels = rng.randbytes(side * side * 3)
            data = zlib.compress(pixels, 1)
            objects[image_id] = (
                b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB"
                b" /BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n"
                % (side, side, len(data)) + data + b"\nendstream")
            resources += b" /XObject << /Im1 %d 0 R >>" % image_id
            text += " q 300 0 0 300 72 300 cm /Im1 Do Q"
        body = text.encode()
        objects[content_id] = b"<< /Length %d >>\nstream\n" % len(body) + body + b"\nendstream"
        objects[page_id] = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]"
                            b" /Resources << " + resources + b" >> /Contents %d 0 R >>" % content_id)
        kids.append(page_id)
    objects[1] = b"<< /Type /Catalog /Pages 2 0 R >>"
    objects[2] = (b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) +
                  b"] /Count 5 >>")
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = {}
    for number in sorted(objects):
        offsets[number] = len(out)
        out += b"%d 0 obj\n" % number + objects[number] + b"\nendobj\n"
    xref = len(out)
    size = max(objects) + 1
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for number in range(1, size):
        out += b"%010d 00000 n \n" % offsets[number]
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, xref)
    return bytes(out)


def main():
    folder, count, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(count)
    for i in range(1, count + 1):
        name = os.path.join(folder, "src%04d.pdf" % i)
        with open(name, "wb") as f:
            f.write(pdf_bytes("%s %d" % (kind, i), kind == "image", rng))


if __name__ == "__main__":
    main()
