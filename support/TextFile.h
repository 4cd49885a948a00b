#pragma once

#include <cstdio>
#include <string>

namespace quorvel {

// How a file's bytes become characters when read through CTextFileReader.
enum class TextMode {
    // Bytes as they are.
    Binary,
    // A carriage return directly followed by a line feed reads as one line
    // feed; any other carriage return is an ordinary character.
    Text,
    // As Text, and a byte 0x1A ends the file: nothing after it is read.
    TextCtrlZ,
};

// Reads a file the way the program's files have always been read: line by
// line, with text-mode line ends reproduced on the raw bytes. Lines are byte strings; a piece may
// hold NUL bytes, which callers that treat a line as a C string cut at with CutAtNul.
class CTextFileReader {
public:
    CTextFileReader() = default;
    ~CTextFileReader();
    CTextFileReader(const CTextFileReader&) = delete;
    CTextFileReader& operator=(const CTextFileReader&) = delete;

    // False when the file cannot be opened for reading (missing, a folder, a
    // FIFO, a device or anything else that is not a regular file,
    // no permission).
    bool Open(const std::string& path, TextMode mode);
    bool IsOpen() const { return m_file != nullptr; }
    void Close();

    // Reads like fgets with a buffer of limit + 1 bytes: at most `limit`
    // characters, up to and including the first line feed (which is kept).
    // False, with `piece` empty, when nothing is left to read.
    bool ReadPiece(std::string& piece, size_t limit);

    // Reads up to the next line feed, which is consumed and not kept, or up to
    // `limit` characters, whichever comes first; when the limit is reached and
    // a line feed follows, it is consumed as well. Without a limit the whole
    // line is read, however long. A last line without a line feed counts as a
    // line. False, with `line` empty, when nothing is left.
    bool ReadLine(std::string& line, size_t limit = std::string::npos);

private:
    int Get(); // next character after translation, or EOF
    int Peek();

    std::FILE* m_file = nullptr;
    TextMode m_mode = TextMode::Binary;
    bool m_atEnd = false;
    bool m_hasPending = false; // Peek took a character ahead
    int m_pending = EOF;
};

// The text before the first NUL byte: what C-string code sees of a line.
std::string CutAtNul(const std::string& text);

// Converts text for a text-mode stream: every line feed becomes carriage
// return plus line feed.
std::string ToTextMode(const std::string& text);

// Writes `bytes` to `path`, replacing the file. False when the file cannot be
// created or not every byte could be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

} // namespace quorvel
