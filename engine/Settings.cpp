#include "engine/Settings.h"

#include "support/TextFile.h"

#include <string_view>
#include <vector>

namespace quorvel {

namespace {

constexpr size_t kMaxLineChars = 254;

// The non-empty pieces of a line cut at semicolons and line ends.
std::vector<std::string_view> CutFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ';' || line[i] == '\r' || line[i] == '\n') {
            if (i > start)
                fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

} // namespace

void LoadSettings(SetupSettings& settings, const std::string& path) {
    CTextFileReader reader;
    if (!reader.Open(path, TextMode::Text))
        return;
    std::string piece;
    while (reader.ReadPiece(piece, kMaxLineChars)) {
        const std::string line = CutAtNul(piece);
        const auto fields = CutFields(line);
        if (fields.empty())
            continue;
        const std::string_view key = fields[0];
        const std::string value = fields.size() > 1 ? std::string(fields[1]) : std::string();
        if (key == "ODDEVERY")
            settings.m_strOddEvery = value;
        else if (key == "ODDFINAL")
            settings.m_strOddFinal = value;
        else if (key == "ONEACH")
            settings.m_strOnEach = value;
        else if (key == "NOSPLASH")
            settings.m_bNoSplash = 1;
    }
}

std::string FormatSettings(const SetupSettings& settings) {
    std::string text;
    text += "ODDEVERY;" + settings.m_strOddEvery + "\n";
    text += "ODDFINAL;" + settings.m_strOddFinal + "\n";
    text += "ONEACH;" + settings.m_strOnEach + "\n";
    if (settings.m_bNoSplash)
        text += "NOSPLASH\n";
    return ToTextMode(text);
}

bool SaveSettings(const SetupSettings& settings, const std::string& path) {
    return WriteWholeFile(path, FormatSettings(settings));
}

} // namespace quorvel
