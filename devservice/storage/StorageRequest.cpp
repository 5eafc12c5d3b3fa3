#include "StorageRequest.h"

#include "Crypto.h"

namespace devservice {

std::optional<std::string> StorageRequest::percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = Crypto::hexDigit(text[i + 1]);
        const int low = Crypto::hexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (out.find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

std::optional<StorageRequest> StorageRequest::parse(std::string_view target) {
    const auto questionMark = target.find('?');
    const std::string_view rawPath = target.substr(0, questionMark);
    StorageRequest request;
    auto path = percentDecode(rawPath);
    if (!path || !path->starts_with('/'))
        return std::nullopt;
    request.path = std::move(*path);
    const auto slash = request.path.find('/', 1);
    request.bucket = request.path.substr(1, slash == std::string::npos ? slash : slash - 1);
    if (slash != std::string::npos)
        request.key = request.path.substr(slash + 1);

    if (questionMark == std::string_view::npos)
        return request;
    std::string_view query = target.substr(questionMark + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty())
            continue;
        const auto equals = pair.find('=');
        auto name = percentDecode(pair.substr(0, equals));
        auto value = percentDecode(equals == std::string_view::npos ? std::string_view()
                                                                    : pair.substr(equals + 1));
        if (!name || !value)
            return std::nullopt;
        request.query.emplace_back(std::move(*name), std::move(*value));
    }
    return request;
}

std::string StorageRequest::rawQuery(std::string_view target) {
    const auto mark = target.find('?');
    return mark == std::string_view::npos ? std::string() : std::string(target.substr(mark + 1));
}

bool StorageRequest::has(std::string_view name) const {
    for (const auto& [n, v] : query) {
        if (n == name)
            return true;
    }
    return false;
}

std::string StorageRequest::value(std::string_view name) const {
    for (const auto& [n, v] : query) {
        if (n == name)
            return v;
    }
    return {};
}

} // namespace devservice
