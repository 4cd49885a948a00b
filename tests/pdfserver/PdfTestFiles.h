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
// widget, "name@page".
std::vector<std::string> ReadFields(const std::string& path);

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
