#include "common/MakePdf.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::test {

std::string MakePdf(int pages, const std::string& label) {
    std::vector<std::string> objects;
    std::string kids;
    for (int i = 0; i < pages; ++i)
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                      " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << "
                          "/Font << /F1 3 0 R >> >> /Contents " +
                          std::to_string(5 + 2 * i) + " 0 R >>");
        std::string text =
            "BT /F1 12 Tf 20 100 Td (" + label + " " + std::to_string(i + 1) + ") Tj ET";
        objects.push_back("<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text +
                          "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

bool RunCommand(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

bool EncryptPdf(const std::string& plain, const std::string& encrypted, const std::string& user,
                const std::string& owner, int bits) {
    // RC4 is what older producers wrote; qpdf writes it only when told.
    const std::string weak = bits == 128 ? " --allow-weak-crypto" : "";
    const std::string aes = bits == 128 ? " --use-aes=n" : "";
    return RunCommand("qpdf" + weak + " --encrypt '" + user + "' '" + owner + "' " +
                      std::to_string(bits) + aes + " -- '" + plain + "' '" + encrypted + "'");
}

int PdfInfoPages(const std::string& path) {
    std::string command = "pdfinfo '" + path + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return -1;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        if (text.rfind("Pages:", 0) == 0)
            return std::atoi(text.c_str() + 6);
    }
    return -1;
}

} // namespace quorvel::test
