#include "pdfserver/PdfTestFiles.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>

namespace quorvel::test {

namespace fs = std::filesystem;

namespace {

QPDFObjectHandle Dest(QPDFObjectHandle page) {
    auto dest = QPDFObjectHandle::newArray();
    dest.appendItem(page);
    dest.appendItem(QPDFObjectHandle::newName("/XYZ"));
    dest.appendItem(QPDFObjectHandle::newInteger(0));
    dest.appendItem(QPDFObjectHandle::newInteger(792));
    dest.appendItem(QPDFObjectHandle::newNull());
    return dest;
}

QPDFObjectHandle Item(QPDF& pdf, const std::string& title) {
    auto item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
    return item;
}

// Links `children` below `parent` and sets the parent's /Count.
void Attach(QPDFObjectHandle parent, const std::vector<QPDFObjectHandle>& children, int count) {
    for (size_t i = 0; i < children.size(); ++i) {
        auto child = children[i];
        child.replaceKey("/Parent", parent);
        if (i > 0) {
            child.replaceKey("/Prev", children[i - 1]);
        }
        if (i + 1 < children.size()) {
            child.replaceKey("/Next", children[i + 1]);
        }
    }
    parent.replaceKey("/First", children.front());
    parent.replaceKey("/Last", children.back());
    parent.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
}

QPDFObjectHandle Rect() {
    return QPDFObjectHandle::parse("[72 600 300 630]");
}

// The structure tree that SourcePlan::tagged describes.
void Tag(QPDF& pdf, const SourcePlan& plan) {
    const auto& all = pdf.getAllPages();
    const int count = static_cast<int>(all.size());
    auto catalog = pdf.getRoot();
    auto root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructTreeRoot >>"));
    auto element = [&](QPDFObjectHandle parent, const std::string& role, int page,
                       const std::string& id) {
        auto e = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        e.replaceKey("/Type", QPDFObjectHandle::newName("/StructElem"));
        e.replaceKey("/S", QPDFObjectHandle::newName(role));
        e.replaceKey("/P", parent);
        if (page >= 0) {
            e.replaceKey("/Pg", all[static_cast<size_t>(page)]);
        }
        if (!id.empty()) {
            e.replaceKey("/ID", QPDFObjectHandle::newString(plan.name + "-" + id));
        }
        return e;
    };
    auto document = element(root, "/Document", -1, "");
    std::vector<QPDFObjectHandle> kids;
    std::vector<std::vector<QPDFObjectHandle>> owners(static_cast<size_t>(count));
    auto heading = element(document, "/Heading", 0, "heading");
    heading.replaceKey("/K", QPDFObjectHandle::newInteger(0));
    kids.push_back(heading);
    owners[0].push_back(heading);
    auto paragraph = element(document, "/P", 0, "paragraph");
    paragraph.replaceKey("/C", QPDFObjectHandle::newName("/Emph"));
    auto paragraphKids = QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(1)});
    kids.push_back(paragraph);
    owners[0].push_back(paragraph);
    auto link = element(document, "/Link", 0, "link");
    auto annotation = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Border [0 0 0] >>"));
    annotation.replaceKey("/Rect", QPDFObjectHandle::parse("[72 600 200 620]"));
    annotation.replaceKey("/Dest", Dest(all.back()));
    annotation.replaceKey("/StructParent", QPDFObjectHandle::newInteger(count));
    auto reference = QPDFObjectHandle::parse("<< /Type /OBJR >>");
    reference.replaceKey("/Obj", annotation);
    link.replaceKey("/K", QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(2), reference}));
    kids.push_back(link);
    owners[0].push_back(link);
    QPDFObjectHandle first = all[0];
    auto annots = first.getKey("/Annots");
    if (!annots.isArray()) {
        annots = QPDFObjectHandle::newArray();
        first.replaceKey("/Annots", annots);
    }
    annots.appendItem(annotation);
    for (int i = 1; i < count; ++i) {
        if (i == 1) {
            // The paragraph goes on over the second page.
            auto continued = QPDFObjectHandle::parse("<< /Type /MCR /MCID 0 >>");
            continued.replaceKey("/Pg", all[1]);
            paragraphKids.appendItem(continued);
            owners[1].push_back(paragraph);
            auto figure = element(document, "/Figure", 1, "figure");
            figure.replaceKey("/Alt", QPDFObjectHandle::newUnicodeString("a blue square"));
            figure.replaceKey("/K", QPDFObjectHandle::newInteger(1));
            kids.push_back(figure);
            owners[1].push_back(figure);
        } else {
            auto more = element(document, "/P", i, "p" + std::to_string(i + 1));
            more.replaceKey("/K", QPDFObjectHandle::newInteger(0));
            kids.push_back(more);
            owners[static_cast<size_t>(i)].push_back(more);
        }
    }
    paragraph.replaceKey("/K", paragraphKids);
    document.replaceKey("/K", QPDFObjectHandle::newArray(kids));
    root.replaceKey("/K", document);

    auto numbers = QPDFObjectHandle::newArray();
    for (int i = 0; i < count; ++i) {
        QPDFObjectHandle(all[static_cast<size_t>(i)])
            .replaceKey("/StructParents", QPDFObjectHandle::newInteger(i));
        numbers.appendItem(QPDFObjectHandle::newInteger(i));
        numbers.appendItem(QPDFObjectHandle::newArray(owners[static_cast<size_t>(i)]));
    }
    numbers.appendItem(QPDFObjectHandle::newInteger(count));
    numbers.appendItem(link);
    auto parentTree = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    parentTree.replaceKey("/Nums", numbers);
    root.replaceKey("/ParentTree", parentTree);
    root.replaceKey("/ParentTreeNextKey", QPDFObjectHandle::newInteger(count + 1));
    auto roles = QPDFObjectHandle::newDictionary();
    roles.replaceKey("/Heading", QPDFObjectHandle::newName(plan.headingRole));
    root.replaceKey("/RoleMap", roles);
    // Sources whose heading means another level also mean another emphasis.
    root.replaceKey("/ClassMap",
                    QPDFObjectHandle::parse(plan.headingRole == "/H1"
                                                ? "<< /Emph << /O /Layout /TextDecorationType "
                                                  "/Underline >> >>"
                                                : "<< /Emph << /O /Layout /TextDecorationType "
                                                  "/LineThrough >> >>"));
    std::map<std::string, QPDFObjectHandle> ids;
    for (auto kid : kids) {
        ids[kid.getKey("/ID").getStringValue()] = kid;
    }
    auto names = QPDFObjectHandle::newArray();
    for (const auto& [id, kid] : ids) {
        names.appendItem(QPDFObjectHandle::newString(id));
        names.appendItem(kid);
    }
    auto idTree = QPDFObjectHandle::newDictionary();
    idTree.replaceKey("/Names", names);
    root.replaceKey("/IDTree", pdf.makeIndirectObject(idTree));

    switch (plan.damage) {
    case SourcePlan::Damage::None:
        break;
    case SourcePlan::Damage::Loop:
        document.replaceKey("/P", heading);
        break;
    case SourcePlan::Damage::NoParentTree:
        root.removeKey("/ParentTree");
        break;
    case SourcePlan::Damage::WrongNumber:
        QPDFObjectHandle(all.back()).replaceKey("/StructParents", QPDFObjectHandle::newInteger(40));
        break;
    }
    catalog.replaceKey("/StructTreeRoot", root);
    catalog.replaceKey("/MarkInfo", QPDFObjectHandle::parse("<< /Marked true >>"));
    catalog.replaceKey("/Lang", QPDFObjectHandle::newString(plan.language));
}

} // namespace

