#include "service/HttpUtil.h"

#include "storage/Crypto.h"
#include "storage/Markup.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>

namespace devservice {

HttpUtil::BodyHandler HttpUtil::readingBody(Handler handler) {
    return [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& reader) {
        std::string body;
        bool tooLarge = false;
        // An oversized body is still read to its end (and dropped): a connection left with
        // unread bytes would take them for the next request.
        const bool complete = reader([&](const char* data, std::size_t length) {
            tooLarge = tooLarge || body.size() + length > maxBodyBytes;
            if (!tooLarge)
                body.append(data, length);
            return true;
        });
        if (!complete) {
            sendMessage(res, 400, "The request body could not be read.");
            return;
        }
        if (tooLarge) {
            sendMessage(res, 413, "The request body is too large.");
            return;
        }
        // The request object is httplib's own, mutable one; only its body is filled in here.
        const_cast<httplib::Request&>(req).body = std::move(body);
        handler(req, res);
    };
}

void HttpUtil::sendJson(httplib::Response& res, int status, const Json& body) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json");
}

void HttpUtil::sendMessage(httplib::Response& res, int status, const std::string& message) {
    sendJson(res, status, Json{{"message", message}});
}

void HttpUtil::sendFieldErrors(httplib::Response& res, const FieldErrors& errors) {
    Json body = Json::object();
    Json fields = Json::object();
    for (const auto& [field, messages] : errors) {
        fields[field] = messages;
        if (!body.contains("message") && !messages.empty())
            body["message"] = messages.front();
    }
    body["errors"] = fields;
    sendJson(res, 422, body);
}

void HttpUtil::sendHtml(httplib::Response& res, int status, const std::string& html) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Options", "DENY");
    res.set_content(html, "text/html; charset=utf-8");
}

void HttpUtil::redirect(httplib::Response& res, int status, const std::string& location) {
    res.status = status;
    res.set_header("Location", location);
    res.set_header("Cache-Control", "no-store");
}

std::map<std::string, std::string> HttpUtil::parseForm(std::string_view body) {
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    while (start <= body.size()) {
        auto end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        const auto pair = body.substr(start, end - start);
        if (!pair.empty()) {
            const auto eq = pair.find('=');
            const auto name = percentDecode(pair.substr(0, eq), true);
            const auto value = eq == std::string_view::npos
                                   ? std::string()
                                   : percentDecode(pair.substr(eq + 1), true);
            fields.emplace(name, value);
        }
        start = end + 1;
    }
    return fields;
}

std::string HttpUtil::percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && Crypto::hexDigit(text[i + 1]) >= 0 &&
            Crypto::hexDigit(text[i + 2]) >= 0) {
            out.push_back(char(Crypto::hexDigit(text[i + 1]) * 16 + Crypto::hexDigit(text[i + 2])));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string HttpUtil::percentEncode(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 15]);
        }
    }
    return out;
}

std::string HttpUtil::htmlEscape(std::string_view text) {
    return Markup::escape(text, "&#39;");
}

std::optional<Json> HttpUtil::jsonObjectBody(const httplib::Request& req, httplib::Response& res) {
    Json body = Json::parse(req.body, nullptr, false);
    if (body.is_discarded()) {
        sendMessage(res, 400, "The request body is not valid JSON.");
        return std::nullopt;
    }
    if (!body.is_object()) {
        sendMessage(res, 422, "The request body must be a JSON object.");
        return std::nullopt;
    }
    return body;
}

std::optional<std::string> HttpUtil::bearerToken(const httplib::Request& req) {
    const auto header = req.get_header_value("Authorization");
    constexpr std::string_view scheme = "Bearer ";
    if (header.size() <= scheme.size())
        return std::nullopt;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(header[i])) !=
            std::tolower(static_cast<unsigned char>(scheme[i])))
            return std::nullopt;
    return header.substr(scheme.size());
}

std::optional<std::string> HttpUtil::cookie(const httplib::Request& req, std::string_view name) {
    const auto header = req.get_header_value("Cookie");
    std::size_t start = 0;
    while (start < header.size()) {
        auto end = header.find(';', start);
        if (end == std::string::npos)
            end = header.size();
        auto pair = std::string_view(header).substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name)
            return std::string(pair.substr(eq + 1));
        start = end + 1;
    }
    return std::nullopt;
}

std::string HttpUtil::lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string HttpUtil::trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace devservice
