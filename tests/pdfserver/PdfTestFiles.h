#pragma once

// Makes small PDF files for the document server's tests and reads back what
// the server wrote, all through qpdf.

#include <string>
#include <vector>

namespace quorvel::test {

// What a generated source carries. Page i (1-based) shows the text
// "src <name> page <i>".
struct SourcePlan {
    std::string name = "A";
    int pages = 3;
    // Outline: "<name> one" (page 1, named destination in the /Names tree)
    //   > "<name> one.a" (page 2, explicit) > "<name> one.a.i" (page 3, GoTo action)
    //   > "<name> one.b" (last page, old-style /Dests name)
    // "<name> two" (page 2, explicit, closed, no children)
    bool outline = false;
    // Page 1 links to the last page (named), page 2 links to page 1.
    bool links = false;
    // A text field "field<name>" with its widget on page 1.
    bool form = false;
    // Page 1 also shows "shown <name>" in a layer "Visible" and "hidden <name>"
    // in a layer "Hidden" that the default configuration turns off.
    bool layers = false;
    // Pages labelled "i", "ii", then "A-1", "A-2", ...
    bool labels = false;
    // A document attachment "note.txt" holding "note of <name>".
    bool attachment = false;
    // A text field "form<name>" with a kid widget "p<i>" on every page i, so
    // its terminal fields are "form<name>.p<i>".
    bool spreadForm = false;
    // On page 1 a note "note <name>" with a popup; on the last page a reply
    // "reply <name>" to the note.
    bool comments = false;
    // With `outline`: a last top-level item "<name> web" opening a web page.
    bool webItem = false;
    // Every page draws one image, a stream shared by all pages whose bytes
    // begin "image of <name>.".
    bool image = false;
    // The header version written ("" = qpdf's choice).
    std::string version;
    // Tagged: /MarkInfo, /Lang and a structure tree below a Document
    // element: a heading (role /Heading) on page 1, a paragraph over pages 1
    // and 2 (class /Emph), a link with its annotation on page 1, a figure on
    // page 2 and a paragraph on each later page, with IDs in an /IDTree.
    bool tagged = false;
    std::string headingRole = "/H1"; // what the role map makes of /Heading
    std::string language = "en-US";
    // Damage done to the structure tree of a tagged source.
    enum class Damage { None, Loop, NoParentTree, WrongNumber } damage = Damage::None;
    // Encrypts with this user password ("" = opens without one).
    bool encrypt = false;
    std::string userPassword;
};

void WriteSource(const std::string& path, const SourcePlan& plan);

// Names of the entries of a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);

// The "src X page N" text of every page, "" for a page without one.
std::vector<std::string> PageTexts(const std::string& path);

struct OutlineEntry {
    std::string title;
    int depth;
    int page; // 0-based target page, -1 without a destination
    bool operator==(const OutlineEntry& other) const {
        return title == other.title && depth == other.depth && page == other.page;
    }
};
std::vector<OutlineEntry> ReadOutline(const std::string& path);

// "page N -> page M" (0-based) for each link annotation with a local jump,
// "page N -> none" for one without.
std::vector<std::string> ReadLinks(const std::string& path);

// Fully qualified names of the form fields with the 0-based page of each
// widget, "name@page"; page -1 for a widget of the form on no page.
std::vector<std::string> ReadFields(const std::string& path);

// What pdftotext reads from the file (hidden layers are not drawn).
std::string ReadText(const std::string& path);

// The label each page shows ("i", "A-1", "3").
std::vector<std::string> ReadLabels(const std::string& path);

// Comment ties, sorted: "<contents>@<page> IRT <contents>@<page>",
// "<contents>@<page> Popup @<page>", "popup@<page> Parent <contents>@<page>";
// page -1 for an annotation on no page.
std::vector<std::string> ReadTies(const std::string& path);

// "name=bytes" for each document attachment, in tree order.
std::vector<std::string> ReadAttachments(const std::string& path);

// "name->page" for each named destination of /Names /Dests (0-based page,
// -1 for none), in tree order.
std::vector<std::string> ReadNamedDests(const std::string& path);

// "name:on" / "name:off" for each layer of /OCProperties /OCGs, by the
// default configuration's state.
std::vector<std::string> ReadLayers(const std::string& path);

// For each page, the image it draws: "image of <name> #k", k numbering the
// distinct image streams of the file in order of first use; a last entry
// "streams=N" counts every image stream in the file, used or not.
std::vector<std::string> ReadImages(const std::string& path);

// The version the file declares: its header raised by the catalog /Version.
std::string ReadVersion(const std::string& path);

// What reparsing the whole file found: every object, every page and every
// stream read as `qpdf --check` does, without its linearization check: in
// qpdf 11.3 that check (QPDF::checkLinearization, and showLinearizationData
// likewise) recurses without bound and overflows the stack on
// qpdf-xref-compressed-in-compressed.pdf of the corpus.
struct ParseResult {
    bool ok = false;
    std::string error;
    int pages = -1;
    int pageObjects = -1; // objects of /Type /Page in the file
    int warnings = 0;
};
ParseResult ParseFully(const std::string& path, const std::string& password = "");

// Exit status of `qpdf --check` on the file (0 clean, 3 warnings, 2 errors).
int QpdfCheck(const std::string& path);

} // namespace quorvel::test