void WriteSource(const std::string& path, const SourcePlan& plan) {
    QPDF pdf;
    pdf.emptyPDF();
    auto font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFPageDocumentHelper pages(pdf);
    QPDFObjectHandle image;
    if (plan.image) {
        // Bytes that do not compress, so that a second copy shows in the size.
        std::string pixels = "image of " + plan.name + ".";
        for (unsigned x = 1; pixels.size() < 64 * 64 * 3; x = x * 1103515245u + 12345u) {
            pixels.push_back(static_cast<char>(x >> 16));
        }
        pixels.resize(64 * 64 * 3);
        image = QPDFObjectHandle::newStream(&pdf, pixels);
        image.replaceDict(QPDFObjectHandle::parse(
            "<< /Type /XObject /Subtype /Image /Width 64 /Height 64 /ColorSpace /DeviceRGB "
            "/BitsPerComponent 8 >>"));
    }
    for (int i = 1; i <= plan.pages; ++i) {
        std::string text = "src " + plan.name + " page " + std::to_string(i);
        std::string drawn = "BT /F1 24 Tf 72 700 Td (" + text + ") Tj ET\n";
        if (plan.tagged) {
            drawn =
                (i == 1 ? "/Heading" : "/P") + std::string(" <</MCID 0>> BDC ") + drawn + "EMC\n";
            if (i == 1) {
                drawn += "/P <</MCID 1>> BDC BT /F1 12 Tf 72 650 Td (a paragraph) Tj ET EMC\n"
                         "/Link <</MCID 2>> BDC BT /F1 12 Tf 72 610 Td (a link) Tj ET EMC\n";
            } else if (i == 2) {
                drawn += "/Figure <</MCID 1>> BDC 0 0 1 rg 72 300 200 200 re f EMC\n";
            }
        }
        auto contents = QPDFObjectHandle::newStream(&pdf, drawn);
        auto resources = QPDFObjectHandle::newDictionary();
        auto fonts = QPDFObjectHandle::newDictionary();
        fonts.replaceKey("/F1", font);
        resources.replaceKey("/Font", fonts);
        if (plan.image) {
            drawn += "q 64 0 0 64 72 400 cm /Im0 Do Q\n";
            contents = QPDFObjectHandle::newStream(&pdf, drawn);
            auto images = QPDFObjectHandle::newDictionary();
            images.replaceKey("/Im0", image);
            resources.replaceKey("/XObject", images);
        }
        auto page = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 612 792]"));
        page.replaceKey("/Contents", contents);
        page.replaceKey("/Resources", resources);
        pages.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    }
    const auto& all = pdf.getAllPages();
    auto catalog = pdf.getRoot();
    auto last = all.back();

    if (plan.outline || plan.links) {
        // Named destinations, both kinds.
        auto names = QPDFObjectHandle::newDictionary();
        auto tree = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        auto entries = QPDFObjectHandle::newArray();
        entries.appendItem(QPDFObjectHandle::newString("first-page"));
        entries.appendItem(Dest(all[0]));
        entries.appendItem(QPDFObjectHandle::newString("last-page"));
        entries.appendItem(Dest(last));
        tree.replaceKey("/Names", entries);
        names.replaceKey("/Dests", tree);
        catalog.replaceKey("/Names", names);
        auto dests = QPDFObjectHandle::newDictionary();
        auto withD = QPDFObjectHandle::newDictionary();
        withD.replaceKey("/D", Dest(last));
        dests.replaceKey("/LastPage", withD);
        catalog.replaceKey("/Dests", pdf.makeIndirectObject(dests));
    }
    if (plan.outline) {
        auto root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
        auto one = Item(pdf, plan.name + " one");
        one.replaceKey("/Dest", QPDFObjectHandle::newString("first-page"));
        auto oneA = Item(pdf, plan.name + " one.a");
        oneA.replaceKey("/Dest", Dest(all[std::min<size_t>(1, all.size() - 1)]));
        auto oneAi = Item(pdf, plan.name + " one.a.i");
        auto action = QPDFObjectHandle::newDictionary();
        action.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
        action.replaceKey("/D", Dest(all[std::min<size_t>(2, all.size() - 1)]));
        oneAi.replaceKey("/A", action);
        auto oneB = Item(pdf, plan.name + " one.b");
        oneB.replaceKey("/Dest", QPDFObjectHandle::newName("/LastPage"));
        auto two = Item(pdf, plan.name + " two");
        two.replaceKey("/Dest", Dest(all[std::min<size_t>(1, all.size() - 1)]));
        Attach(oneA, {oneAi}, 1);
        Attach(one, {oneA, oneB}, 3);
        if (plan.webItem) {
            auto web = Item(pdf, plan.name + " web");
            web.replaceKey("/A", QPDFObjectHandle::parse("<< /S /URI /URI (https://example.org/" +
                                                         plan.name + ") >>"));
            Attach(root, {one, two, web}, 6);
        } else {
            Attach(root, {one, two}, 5);
        }
        catalog.replaceKey("/Outlines", root);
    }
    if (plan.links && all.size() >= 2) {
        auto toLast = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Annot /Subtype /Link /Border [0 0 0] /Dest (last-page) >>"));
        toLast.replaceKey("/Rect", Rect());
        auto toFirst = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Border [0 0 0] >>"));
        toFirst.replaceKey("/Rect", Rect());
        auto action = QPDFObjectHandle::newDictionary();
        action.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
        action.replaceKey("/D", Dest(all[0]));
        toFirst.replaceKey("/A", action);
        QPDFObjectHandle(all[0]).replaceKey("/Annots", QPDFObjectHandle::newArray({toLast}));
        QPDFObjectHandle(all[1]).replaceKey("/Annots", QPDFObjectHandle::newArray({toFirst}));
    }
    if (plan.form) {
        auto appearance = QPDFObjectHandle::newStream(&pdf, "/Tx BMC EMC\n");
        appearance.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 228 30]"));
        appearance.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
        auto ap = QPDFObjectHandle::newDictionary();
        ap.replaceKey("/N", appearance);
        auto field = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Annot /Subtype /Widget /FT /Tx /DA (/Helv 12 Tf 0 g) >>"));
        field.replaceKey("/T", QPDFObjectHandle::newString("field" + plan.name));
        field.replaceKey("/V", QPDFObjectHandle::newString("value " + plan.name));
        field.replaceKey("/Rect", QPDFObjectHandle::parse("[72 500 300 530]"));
        field.replaceKey("/P", all[0]);
        field.replaceKey("/AP", ap);
        QPDFObjectHandle first = all[0];
        auto annots = first.getKey("/Annots");
        if (!annots.isArray()) {
            annots = QPDFObjectHandle::newArray();
            first.replaceKey("/Annots", annots);
        }
        annots.appendItem(field);
        auto form = QPDFObjectHandle::newDictionary();
        form.replaceKey("/Fields", QPDFObjectHandle::newArray({field}));
        auto dr = QPDFObjectHandle::parse(
            "<< /Font << /Helv << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>");
        form.replaceKey("/DR", dr);
        form.replaceKey("/DA", QPDFObjectHandle::newString("/Helv 0 Tf 0 g"));
        catalog.replaceKey("/AcroForm", pdf.makeIndirectObject(form));
    }

    auto addAnnotation = [](QPDFObjectHandle page, QPDFObjectHandle annotation) {
        auto annots = page.getKey("/Annots");
        if (!annots.isArray()) {
            annots = QPDFObjectHandle::newArray();
            page.replaceKey("/Annots", annots);
        }
        annots.appendItem(annotation);
    };
    if (plan.layers) {
        auto visible =
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /OCG /Name (Visible) >>"));
        auto hidden =
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /OCG /Name (Hidden) >>"));
        QPDFObjectHandle first = all[0];
        auto resources = first.getKey("/Resources");
        auto properties = QPDFObjectHandle::newDictionary();
        properties.replaceKey("/L1", visible);
        properties.replaceKey("/L2", hidden);
        resources.replaceKey("/Properties", properties);
        first.addPageContents(QPDFObjectHandle::newStream(
                                  &pdf, "/OC /L1 BDC BT /F1 18 Tf 72 400 Td (shown " + plan.name +
                                            ") Tj ET EMC /OC /L2 BDC BT /F1 18 "
                                            "Tf 72 300 Td (hidden " +
                                            plan.name + ") Tj ET EMC\n"),
                              false);
        auto configuration = QPDFObjectHandle::newDictionary();
        configuration.replaceKey("/Order", QPDFObjectHandle::newArray({visible, hidden}));
        configuration.replaceKey("/OFF", QPDFObjectHandle::newArray({hidden}));
        auto properties2 = QPDFObjectHandle::newDictionary();
        properties2.replaceKey("/OCGs", QPDFObjectHandle::newArray({visible, hidden}));
        properties2.replaceKey("/D", configuration);
        catalog.replaceKey("/OCProperties", properties2);
    }
    if (plan.labels) {
        catalog.replaceKey("/PageLabels", QPDFObjectHandle::parse(
                                              "<< /Nums [0 << /S /r >> 2 << /S /D /P (A-) >>] >>"));
    }
    if (plan.attachment) {
        auto file = QPDFObjectHandle::newStream(&pdf, "note of " + plan.name);
        file.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/EmbeddedFile"));
        auto fileSpec = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Filespec /F (note.txt) /UF (note.txt) >>"));
        auto ef = QPDFObjectHandle::newDictionary();
        ef.replaceKey("/F", file);
        fileSpec.replaceKey("/EF", ef);
        auto names = catalog.getKey("/Names");
        if (!names.isDictionary()) {
            names = QPDFObjectHandle::newDictionary();
            catalog.replaceKey("/Names", names);
        }
        auto tree = QPDFObjectHandle::newDictionary();
        tree.replaceKey("/Names", QPDFObjectHandle::newArray(
                                      {QPDFObjectHandle::newString("note.txt"), fileSpec}));
        names.replaceKey("/EmbeddedFiles", pdf.makeIndirectObject(tree));
    }
    if (plan.spreadForm) {
        auto parent = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /FT /Tx >>"));
        parent.replaceKey("/T", QPDFObjectHandle::newString("form" + plan.name));
        auto kids = QPDFObjectHandle::newArray();
        for (size_t i = 0; i < all.size(); ++i) {
            auto widget = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Widget /Rect [72 500 300 530] /DA (/Helv 12 Tf 0 g) "
                ">>"));
            widget.replaceKey("/T", QPDFObjectHandle::newString("p" + std::to_string(i + 1)));
            widget.replaceKey("/V", QPDFObjectHandle::newString("v" + std::to_string(i + 1)));
            widget.replaceKey("/Parent", parent);
            widget.replaceKey("/P", all[i]);
            kids.appendItem(widget);
            addAnnotation(all[i], widget);
        }
        parent.replaceKey("/Kids", kids);
        auto form = catalog.getKey("/AcroForm");
        if (!form.isDictionary()) {
            form = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Fields [] /DR << /Font << /Helv << /Type /Font /Subtype /Type1 /BaseFont "
                "/Helvetica >> >> >> /DA (/Helv 0 Tf 0 g) >>"));
            catalog.replaceKey("/AcroForm", form);
        }
        form.getKey("/Fields").appendItem(parent);
    }
    if (plan.comments) {
        auto note = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Text /Rect [20 20 40 40] >>"));
        note.replaceKey("/Contents", QPDFObjectHandle::newString("note " + plan.name));
        auto popup = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Popup /Rect [40 40 200 100] >>"));
        popup.replaceKey("/Parent", note);
        note.replaceKey("/Popup", popup);
        auto reply = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Text /Rect [20 60 40 80] >>"));
        reply.replaceKey("/Contents", QPDFObjectHandle::newString("reply " + plan.name));
        reply.replaceKey("/IRT", note);
        addAnnotation(all[0], note);
        addAnnotation(all[0], popup);
        addAnnotation(last, reply);
    }
    if (plan.tagged) {
        Tag(pdf, plan);
    }

    QPDFWriter writer(pdf, path.c_str());
    if (!plan.version.empty()) {
        writer.forcePDFVersion(plan.version);
    }
    if (plan.encrypt) {
        writer.setR6EncryptionParameters(plan.userPassword.c_str(), "owner", true, false, true,
                                         true, true, false, qpdf_r3p_full, true);
    }
    writer.write();
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> PageTexts(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    std::vector<std::string> texts;
    static const std::regex label(R"(\((src [A-Za-z0-9]+ page [0-9]+)\))");
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        Pl_Buffer buffer("contents");
        page.pipeContents(&buffer);
        auto data = buffer.getBufferSharedPointer();
        std::string content(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        std::smatch match;
        texts.push_back(std::regex_search(content, match, label) ? match[1].str() : "");
    }
    return texts;
}

