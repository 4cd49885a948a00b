#pragma once

// The messages between the window process and the document helper process.
//
// Every message is one frame: a 32-bit little-endian payload length followed by
// the payload. A request names an operation, the object it addresses (a handle
// the helper handed out earlier, 0 for none), a method number and its arguments;
// the helper answers every request except a release and a page-count batch with
// exactly one reply, in order (a release gets none, a batch one per path).
// Handles are only valid for the helper that issued them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// Largest payload either side accepts; anything larger is a broken peer.
inline constexpr uint32_t kDocMaxFrame = 64u * 1024u * 1024u;

enum class DocOp : uint8_t {
    CreateObject = 1, // text: ProgID -> object reply
    Call = 2,         // handle, method, arguments -> integer, object or exception reply
    Release = 3,      // handle -> no reply
    // text: path [, text: password] -> integer reply; asked with a password,
    // a file that needs another one answers kDocProbeLocked
    ProbePageCount = 4,
    // texts: paths (up to 255) -> one integer reply per path, in order, each
    // sent as soon as its count is known
    ProbePageCounts = 5,
    SetPassword = 6, // texts: path, password -> integer reply (1)
    // nothing -> integer reply 0, once every earlier request (releases
    // included) has been carried out
    Ping = 7,
};

// The page count reply for a file that needs a password the request did not
// carry.
inline constexpr int32_t kDocProbeLocked = -2;

// The automation object kinds a handle can stand for.
enum class DocObjectKind : uint8_t {
    None = 0,
    App = 1,
    PDDoc = 2,
    AVDoc = 3,
    AVPageView = 4,
    PDBookmark = 5,
};

// Method numbers, per object kind.
namespace DocMethod {
inline constexpr uint8_t AppExit = 1;
inline constexpr uint8_t AppCloseAllDocs = 4;
inline constexpr uint8_t AppMenuItemExecute = 5;
inline constexpr uint8_t PDDocOpen = 1;
inline constexpr uint8_t PDDocClose = 2;
inline constexpr uint8_t PDDocInsertPages = 3;
inline constexpr uint8_t PDDocGetNumPages = 6;
inline constexpr uint8_t PDDocCreate = 7;
inline constexpr uint8_t PDDocOpenAVDoc = 22;
inline constexpr uint8_t PDDocSave = 23;
inline constexpr uint8_t AVDocOpen = 1;
inline constexpr uint8_t AVDocGetPDDoc = 2;
inline constexpr uint8_t AVDocGetAVPageView = 3;
inline constexpr uint8_t AVDocClose = 6;
inline constexpr uint8_t AVPageViewGoTo = 1;
inline constexpr uint8_t PDBookmarkGetByTitle = 1;
inline constexpr uint8_t PDBookmarkSetTitle = 5;
} // namespace DocMethod

enum class DocValueType : uint8_t { Int = 1, Text = 2, Object = 3 };

// One argument: a 32-bit integer, a byte string or an object handle (0: null).
struct DocValue {
    DocValueType type = DocValueType::Int;
    int32_t number = 0;
    std::string text;
    uint32_t handle = 0;

    static DocValue Int(int32_t n) { return {DocValueType::Int, n, {}, 0}; }
    static DocValue Text(std::string s) { return {DocValueType::Text, 0, std::move(s), 0}; }
    static DocValue Object(uint32_t h) { return {DocValueType::Object, 0, {}, h}; }
    bool operator==(const DocValue&) const = default;
};

struct DocRequest {
    DocOp op = DocOp::Call;
    uint32_t handle = 0;
    uint8_t method = 0;
    std::vector<DocValue> args;
    bool operator==(const DocRequest&) const = default;
};

enum class DocReplyKind : uint8_t {
    Int = 1,       // number
    Object = 2,    // handle and kind (handle 0: null)
    Exception = 3, // the server raised an automation exception; text is its message
    Failure = 4,   // the request could not be carried out (unknown handle, bad arguments)
};

struct DocReply {
    DocReplyKind kind = DocReplyKind::Failure;
    int32_t number = 0;
    uint32_t handle = 0;
    DocObjectKind objectKind = DocObjectKind::None;
    std::string text;
    bool operator==(const DocReply&) const = default;
};

// Whether the request carries a password (whose copies are to be wiped once
// the request has been sent or served).
bool CarriesPassword(const DocRequest& request);
// Overwrites the request's password argument.
void WipePassword(DocRequest& request);

// Payload encoding (without the length prefix). Decoding returns nothing for a
// payload that is truncated, has trailing bytes or carries unknown tags.
std::string EncodeDocRequest(const DocRequest& request);
std::optional<DocRequest> DecodeDocRequest(const std::string& payload);
std::string EncodeDocReply(const DocReply& reply);
std::optional<DocReply> DecodeDocReply(const std::string& payload);

} // namespace quorvel
