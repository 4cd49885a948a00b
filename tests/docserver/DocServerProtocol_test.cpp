#include "docserver/DocFrameIo.h"
#include "docserver/DocServerProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quorvel {
namespace {

std::string AllBytes() {
    std::string s;
    for (int c = 1; c < 256; ++c) {
        s.push_back(static_cast<char>(c));
    }
    return s;
}

TEST(DocServerProtocol, RequestsRoundTrip) {
    const DocRequest table[] = {
        {DocOp::CreateObject, 0, 0, {DocValue::Text("AcroExch.PDDoc")}},
        {DocOp::Call,
         7,
         DocMethod::PDDocInsertPages,
         {DocValue::Int(-1), DocValue::Object(9), DocValue::Int(0), DocValue::Int(INT32_MAX),
          DocValue::Int(INT32_MIN)}},
        {DocOp::Call,
         0xFFFFFFFFu,
         DocMethod::AVDocOpen,
         {DocValue::Text(AllBytes()), DocValue::Text("")}},
        {DocOp::Call,
         1,
         DocMethod::PDDocSave,
         {DocValue::Int(0x21), DocValue::Text(std::string(100000, 'p'))}},
        {DocOp::Release, 42, 0, {}},
        {DocOp::ProbePageCount, 0, 0, {DocValue::Text("/tmp/a b.pdf")}},
        {DocOp::ProbePageCounts, 0, 0, {DocValue::Text("/a.pdf"), DocValue::Text("")}},
        {DocOp::ProbePageCount, 0, 0, {DocValue::Text("/a.pdf"), DocValue::Text("pw\t\0x")}},
        {DocOp::SetPassword, 0, 0, {DocValue::Text("/a.pdf"), DocValue::Text(AllBytes())}},
    };
    for (const DocRequest& request : table) {
        std::optional<DocRequest> back = DecodeDocRequest(EncodeDocRequest(request));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, request);
    }
}

TEST(DocServerProtocol, RepliesRoundTrip) {
    const DocReply table[] = {
        {DocReplyKind::Int, -1, 0, DocObjectKind::None, ""},
        {DocReplyKind::Int, INT32_MIN, 0, DocObjectKind::None, ""},
        {DocReplyKind::Object, 0, 12, DocObjectKind::AVPageView, ""},
        {DocReplyKind::Object, 0, 0, DocObjectKind::None, ""},
        {DocReplyKind::Exception, 0, 0, DocObjectKind::None, AllBytes()},
        {DocReplyKind::Failure, 0, 0, DocObjectKind::None, "unknown handle"},
    };
    for (const DocReply& reply : table) {
        std::optional<DocReply> back = DecodeDocReply(EncodeDocReply(reply));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, reply);
    }
}

// Every prefix of a valid message, and the message with a byte too many, is refused.
TEST(DocServerProtocol, TruncatedOrOverlongPayloadsAreRefused) {
    DocRequest request{DocOp::Call,
                       3,
                       DocMethod::PDBookmarkGetByTitle,
                       {DocValue::Object(4), DocValue::Text("Untitled")}};
    std::string bytes = EncodeDocRequest(request);
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(DecodeDocRequest(bytes.substr(0, n))) << "prefix " << n;
    }
    EXPECT_FALSE(DecodeDocRequest(bytes + 'x'));

    std::string reply = EncodeDocReply({DocReplyKind::Exception, 0, 0, DocObjectKind::None, "x"});
    for (size_t n = 0; n < reply.size(); ++n) {
        EXPECT_FALSE(DecodeDocReply(reply.substr(0, n))) << "prefix " << n;
    }
    EXPECT_FALSE(DecodeDocReply(reply + 'x'));
}

TEST(DocServerProtocol, UnknownTagsAreRefused) {
    std::string op = EncodeDocRequest({DocOp::Release, 1, 0, {}});
    op[0] = 9;
    EXPECT_FALSE(DecodeDocRequest(op));

    std::string type = EncodeDocRequest({DocOp::Call, 1, 1, {DocValue::Int(5)}});
    type[7] = 7; // the argument's type tag
    EXPECT_FALSE(DecodeDocRequest(type));

    std::string kind = EncodeDocReply({DocReplyKind::Object, 0, 1, DocObjectKind::App, ""});
    kind[5] = 6;
    EXPECT_FALSE(DecodeDocReply(kind));
    EXPECT_FALSE(DecodeDocReply(std::string(1, '\x09')));
    // A text whose length runs past the end must not be read.
    std::string text = EncodeDocReply({DocReplyKind::Failure, 0, 0, DocObjectKind::None, "abc"});
    text[4] = '\x7f';
    EXPECT_FALSE(DecodeDocReply(text));
}

class SocketPair : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, m_fd), 0); }
    void TearDown() override {
        for (int fd : m_fd) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    void CloseEnd(int i) {
        ::close(m_fd[i]);
        m_fd[i] = -1;
    }
    int m_fd[2] = {-1, -1};
};

TEST_F(SocketPair, FramesOfAnySizeArriveWhole) {
    // Larger than a socket buffer, so the writer has to wait for the reader.
    std::string big(3 * 1024 * 1024, 'q');
    big[12345] = '\0';
    for (const std::string& payload : {std::string(), std::string("a"), big}) {
        std::string got;
        DocIoResult readResult = DocIoResult::Broken;
        std::thread reader([&] { readResult = ReadDocFrame(m_fd[1], got, 5000); });
        EXPECT_EQ(WriteDocFrame(m_fd[0], payload, 5000), DocIoResult::Ok);
        reader.join();
        EXPECT_EQ(readResult, DocIoResult::Ok);
        EXPECT_EQ(got, payload);
    }
}

TEST_F(SocketPair, ReadReportsTimeoutCloseAndBrokenFrames) {
    std::string got;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadDocFrame(m_fd[1], got, 150), DocIoResult::TimedOut);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(140));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));

    // A length beyond the limit is refused without waiting for (or allocating) it.
    const char huge[] = "\xff\xff\xff\x7f";
    ASSERT_EQ(::write(m_fd[0], huge, 4), 4);
    EXPECT_EQ(ReadDocFrame(m_fd[1], got, 1000), DocIoResult::Broken);

    // Half a frame, then the writer goes away.
    const char half[] = "\x08\x00\x00\x00"
                        "abc";
    ASSERT_EQ(::write(m_fd[0], half, 7), 7);
    CloseEnd(0);
    EXPECT_EQ(ReadDocFrame(m_fd[1], got, 1000), DocIoResult::Broken);
    EXPECT_EQ(ReadDocFrame(m_fd[1], got, 1000), DocIoResult::Closed);
}

TEST_F(SocketPair, WritingToAClosedPeerReportsClosedWithoutSignal) {
    CloseEnd(1);
    // Without MSG_NOSIGNAL this would end the test process with SIGPIPE.
    EXPECT_EQ(WriteDocFrame(m_fd[0], "hello", 1000), DocIoResult::Closed);
}

TEST_F(SocketPair, WriteTimesOutWhenThePeerDoesNotRead) {
    std::string big(8 * 1024 * 1024, 'w');
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WriteDocFrame(m_fd[0], big, 200), DocIoResult::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
}

} // namespace
} // namespace quorvel