namespace {

struct Reader {
    explicit Reader(const std::string& path) {
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        const auto& pages = pdf.getAllPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            index[pages[i].getObjGen()] = static_cast<int>(i);
        }
    }

    int PageOf(QPDFObjectHandle holder) {
        auto dest = holder.getKey("/Dest");
        auto action = holder.getKey("/A");
        if (dest.isNull() && action.isDictionary() &&
            action.getKey("/S").isNameAndEquals("/GoTo")) {
            dest = action.getKey("/D");
        }
        if (dest.isName()) {
            dest = pdf.getRoot().getKey("/Dests").getKey(dest.getName());
        } else if (dest.isString()) {
            auto tree = pdf.getRoot().getKey("/Names").getKey("/Dests");
            QPDFObjectHandle found;
            if (tree.isDictionary() &&
                QPDFNameTreeObjectHelper(tree, pdf).findObject(dest.getUTF8Value(), found)) {
                dest = found;
            } else {
                dest = QPDFObjectHandle::newNull();
            }
        }
        if (dest.isDictionary()) {
            dest = dest.getKey("/D");
        }
        if (!dest.isArray() || dest.getArrayNItems() == 0) {
            return -1;
        }
        auto found = index.find(dest.getArrayItem(0).getObjGen());
        return found == index.end() ? -2 : found->second;
    }

