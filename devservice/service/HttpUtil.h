#pragma once

#include <nlohmann/json.hpp>

#include <functional>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace httplib {
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

namespace devservice {

using Json = nlohmann::json;
using FieldErrors = std::map<std::string, std::vector<std::string>>;

// Request parsing and answer helpers shared by the OAuth, API and page routes.
class HttpUtil {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    using BodyHandler = std::function<void(const httplib::Request&, httplib::Response&,
                                           const httplib::ContentReader&)>;
    static constexpr std::size_t maxBodyBytes = 1 << 20;

    // httplib dispatches routes that read their own body before all others, and the storage
    // catch-all is such a route; service routes of methods that may carry a body therefore read
    // theirs the same way (capped at maxBodyBytes, 413 beyond) and then see it in req.body.
    static BodyHandler readingBody(Handler handler);

    static void sendJson(httplib::Response& res, int status, const Json& body);
    // {"message": message}
    static void sendMessage(httplib::Response& res, int status, const std::string& message);
    // 422 with {"message": first error, "errors": {...}}.
    static void sendFieldErrors(httplib::Response& res, const FieldErrors& errors);
    static void sendHtml(httplib::Response& res, int status, const std::string& html);
    static void redirect(httplib::Response& res, int status, const std::string& location);

    // application/x-www-form-urlencoded ("+" is a space); the first value of a repeated name wins.
    static std::map<std::string, std::string> parseForm(std::string_view body);
    static std::string percentDecode(std::string_view text, bool plusIsSpace);
    // Keeps only unreserved characters (A-Z a-z 0-9 - . _ ~).
    static std::string percentEncode(std::string_view text);
    static std::string htmlEscape(std::string_view text);
    // ASCII lower case, and white space trimmed at both ends, for typed addresses and codes.
    static std::string lower(std::string text);
    static std::string trimmed(const std::string& text);

    // The JSON object of the body, or an answer already sent (400 for malformed JSON, 422 when
    // the body is not an object).
    static std::optional<Json> jsonObjectBody(const httplib::Request& req, httplib::Response& res);
    static std::optional<std::string> bearerToken(const httplib::Request& req);
    static std::optional<std::string> cookie(const httplib::Request& req, std::string_view name);
};

} // namespace devservice
