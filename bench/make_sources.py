#!/usr/bin/env python3
"""Writes N five-page PDF sources for the append benchmark.

usage: make_sources.py FOLDER N text|image|tagged|features

text:   each page shows a line of Helvetica text (about 1.5 KB per file).
image:  each page also draws its own 120x120 RGB image of noise, stored with
        Flate (about 43 KB per page, 220 KB per file), as scanned pages are.
tagged: text pages with a heading and a paragraph each in marked content, a
        link on the first page, and the structure tree that owns them
        (Document > H1, P per page, Link with its annotation), /MarkInfo and
        /Lang, as accessible documents carry.
features: text pages that also carry what a document keeps beside its pages:
        two layers (one off) drawn on page 1, page labels (i, ii, A-1...),
        a text field with a widget on every page, an outline item and a named
        destination per page, a last outline item opening a web page, a link on
        each page to the next one, and a comment with a popup on page 1 that a
        reply on page 3 answers.
Every file is distinct (its own label and, for images, its own pixels).
"""
import os
import random
import sys
import zlib


FEATURE_BASE = 100  # object numbers of the features kind's extra objects


def features(kids, label):
    """Objects and catalog entries of the features kind for pages `kids`."""
    b = FEATURE_BASE
    objects = {
        b: b"<< /Type /OCG /Name (Shown) >>",
        b + 1: b"<< /Type /OCG /Name (Hidden) >>",
        b + 2: b"<< /FT /Tx /T (%s) /Kids [%s] >>" % (
            label.replace(" ", "_").encode(),
            b" ".join(b"%d 0 R" % (b + 10 + i) for i in range(len(kids)))),
        b + 3: b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count %d >>" % (
            b + 20, b + 9, len(kids) + 1),
        b + 4: b"<< /Type /Annot /Subtype /Text /Rect [20 20 40 40] /Contents (note)"
               b" /Popup %d 0 R >>" % (b + 5),
        b + 5: b"<< /Type /Annot /Subtype /Popup /Rect [40 40 200 100] /Parent %d 0 R >>" % (b + 4),
        b + 6: b"<< /Type /Annot /Subtype /Text /Rect [20 60 40 80] /Contents (reply)"
               b" /IRT %d 0 R >>" % (b + 4),
        b + 9: b"<< /Title (%s web) /Parent %d 0 R /Prev %d 0 R"
               b" /A << /S /URI /URI (https://example.org/) >> >>" % (
                   label.encode(), b + 3, b + 20 + len(kids) - 1),
    }
    names = b""
    for i, page_id in enumerate(kids):
        objects[b + 10 + i] = (
            b"<< /Type /Annot /Subtype /Widget /Parent %d 0 R /T (p%d) /V (v%d) /P %d 0 R"
            b" /Rect [72 500 300 530] /DA (/Helv 12 Tf 0 g) >>" % (b + 2, i + 1, i + 1, page_id))
        links = b""
        if i + 1 < len(kids):
            links = b" %d 0 R" % (b + 30 + i)
            objects[b + 30 + i] = (b"<< /Type /Annot /Subtype /Link /Rect [72 100 300 130]"
                                   b" /Border [0 0 0] /Dest (p%d) >>" % (i + 2))
        item = b"<< /Title (%s page %d) /Parent %d 0 R /Dest [%d 0 R /Fit]" % (
            label.encode(), i + 1, b + 3, page_id)
        if i > 0:
            item += b" /Prev %d 0 R" % (b + 20 + i - 1)
        item += b" /Next %d 0 R" % (b + 20 + i + 1 if i + 1 < len(kids) else b + 9)
        objects[b + 20 + i] = item + b" >>"
        names += b"(p%d) [%d 0 R /XYZ 0 792 null] " % (i + 1, page_id)
        comments = {0: b" %d 0 R %d 0 R" % (b + 4, b + 5), 2: b" %d 0 R" % (b + 6)}.get(i, b"")
        objects.setdefault("annots", {})[page_id] = b"/Annots [%d 0 R%s%s]" % (
            b + 10 + i, links, comments)
    catalog = (b" /OCProperties << /OCGs [%d 0 R %d 0 R] /D << /Order [%d 0 R %d 0 R]"
               b" /OFF [%d 0 R] >> >>" % (b, b + 1, b, b + 1, b + 1) +
               b" /PageLabels << /Nums [0 << /S /r >> 2 << /S /D /P (A-) >>] >>" +
               b" /AcroForm << /Fields [%d 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv"
               b" << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>" % (b + 2) +
               b" /Outlines %d 0 R /PageMode /UseOutlines" % (b + 3) +
               b" /Names << /Dests << /Names [" + names + b"] >> >>")
    return objects, catalog


def pdf_bytes(label, with_images, rng, tagged=False, with_features=False):
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
        if with_features and page == 0:
            text += (" /OC /L1 BDC BT /F1 18 Tf 72 400 Td (shown layer) Tj ET EMC"
                     " /OC /L2 BDC BT /F1 18 Tf 72 300 Td (hidden layer) Tj ET EMC")
            resources += b" /Properties << /L1 %d 0 R /L2 %d 0 R >>" % (
                FEATURE_BASE, FEATURE_BASE + 1)
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
                            + page_extra)
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
    if with_features:
        extra, feature_catalog = features(kids, label)
        annots = extra.pop("annots")
        objects.update(extra)
        catalog_extra += feature_catalog
        for page_id, entry in annots.items():
            objects[page_id] += b" " + entry
    for page_id in kids:
        objects[page_id] += b" >>"
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
        if number in offsets:
            out += b"%010d 00000 n \n" % offsets[number]
        else:
            out += b"0000000000 65535 f \n"
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, xref)
    return bytes(out)


def main():
    folder, count, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(count)
    for i in range(1, count + 1):
        name = os.path.join(folder, "src%04d.pdf" % i)
        with open(name, "wb") as f:
            f.write(pdf_bytes("%s %d" % (kind, i), kind == "image", rng, kind == "tagged",
                              kind == "features"))


if __name__ == "__main__":
    main()