    QPDF pdf;
    std::map<QPDFObjGen, int> index;
};

} // namespace

std::vector<OutlineEntry> ReadOutline(const std::string& path) {
    Reader reader(path);
    std::vector<OutlineEntry> entries;
    std::set<QPDFObjGen> seen;
    std::function<void(QPDFObjectHandle, int)> walk = [&](QPDFObjectHandle node, int depth) {
        for (auto item = node.getKey("/First"); item.isDictionary(); item = item.getKey("/Next")) {
            if (!seen.insert(item.getObjGen()).second) {
                return;
            }
            entries.push_back({item.getKey("/Title").getUTF8Value(), depth, reader.PageOf(item)});
            walk(item, depth + 1);
        }
    };
    auto root = reader.pdf.getRoot().getKey("/Outlines");
    if (root.isDictionary()) {
        walk(root, 0);
    }
    return entries;
}

std::vector<std::string> ReadLinks(const std::string& path) {
    Reader reader(path);
    std::vector<std::string> links;
    const auto& pages = reader.pdf.getAllPages();
    for (size_t i = 0; i < pages.size(); ++i) {
        for (auto& annot : QPDFObjectHandle(pages[i]).getKey("/Annots").aitems()) {
            if (!annot.getKey("/Subtype").isNameAndEquals("/Link")) {
                continue;
            }
            int target = reader.PageOf(annot);
            links.push_back("page " + std::to_string(i) + " -> " +
                            (target >= 0    ? "page " + std::to_string(target)
                             : target == -1 ? "none"
                                            : "elsewhere"));
        }
    }
    return links;
}

