#!/usr/bin/env python3
"""Writes N five-page PDF sources for the append benchmark.

usage: make_sources.py FOLDER N text|image|tagged

text:   each page shows a line of Helvetica text (about 1.5 KB per file).
image:  each page also draws its own 120x120 RGB image of noise, stored with
        Flate (about 43 KB per page, 220 KB per file), as scanned pages are.
tagged: text pages with a heading and a paragraph each in marked content, a
        link on the first page, and the structure tree that owns them
        (Document > H1, P per page, Link with its annotation), /MarkInfo and
        /Lang, as accessible documents carry.
Every file is distinct (its own label and, for images, its own pixels).
"""
import os
import random
import sys
import zlib


def pdf_bytes(label, with_images, rng, tagged=False):
    objects = {}
    kids = []
    objects[3] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
    next_id = 4
    catalog_extra = b""
    if tagged:
        # Fixed numbers for the structure: root, parent tree, document,
        # link element and annotation; pages and elements follow.
        root_id, tree_id, doc_id, link_id, annot_id = 4, 5, 6, 7, 8
        next_id = 9
        elements = []
        nums = []
    for page in range(5):
        page_id, content_id = next_id, next_id + 1
        next_id += 2
        text = "BT /F1 24 Tf 72 700 Td (%s page %d) Tj ET" % (label, page + 1)
        page_extra = b""
        if tagged:
            text = ("/H1 <</MCID 0>> BDC %s EMC /P <</MCID 1>> BDC BT /F1 12 Tf 72 650 Td"
                    " (A paragraph of page %d.) Tj ET EMC" % (text, page + 1))
            heading_id, para_id = next_id, next_id + 1
            next_id += 2
            owners = [heading_id, para_id]
            objects[heading_id] = (b"<< /Type /StructElem /S /H1 /P %d 0 R /Pg %d 0 R /K 0 >>"
                                   % (doc_id, page_id))
            objects[para_id] = (b"<< /Type /StructElem /S /P /P %d 0 R /Pg %d 0 R /K 1 >>"
                                % (doc_id, page_id))
            elements += [heading_id, para_id]
            if page == 0:
                text += " /Link <</MCID 2>> BDC BT /F1 12 Tf 72 610 Td (next page) Tj ET EMC"
                owners.append(link_id)
                elements.append(link_id)
                objects[link_id] = (b"<< /Type /StructElem /S /Link /P %d 0 R /Pg %d 0 R"
                                    b" /K [2 << /Type /OBJR /Obj %d 0 R >>] >>"
                                    % (doc_id, page_id, annot_id))
                objects[annot_id] = (b"<< /Type /Annot /Subtype /Link /Rect [72 600 200 620]"
                                     b" /Border [0 0 0] /StructParent 5 /Dest [%d 0 R /Fit] >>"
                                     % (page_id + 2))
                page_extra += b" /Annots [%d 0 R]" % annot_id
            page_extra += b" /StructParents %d" % page
            nums.append(b"%d [%s]" % (page, b" ".join(b"%d 0 R" % o for o in owners)))
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
                            b" /Resources << " + resources + b" >> /Contents %d 0 R" % content_id
                            + page_extra + b" >>")
        kids.append(page_id)
    if tagged:
        nums.append(b"5 %d 0 R" % link_id)
        objects[root_id] = (b"<< /Type /StructTreeRoot /K %d 0 R /ParentTree %d 0 R"
                            b" /ParentTreeNextKey 6 >>" % (doc_id, tree_id))
        objects[tree_id] = b"<< /Nums [" + b" ".join(nums) + b"] >>"
        objects[doc_id] = (b"<< /Type /StructElem /S /Document /P %d 0 R /K [" % root_id +
                           b" ".join(b"%d 0 R" % e for e in elements) + b"] >>")
        catalog_extra = (b" /StructTreeRoot %d 0 R /MarkInfo << /Marked true >> /Lang (en-US)"
                         % root_id)
    objects[1] = b"<< /Type /Catalog /Pages 2 0 R" + catalog_extra + b" >>"
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
            f.write(pdf_bytes("%s %d" % (kind, i), kind == "image", rng, kind == "tagged"))


if __name__ == "__main__":
    main()
