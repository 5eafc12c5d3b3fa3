#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace devservice {

// Decodes an aws-chunked body as modern S3 clients send it with an unsigned streaming payload:
// "<hex size>[;extensions]\r\n<data>\r\n" chunks, a zero-size chunk, then trailer lines (such
// as a checksum) and an empty line. Input may arrive split anywhere.
class AwsChunkedDecoder {
public:
    using Sink = std::function<bool(std::string_view)>;

    // False when the framing is broken or the sink refused data; the decoder then stays failed.
    bool feed(std::string_view input, const Sink& sink);
    // The final empty line has been read.
    bool finished() const { return m_state == State::Done; }
    std::int64_t decodedSize() const { return m_decoded; }

private:
    enum class State { SizeLine, Data, DataEnd, Trailer, Done, Failed };

    bool takeLine(std::string_view& input, std::string& line);
    bool startChunk(const std::string& line);

    State m_state = State::SizeLine;
    std::string m_line;
    std::int64_t m_remaining = 0;
    std::int64_t m_decoded = 0;
};

} // namespace devservice