std::vector<std::string> ReadFields(const std::string& path) {
    Reader reader(path);
    QPDFAcroFormDocumentHelper forms(reader.pdf);
    std::vector<std::string> fields;
    std::set<QPDFObjGen> onPages;
    for (auto& page : QPDFPageDocumentHelper(reader.pdf).getAllPages()) {
        int index = reader.index[page.getObjectHandle().getObjGen()];
        for (auto& widget : forms.getWidgetAnnotationsForPage(page)) {
            onPages.insert(widget.getObjectHandle().getObjGen());
            auto field = forms.getFieldForAnnotation(widget);
            fields.push_back(field.getFullyQualifiedName() + "@" + std::to_string(index));
        }
    }
    // Widgets of the form that sit on no page.
    for (auto& field : forms.getFormFields()) {
        for (auto& widget : forms.getAnnotationsForField(field)) {
            if (!onPages.count(widget.getObjectHandle().getObjGen())) {
                fields.push_back(field.getFullyQualifiedName() + "@-1");
            }
        }
    }
    std::sort(fields.begin(), fields.end());
    return fields;
}

std::string ReadText(const std::string& path) {
    std::string command = "pdftotext -q '" + path + "' - 2>/dev/null";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return text;
}

namespace {

std::string Roman(long long n) {
    static const std::pair<int, const char*> digits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    std::string text;
    for (const auto& [value, letters] : digits) {
        for (; n >= value; n -= value) {
            text += letters;
        }
    }
    return text;
}

} // namespace

