#include "docserver/DocServerProtocol.h"

#include "engine/Secret.h"

namespace quorvel {

namespace {

void PutU8(std::string& out, uint8_t v) {
    out.push_back(static_cast<char>(v));
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
    }
}

void PutText(std::string& out, const std::string& s) {
    PutU32(out, static_cast<uint32_t>(s.size()));
    out += s;
}

// Reads fields from a payload; any read past the end marks the whole decode bad.
class Cursor {
public:
    explicit Cursor(const std::string& data) : m_data(data) {}

    uint8_t U8() {
        if (!Need(1)) {
            return 0;
        }
        return static_cast<uint8_t>(m_data[m_pos++]);
    }
    uint32_t U32() {
        if (!Need(4)) {
            return 0;
        }
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<uint32_t>(static_cast<uint8_t>(m_data[m_pos++])) << (8 * i);
        }
        return v;
    }
    std::string Text() {
        uint32_t n = U32();
        if (!Need(n)) {
            return {};
        }
        std::string s = m_data.substr(m_pos, n);
        m_pos += n;
        return s;
    }
    void Fail() { m_ok = false; }
    bool Ok() const { return m_ok; }
    bool Done() const { return m_ok && m_pos == m_data.size(); }

private:
    bool Need(size_t n) {
        if (!m_ok || m_data.size() - m_pos < n) {
            m_ok = false;
            return false;
        }
        return true;
    }

    const std::string& m_data;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool KnownOp(uint8_t op) {
    return op >= 1 && op <= 7;
}
bool KnownKind(uint8_t kind) {
    return kind <= 5;
}

} // namespace

bool CarriesPassword(const DocRequest& request) {
    return (request.op == DocOp::SetPassword || request.op == DocOp::ProbePageCount) &&
           request.args.size() == 2 && request.args[1].type == DocValueType::Text;
}

void WipePassword(DocRequest& request) {
    if (CarriesPassword(request))
        WipeString(request.args[1].text);
}

std::string EncodeDocRequest(const DocRequest& request) {
    std::string out;
    PutU8(out, static_cast<uint8_t>(request.op));
    PutU32(out, request.handle);
    PutU8(out, request.method);
    PutU8(out, static_cast<uint8_t>(request.args.size()));
    for (const DocValue& v : request.args) {
        PutU8(out, static_cast<uint8_t>(v.type));
        switch (v.type) {
        case DocValueType::Int:
            PutU32(out, static_cast<uint32_t>(v.number));
            break;
        case DocValueType::Text:
            PutText(out, v.text);
            break;
        case DocValueType::Object:
            PutU32(out, v.handle);
            break;
        }
    }
    return out;
}

std::optional<DocRequest> DecodeDocRequest(const std::string& payload) {
    Cursor in(payload);
    DocRequest request;
    uint8_t op = in.U8();
    if (!KnownOp(op)) {
        in.Fail();
    }
    request.op = static_cast<DocOp>(op);
    request.handle = in.U32();
    request.method = in.U8();
    uint8_t count = in.U8();
    for (uint8_t i = 0; i < count; ++i) {
        uint8_t type = in.U8();
        switch (static_cast<DocValueType>(type)) {
        case DocValueType::Int:
            request.args.push_back(DocValue::Int(static_cast<int32_t>(in.U32())));
            break;
        case DocValueType::Text:
            request.args.push_back(DocValue::Text(in.Text()));
            break;
        case DocValueType::Object:
            request.args.push_back(DocValue::Object(in.U32()));
            break;
        default:
            in.Fail();
            break;
        }
        if (!in.Ok()) {
            break;
        }
    }
    if (!in.Done()) {
        return std::nullopt;
    }
    return request;
}

std::string EncodeDocReply(const DocReply& reply) {
    std::string out;
    PutU8(out, static_cast<uint8_t>(reply.kind));
    switch (reply.kind) {
    case DocReplyKind::Int:
        PutU32(out, static_cast<uint32_t>(reply.number));
        break;
    case DocReplyKind::Object:
        PutU32(out, reply.handle);
        PutU8(out, static_cast<uint8_t>(reply.objectKind));
        break;
    case DocReplyKind::Exception:
    case DocReplyKind::Failure:
        PutText(out, reply.text);
        break;
    }
    return out;
}

std::optional<DocReply> DecodeDocReply(const std::string& payload) {
    Cursor in(payload);
    DocReply reply;
    uint8_t kind = in.U8();
    reply.kind = static_cast<DocReplyKind>(kind);
    switch (reply.kind) {
    case DocReplyKind::Int:
        reply.number = static_cast<int32_t>(in.U32());
        break;
    case DocReplyKind::Object: {
        reply.handle = in.U32();
        uint8_t objectKind = in.U8();
        if (!KnownKind(objectKind)) {
            in.Fail();
        }
        reply.objectKind = static_cast<DocObjectKind>(objectKind);
        break;
    }
    case DocReplyKind::Exception:
    case DocReplyKind::Failure:
        reply.text = in.Text();
        break;
    default:
        in.Fail();
        break;
    }
    if (!in.Done()) {
        return std::nullopt;
    }
    return reply;
}

} // namespace quorvel
