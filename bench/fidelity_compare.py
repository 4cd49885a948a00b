#!/usr/bin/env python3
"""Appends the same inputs with Quorvel and with `qpdf --empty --pages` and
prints, feature by feature, whether each output kept what the sources carried,
lost it, or broke it (kept it in a form that shows something else).

usage: bench/fidelity_compare.py [path/to/quorvel-cli]

The inputs are generated sources of the append benchmark's "features" kind
(layers with one off, page labels, a form field spread over the pages, an
outline item and a named destination per page, a web-page outline item, links
to the next page, a comment with a popup and a reply), given a document
attachment each and versions 1.7 and 2.0, plus an image source. The run:

  row 1  a.pdf  pages 5,1-4   (two ranges of one row)
  row 2  b.pdf  all
  row 3  c.pdf  all           (images)
  row 4  c.pdf  all           (the same images again)

Quorvel runs it as a batch of four rows with bookmarks kept, the first row
creating the output, once in process and once through its document helper
(`run --isolated`); qpdf gets the same page list in one call. The outputs are
read back with `qpdf --json` and `pdftotext`.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_sources  # noqa: E402

ROW1 = [5, 1, 2, 3, 4]


def run(*args, cwd=None):
    return subprocess.run(args, cwd=cwd, check=True, capture_output=True, text=True).stdout


def write_sources(folder):
    import random
    rng = random.Random(7)
    sources = {}
    for name, kind, version in (("a", "features", "1.7"), ("b", "features", "2.0"),
                                ("c", "image", None)):
        raw = os.path.join(folder, name + "-raw.pdf")
        with open(raw, "wb") as f:
            f.write(make_sources.pdf_bytes("src " + name, kind == "image", rng,
                                           with_features=kind == "features"))
        path = os.path.join(folder, name + ".pdf")
        args = ["qpdf", raw]
        if kind == "features":
            note = os.path.join(folder, "note.txt")
            with open(note, "w") as f:
                f.write("note of " + name)
            args += ["--add-attachment", note, "--"]
        if version:
            args += ["--force-version=" + version]
        run(*args, path)
        sources[name] = path
    return sources


class Pdf:
    """What `qpdf --json` shows of a file, with references resolved."""

    def __init__(self, path):
        self.path = path
        self.data = json.loads(run("qpdf", "--json=2", path))
        objects = self.data["qpdf"][1]
        self.objects = {}
        for key, value in objects.items():
            if key.startswith("obj:"):
                self.objects[key[4:]] = value.get("value", value.get("stream", {}).get("dict"))
            elif key == "trailer":
                self.trailer = value["value"]
        self.pages = [page["object"] for page in self.data["pages"]]
        self.page_index = {ref: i for i, ref in enumerate(self.pages)}
        with open(path, "rb") as f:
            self.header = f.read(16)

    def get(self, value):
        while isinstance(value, str) and re.fullmatch(r"\d+ \d+ R", value):
            value = self.objects.get(value)
        return value

    def catalog(self):
        return self.get(self.trailer["/Root"])

    def names(self, tree):
        """Entries of a name tree, as (name, value) pairs."""
        out = []
        node = self.get(tree)
        if not isinstance(node, dict):
            return out
        items = self.get(node.get("/Names")) or []
        for i in range(0, len(items) - 1, 2):
            out.append((items[i], items[i + 1]))
        for kid in self.get(node.get("/Kids")) or []:
            out += self.names(kid)
        return out

    def dest_page(self, dest):
        dest = self.get(dest)
        if isinstance(dest, str) and not dest.startswith("/"):
            found = dict(self.names((self.get(self.catalog().get("/Names")) or {}).get("/Dests")))
            dest = self.get(found.get(dest))
        elif isinstance(dest, str):
            dest = self.get((self.get(self.catalog().get("/Dests")) or {}).get(dest))
        if isinstance(dest, dict):
            dest = self.get(dest.get("/D"))
        if isinstance(dest, list) and dest:
            return self.page_index.get(dest[0], -1)
        return -1

    def annotations(self, page):
        return [a for a in self.get(self.get(self.pages[page]).get("/Annots")) or []]

    def version(self):
        header = self.header[5:8].decode()
        declared = self.catalog().get("/Version")
        if isinstance(declared, str) and declared[1:] > header:
            return declared[1:]
        return header


def label_text(label):
    if not label:
        return None
    prefix = label.get("/P", "")
    prefix = prefix[2:] if prefix.startswith("u:") else prefix
    start = label.get("/St", 1)
    style = label.get("/S")
    if style == "/D":
        return prefix + str(start)
    if style in ("/r", "/R"):
        numerals = [(10, "x"), (9, "ix"), (5, "v"), (4, "iv"), (1, "i")]
        text = ""
        for value, letters in numerals:
            while start >= value:
                text += letters
                start -= value
        return prefix + (text.upper() if style == "/R" else text)
    return prefix


def verdict(kept, lost, detail):
    return ("kept" if kept else "lost" if lost else "broken"), detail


def assess(pdf, text):
    results = {}
    results["version (>= 2.0)"] = verdict(pdf.version() >= "2.0", False, pdf.version())

    catalog = pdf.catalog()
    properties = pdf.get(catalog.get("/OCProperties"))
    layers = len(pdf.get(properties.get("/OCGs")) or []) if properties else 0
    hidden_shown = "hidden layer" in text
    results["layers (hidden stays hidden)"] = verdict(
        layers == 4 and not hidden_shown, layers == 0 and not hidden_shown,
        "%d layers, hidden text %s" % (layers, "visible" if hidden_shown else "not visible"))

    names = pdf.get(catalog.get("/Names")) or {}
    attachments = pdf.names(names.get("/EmbeddedFiles"))
    results["attachments (2)"] = verdict(len(attachments) == 2, not attachments,
                                         "%d attachments" % len(attachments))

    # Row 1's links: each page links to the next source page.
    links = dead = 0
    for page in range(5):
        for annotation in pdf.annotations(page):
            annotation = pdf.get(annotation)
            if annotation.get("/Subtype") != "/Link":
                continue
            links += 1
            dest = annotation.get("/Dest")
            action = pdf.get(annotation.get("/A"))
            if dest is None and isinstance(action, dict) and action.get("/S") == "/GoTo":
                dest = action.get("/D")
            source_target = ROW1[page] + 1
            if pdf.dest_page(dest) != ROW1.index(source_target):
                dead += 1
    results["links across a row's ranges"] = verdict(
        links == 4 and dead == 0, links == 0, "%d links, %d dead" % (links, dead))

    outline = []

    def walk(items, depth):
        for item in items:
            outline.append((item["title"], depth, item["destpageposfrom1"]))
            walk(item["kids"], depth + 1)
    walk(pdf.data["outlines"], 0)
    row1_items = [o for o in outline if o[0].startswith("u:src a") or o[0].startswith("src a")]
    web = [o for o in outline if o[0].endswith("web")]
    results["outline items once per row (6)"] = verdict(
        len(row1_items) == 6, not row1_items, "%d items of row 1" % len(row1_items))
    results["outline items without a page"] = verdict(
        len(web) == 2, not web, "%d web-page items" % len(web))

    expected_labels = ["A-3", "i", "ii", "A-1", "A-2", "i", "ii", "A-1", "A-2", "A-3"] + [
        str(n) for n in range(11, 21)]
    shown = [label_text(page.get("label")) or str(i + 1)
             for i, page in enumerate(pdf.data["pages"])]
    wrong = sum(1 for a, b in zip(shown, expected_labels) if a != b)
    results["page labels"] = verdict(wrong == 0, shown == [str(n) for n in range(1, 21)],
                                     "%d of %d pages show another label" % (wrong, len(shown)))

    fields = sorted(f["fullname"] for f in pdf.data.get("acroform", {}).get("fields", []))
    expected_fields = sorted("src_%s.p%d" % (s, n) for s in "ab" for n in range(1, 6))
    results["form field names"] = verdict(fields == expected_fields, not fields,
                                          "%d fields, %d renamed or missing" % (
                                              len(fields), len(set(expected_fields) - set(fields))))

    on_page = set()
    for page in range(len(pdf.pages)):
        on_page.update(pdf.annotations(page))
    ties = off = 0
    for page in range(len(pdf.pages)):
        for ref in pdf.annotations(page):
            annotation = pdf.get(ref)
            for key in ("/Popup", "/IRT") + (("/Parent",) if annotation.get("/Subtype") ==
                                              "/Popup" else ()):
                if key in annotation:
                    ties += 1
                    off += annotation[key] not in on_page
    results["comment ties (6)"] = verdict(ties == 6 and off == 0, ties == 0,
                                          "%d ties, %d to no page" % (ties, off))

    dests = pdf.names(names.get("/Dests"))
    resolved = sum(1 for _, value in dests if pdf.dest_page(value) >= 0)
    results["named destinations (10)"] = verdict(resolved == 10 and len(dests) == 10,
                                                 not dests, "%d names, %d resolve" % (
                                                     len(dests), resolved))

    images = sum(1 for value in pdf.objects.values()
                 if isinstance(value, dict) and value.get("/Subtype") == "/Image")
    results["shared images stored once (5)"] = verdict(images == 5, images > 5,
                                                       "%d images" % images)
    return results


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build", "cli",
                                                              "quorvel-cli")
    cli = os.path.abspath(cli)
    folder = tempfile.mkdtemp(prefix="quorvel-fidelity-")
    try:
        sources = write_sources(folder)
        rows = [("a.pdf", "5,1-4", "Y"), ("b.pdf", "all", "N"), ("c.pdf", "all", "N"),
                ("c.pdf", "all", "N")]
        with open(os.path.join(folder, "batch.app"), "w", newline="") as f:
            for name, pages, create in rows:
                f.write("%s; %s; 5; Ready.; ; out.pdf; Y; %s; Y; N\r\r\n" % (name, pages, create))
        run(cli, "run", "batch.app", cwd=folder)
        shutil.move(os.path.join(folder, "out.pdf"), os.path.join(folder, "out-inprocess.pdf"))
        run(cli, "run", "--isolated", "batch.app", cwd=folder)
        run("qpdf", "--empty", "--pages", sources["a"], "5,1-4", sources["b"], sources["c"],
            sources["c"], "--", os.path.join(folder, "out-qpdf.pdf"))
        outputs = {"quorvel": os.path.join(folder, "out-inprocess.pdf"),
                   "quorvel --isolated": os.path.join(folder, "out.pdf"),
                   "qpdf --pages": os.path.join(folder, "out-qpdf.pdf")}
        results = {}
        for tool, path in outputs.items():
            text = run("pdftotext", "-q", path, "-")
            results[tool] = assess(Pdf(path), text)
        row = "%-31s" + " %-37s" * len(outputs)
        print(row % ("feature", *outputs))
        for feature in results["quorvel"]:
            cells = ["%-6s %s" % results[tool][feature] for tool in outputs]
            print(row % (feature, *cells))
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