std::vector<std::string> ReadLabels(const std::string& path) {
    Reader reader(path);
    QPDFPageLabelDocumentHelper labels(reader.pdf);
    std::vector<std::string> shown;
    const long long pages = static_cast<long long>(reader.pdf.getAllPages().size());
    for (long long i = 0; i < pages; ++i) {
        auto label = labels.hasPageLabels() ? labels.getLabelForPage(i) : QPDFObjectHandle();
        if (!label.isInitialized() || !label.isDictionary()) {
            shown.push_back(std::to_string(i + 1));
            continue;
        }
        std::string text = label.getKey("/P").isString() ? label.getKey("/P").getUTF8Value() : "";
        long long number = label.getKey("/St").isInteger() ? label.getKey("/St").getIntValue() : 1;
        auto style = label.getKey("/S");
        if (style.isNameAndEquals("/D")) {
            text += std::to_string(number);
        } else if (style.isNameAndEquals("/r")) {
            text += Roman(number);
        } else if (style.isNameAndEquals("/R")) {
            std::string roman = Roman(number);
            std::transform(roman.begin(), roman.end(), roman.begin(), ::toupper);
            text += roman;
        } else if (style.isNameAndEquals("/A") || style.isNameAndEquals("/a")) {
            char letter =
                static_cast<char>((style.isNameAndEquals("/A") ? 'A' : 'a') + (number - 1) % 26);
            text += std::string(static_cast<size_t>((number - 1) / 26 + 1), letter);
        }
        shown.push_back(text);
    }
    return shown;
}

