#!/usr/bin/env python3
"""Writes the small seed PDFs of the fuzz targets into tests/fuzz/seeds/.

Every seed is made here from scratch (text written below, then reshaped with
the qpdf command-line tool), so the seeds stay tiny and ours. Run from any
folder; needs python3 and qpdf. The same seeds serve both targets: the probe
reads them as they are, the document server target copies their pages.
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TARGETS = ["PageCountProbe", "DocumentServer"]


def pdf(objects, trailer_extra="", header="%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", xref_shift=0):
    """A classic PDF from object bodies numbered from 1; catalog is object 1."""
    out = header.encode("latin-1")
    offsets = []
    for i, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += f"{i} 0 obj\n{body}\nendobj\n".encode("latin-1")
    xref = len(out)
    out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
    for off in offsets:
        out += f"{off + xref_shift:010d} 00000 n \n".encode()
    out += (f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R {trailer_extra}>>\n"
            f"startxref\n{xref}\n%%EOF\n").encode()
    return out


def pages_doc(n, outlines=False):
    """Catalog, page tree, font, then per page a page and its content."""
    kids = " ".join(f"{4 + 2 * i} 0 R" for i in range(n))
    catalog = "<< /Type /Catalog /Pages 2 0 R"
    objs = [None, f"<< /Type /Pages /Kids [{kids}] /Count {n} >>",
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    for i in range(n):
        text = f"BT /F1 12 Tf 20 100 Td (p{i + 1}) Tj ET"
        objs.append(f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] "
                    f"/Resources << /Font << /F1 3 0 R >> >> /Contents {5 + 2 * i} 0 R >>")
        objs.append(f"<< /Length {len(text)} >>\nstream\n{text}\nendstream")
    if outlines and n >= 2:
        o = len(objs) + 1  # outline root, then A (child A1), then B
        objs.append(f"<< /Type /Outlines /First {o + 1} 0 R /Last {o + 3} 0 R /Count 3 >>")
        objs.append(f"<< /Title (A) /Parent {o} 0 R /Next {o + 3} 0 R /First {o + 2} 0 R "
                    f"/Last {o + 2} 0 R /Count 1 /Dest [4 0 R /Fit] >>")
        objs.append(f"<< /Title (A1) /Parent {o + 1} 0 R /Dest [6 0 R /XYZ 0 100 0] >>")
        objs.append(f"<< /Title (B) /Parent {o} 0 R /Prev {o + 1} 0 R /A << /S /GoTo "
                    f"/D [{4 + 2 * (n - 1)} 0 R /Fit] >> >>")
        catalog += f" /Outlines {o} 0 R"
    objs[0] = catalog + " >>"
    return objs


def nested_tree():
    """Two levels of page tree with inherited MediaBox, Resources and Rotate."""
    text = "BT /F1 9 Tf 5 5 Td (n) Tj ET"
    return [
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 3 /MediaBox [0 0 50 80] "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 7 0 R] /Count 2 /Rotate 90 >>",
        "<< /Type /Page /Parent 3 0 R /Contents 8 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
        "<< /Type /Page /Parent 2 0 R /Contents 8 0 R /MediaBox [0 0 80 50] >>",
        "<< /Type /Page /Parent 3 0 R >>",
        f"<< /Length {len(text)} >>\nstream\n{text}\nendstream",
    ]


def annotated():
    """One page with a link annotation to itself and a one-field form."""
    return [
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 0 R] >> >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Annots [4 0 R 5 0 R] >>",
        "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [3 0 R /Fit] >>",
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (f) /V (v) /Rect [10 10 50 20] "
        "/P 3 0 R >>",
    ]


def tagged():
    """Two pages with marked content owned by a structure tree: a heading, a
    paragraph over both pages and a link with its annotation; the parent
    tree has a kid node, the role map and the ID tree an entry each."""
    first = ("/H <</MCID 0>> BDC BT /F1 12 Tf 20 80 Td (h) Tj ET EMC "
             "/P <</MCID 1>> BDC BT /F1 9 Tf 20 60 Td (p) Tj ET EMC")
    second = "/P <</MCID 0>> BDC BT /F1 9 Tf 20 60 Td (q) Tj ET EMC"
    resources = "/Resources << /Font << /F1 15 0 R >> >>"
    return [
        "<< /Type /Catalog /Pages 2 0 R /StructTreeRoot 7 0 R /MarkInfo << /Marked true >> "
        "/Lang (en) >>",
        "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
        f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] {resources} /Contents 4 0 R "
        "/StructParents 0 /Annots [14 0 R] >>",
        f"<< /Length {len(first)} >>\nstream\n{first}\nendstream",
        f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] {resources} /Contents 6 0 R "
        "/StructParents 1 >>",
        f"<< /Length {len(second)} >>\nstream\n{second}\nendstream",
        "<< /Type /StructTreeRoot /K 8 0 R /ParentTree 12 0 R /RoleMap << /H /H1 >> "
        "/IDTree << /Names [(h1) 9 0 R] >> /ParentTreeNextKey 3 >>",
        "<< /Type /StructElem /S /Document /P 7 0 R /K [9 0 R 10 0 R 11 0 R] >>",
        "<< /Type /StructElem /S /H /P 8 0 R /Pg 3 0 R /K 0 /ID (h1) >>",
        "<< /Type /StructElem /S /P /P 8 0 R /Pg 3 0 R /K [1 << /Type /MCR /Pg 5 0 R /MCID 0 >>] >>",
        "<< /Type /StructElem /S /Link /P 8 0 R /Pg 3 0 R /K << /Type /OBJR /Obj 14 0 R >> >>",
        "<< /Kids [13 0 R] >>",
        "<< /Limits [0 2] /Nums [0 [9 0 R 10 0 R] 1 [10 0 R] 2 11 0 R] >>",
        "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [5 0 R /Fit] /StructParent 2 >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]


def qpdf(args, data):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.pdf"), os.path.join(tmp, "out.pdf")
        with open(src, "wb") as f:
            f.write(data)
        rc = subprocess.run(["qpdf", "--static-id", "--static-aes-iv"] + args + [src, dst],
                            capture_output=True).returncode
        if rc not in (0, 3):
            sys.exit(f"qpdf {args} failed with {rc}")
        with open(dst, "rb") as f:
            return f.read()


def main():
    one, three, zero = pdf(pages_doc(1)), pdf(pages_doc(3)), pdf(pages_doc(0))
    outlined = pdf(pages_doc(3, outlines=True))
    seeds = {
        "one-page.pdf": one,
        "three-pages.pdf": three,
        "zero-pages.pdf": zero,
        "outlines.pdf": outlined,
        "nested-tree.pdf": pdf(nested_tree()),
        "annotated.pdf": pdf(annotated()),
        "object-streams.pdf": qpdf(["--object-streams=generate"], outlined),
        "linearized.pdf": qpdf(["--linearize"], three),
        "encrypted-rc4.pdf": qpdf(["--allow-weak-crypto", "--encrypt", "", "owner", "128", "--use-aes=n", "--"], one),
        "encrypted-aes256.pdf": qpdf(["--encrypt", "", "owner", "256",
                                      "--"], one),
        "needs-password.pdf": qpdf(["--encrypt", "user", "owner", "256", "--"], one),
        "bad-xref-offsets.pdf": pdf(pages_doc(2), xref_shift=7),
        "pdf20.pdf": pdf(pages_doc(1), header="%PDF-2.0\n"),
        "count-lies.pdf": pdf(pages_doc(1)).replace(b"/Count 1", b"/Count 9"),
        "tagged.pdf": pdf(tagged()),
        # The document element names the heading as its parent: a loop.
        "tagged-loop.pdf": pdf([o.replace("/S /Document /P 7 0 R", "/S /Document /P 9 0 R")
                                for o in tagged()]),
        "pages-loop.pdf": pdf(["<< /Type /Catalog /Pages 2 0 R >>",
                               "<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 2 >>",
                               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 9 9] >>"]),
    }
    # An incremental update that appends a second page.
    update_base = pdf(pages_doc(1))
    extra = ("6 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 60 60] >>\nendobj\n"
             "2 0 obj\n<< /Type /Pages /Kids [4 0 R 6 0 R] /Count 2 >>\nendobj\n")
    start = len(update_base)
    body = extra.encode()
    off6, off2 = start, start + body.index(b"2 0 obj")
    prev = int(update_base.rsplit(b"startxref\n", 1)[1].split(b"\n")[0])
    xref = start + len(body)
    seeds["incremental.pdf"] = update_base + body + (
        f"xref\n2 1\n{off2:010d} 00000 n \n6 1\n{off6:010d} 00000 n \n"
        f"trailer\n<< /Size 7 /Root 1 0 R /Prev {prev} >>\nstartxref\n{xref}\n%%EOF\n").encode()

    for target in TARGETS:
        folder = os.path.join(HERE, "seeds", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    print(f"{len(seeds)} seeds in {len(TARGETS)} folders")


if __name__ == "__main__":
    main()
