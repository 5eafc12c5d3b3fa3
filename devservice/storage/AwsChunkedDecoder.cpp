#include "AwsChunkedDecoder.h"

#include <algorithm>

namespace devservice {

namespace {

constexpr std::size_t maxLineLength = 4096;
constexpr std::int64_t maxChunkSize = std::int64_t(1) << 32;

} // namespace

// Collects one CRLF-terminated line across calls; true once it is complete.
bool AwsChunkedDecoder::takeLine(std::string_view& input, std::string& line) {
    const auto end = input.find('\n');
    const std::string_view piece = input.substr(0, end == std::string_view::npos ? end : end + 1);
    m_line.append(piece);
    input.remove_prefix(piece.size());
    if (m_line.size() > maxLineLength) {
        m_state = State::Failed;
        return false;
    }
    if (m_line.empty() || m_line.back() != '\n')
        return false;
    if (m_line.size() < 2 || m_line[m_line.size() - 2] != '\r') {
        m_state = State::Failed;
        return false;
    }
    line.assign(m_line, 0, m_line.size() - 2);
    m_line.clear();
    return true;
}

bool AwsChunkedDecoder::startChunk(const std::string& line) {
    const std::string size = line.substr(0, line.find(';'));
    if (size.empty() || size.size() > 9)
        return false;
    std::int64_t value = 0;
    for (char c : size) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        value = value * 16 + digit;
    }
    if (value > maxChunkSize)
        return false;
    m_remaining = value;
    m_state = value == 0 ? State::Trailer : State::Data;
    return true;
}

bool AwsChunkedDecoder::feed(std::string_view input, const Sink& sink) {
    std::string line;
    while (!input.empty()) {
        switch (m_state) {
        case State::SizeLine:
            if (takeLine(input, line) && !startChunk(line))
                m_state = State::Failed;
            break;
        case State::Data: {
            const auto n = static_cast<std::size_t>(
                std::min<std::int64_t>(m_remaining, static_cast<std::int64_t>(input.size())));
            if (!sink(input.substr(0, n))) {
                m_state = State::Failed;
                return false;
            }
            m_decoded += static_cast<std::int64_t>(n);
            m_remaining -= static_cast<std::int64_t>(n);
            input.remove_prefix(n);
            if (m_remaining == 0)
                m_state = State::DataEnd;
            break;
        }
        case State::DataEnd:
            if (takeLine(input, line))
                m_state = line.empty() ? State::SizeLine : State::Failed;
            break;
        case State::Trailer:
            // Trailing checksums go unchecked; the part's MD5 is what the client compares.
            if (takeLine(input, line) && line.empty())
                m_state = State::Done;
            break;
        case State::Done:
        case State::Failed:
            m_state = State::Failed;
            return false;
        }
        if (m_state == State::Failed)
            return false;
    }
    return true;
}

} // namespace devservice