std::vector<std::string> ReadTies(const std::string& path) {
    Reader reader(path);
    std::map<QPDFObjGen, int> pageOf;
    const auto& pages = reader.pdf.getAllPages();
    for (size_t i = 0; i < pages.size(); ++i) {
        for (auto& annot : QPDFObjectHandle(pages[i]).getKey("/Annots").aitems()) {
            pageOf[annot.getObjGen()] = static_cast<int>(i);
        }
    }
    auto describe = [&](QPDFObjectHandle annot) {
        auto found = pageOf.find(annot.getObjGen());
        std::string contents =
            annot.getKey("/Contents").isString() ? annot.getKey("/Contents").getUTF8Value() : "";
        return contents + "@" + std::to_string(found == pageOf.end() ? -1 : found->second);
    };
    std::vector<std::string> ties;
    for (size_t i = 0; i < pages.size(); ++i) {
        for (auto& annot : QPDFObjectHandle(pages[i]).getKey("/Annots").aitems()) {
            if (annot.getKey("/IRT").isDictionary()) {
                ties.push_back(describe(annot) + " IRT " + describe(annot.getKey("/IRT")));
            }
            if (annot.getKey("/Popup").isDictionary()) {
                ties.push_back(describe(annot) + " Popup " + describe(annot.getKey("/Popup")));
            }
            if (annot.getKey("/Subtype").isNameAndEquals("/Popup") &&
                annot.getKey("/Parent").isDictionary()) {
                ties.push_back("popup@" + std::to_string(i) + " Parent " +
                               describe(annot.getKey("/Parent")));
            }
        }
    }
    std::sort(ties.begin(), ties.end());
    return ties;
}

std::vector<std::string> ReadAttachments(const std::string& path) {
    Reader reader(path);
    std::vector<std::string> attachments;
    auto tree = reader.pdf.getRoot().getKey("/Names").getKey("/EmbeddedFiles");
    if (!tree.isDictionary()) {
        return attachments;
    }
    for (auto& [name, fileSpec] : QPDFNameTreeObjectHelper(tree, reader.pdf)) {
        QPDFObjectHandle file = QPDFObjectHandle(fileSpec).getKey("/EF").getKey("/F");
        auto data = file.getStreamData();
        attachments.push_back(
            name + "=" +
            std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
    }
    return attachments;
}

std::vector<std::string> ReadNamedDests(const std::string& path) {
    Reader reader(path);
    std::vector<std::string> names;
    auto tree = reader.pdf.getRoot().getKey("/Names").getKey("/Dests");
    if (!tree.isDictionary()) {
        return names;
    }
    for (auto& [name, value] : QPDFNameTreeObjectHelper(tree, reader.pdf)) {
        auto holder = QPDFObjectHandle::newDictionary();
        holder.replaceKey("/Dest", value);
        names.push_back(name + "->" + std::to_string(reader.PageOf(holder)));
    }
    return names;
}

std::vector<std::string> ReadLayers(const std::string& path) {
    Reader reader(path);
    std::vector<std::string> layers;
    auto properties = reader.pdf.getRoot().getKey("/OCProperties");
    if (!properties.isDictionary()) {
        return layers;
    }
    std::set<QPDFObjGen> off;
    for (auto& layer : properties.getKey("/D").getKey("/OFF").aitems()) {
        off.insert(layer.getObjGen());
    }
    for (auto& layer : properties.getKey("/OCGs").aitems()) {
        layers.push_back(layer.getKey("/Name").getUTF8Value() +
                         (off.count(layer.getObjGen()) ? ":off" : ":on"));
    }
    return layers;
}

std::vector<std::string> ReadImages(const std::string& path) {
    Reader reader(path);
    std::vector<std::string> images;
    std::map<QPDFObjGen, int> numbers;
    for (auto page : reader.pdf.getAllPages()) {
        auto image = page.getKey("/Resources").getKey("/XObject").getKey("/Im0");
        if (!image.isStream()) {
            images.push_back("none");
            continue;
        }
        auto data = image.getStreamData(qpdf_dl_all);
        std::string text(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        text = text.substr(0, text.find('.'));
        auto number = numbers.emplace(image.getObjGen(), static_cast<int>(numbers.size()) + 1);
        images.push_back(text + " #" + std::to_string(number.first->second));
    }
    int streams = 0;
    for (auto& object : reader.pdf.getAllObjects()) {
        streams +=
            object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals("/Image");
    }
    images.push_back("streams=" + std::to_string(streams));
    return images;
}

std::string ReadVersion(const std::string& path) {
    Reader reader(path);
    std::string version = reader.pdf.getPDFVersion();
    auto catalog = reader.pdf.getRoot().getKey("/Version");
    if (catalog.isName() && catalog.getName().substr(1) > version) {
        version = catalog.getName().substr(1);
    }
    return version;
}

ParseResult ParseFully(const std::string& path, const std::string& password) {
    ParseResult result;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str(), password.empty() ? nullptr : password.c_str());
        result.pages = static_cast<int>(pdf.getAllPages().size());
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            Pl_Discard discard;
            page.pipeContents(&discard);
        }
        QPDFWriter writer(pdf);
        Pl_Discard discard;
        writer.setOutputPipeline(&discard);
        writer.write();
        result.pageObjects = 0;
        for (auto& object : pdf.getAllObjects()) {
            if (object.isPageObject()) {
                ++result.pageObjects;
            }
        }
        result.warnings = static_cast<int>(pdf.getWarnings().size());
        result.ok = true;
    } catch (std::exception& e) {
        result.error = e.what();
    }
    return result;
}

int QpdfCheck(const std::string& path) {
    std::string command = "qpdf --check '" + path + "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace quorvel::test
