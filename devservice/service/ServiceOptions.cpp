#include "service/ServiceOptions.h"

#include <charconv>
#include <functional>
#include <map>
#include <stdexcept>

namespace devservice {

namespace {

std::int64_t parseInteger(const std::string& option, const std::string& text, std::int64_t min,
                          std::int64_t max) {
    std::int64_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max)
        throw std::invalid_argument(option + " needs a whole number from " + std::to_string(min) +
                                    " to " + std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

void parseListen(ServiceOptions& options, const std::string& text) {
    // "[::1]:8750" or "127.0.0.1:8750"
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            throw std::invalid_argument("--listen needs HOST:PORT, not \"" + text + "\"");
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || colon == 0)
            throw std::invalid_argument("--listen needs HOST:PORT, not \"" + text + "\"");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    options.listenHost = host;
    options.listenPort = static_cast<int>(parseInteger("--listen", port, 0, 65535));
}

} // namespace

ServiceOptions ServiceOptions::parse(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    using Setter = std::function<void(const std::string&)>;
    const auto seconds = [](const std::string& name, std::chrono::seconds& target) {
        return [name, &target](const std::string& value) {
            target = std::chrono::seconds(parseInteger(name, value, 1, 10LL * 365 * 24 * 3600));
        };
    };
    const auto text = [](std::string& target) {
        return [&target](const std::string& value) { target = value; };
    };
    const std::map<std::string, Setter> valued = {
        {"--listen", [&](const std::string& v) { parseListen(options, v); }},
        {"--data", [&](const std::string& v) { options.dataDir = v; }},
        {"--public-url", text(options.publicUrl)},
        {"--access-token-lifetime",
         seconds("--access-token-lifetime", options.accessTokenLifetime)},
        {"--auth-code-lifetime", seconds("--auth-code-lifetime", options.authCodeLifetime)},
        {"--presign-expiry", seconds("--presign-expiry", options.presignExpiry)},
        {"--abandoned-upload-age", seconds("--abandoned-upload-age", options.abandonedUploadAge)},
        {"--min-part-size",
         [&](const std::string& v) {
             options.minPartSize = parseInteger("--min-part-size", v, 0, 5LL << 30);
         }},
        {"--client-id", text(options.clientId)},
        {"--redirect-uri", text(options.redirectUri)},
        {"--s3-access-key", text(options.s3AccessKey)},
        {"--s3-secret-key", text(options.s3SecretKey)},
        {"--region", text(options.region)},
        {"--admin-token", text(options.adminToken)},
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            options.showHelp = true;
            continue;
        }
        if (name == "--allow-remote") {
            options.allowRemote = true;
            continue;
        }
        const auto setter = valued.find(name);
        if (setter == valued.end())
            throw std::invalid_argument("unknown option \"" + name + "\"");
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                throw std::invalid_argument(name + " needs a value");
            value = arguments[++i];
        }
        setter->second(value);
    }
    if (options.clientId.empty() || options.redirectUri.empty())
        throw std::invalid_argument("--client-id and --redirect-uri cannot be empty");
    if (options.s3AccessKey.empty() || options.s3SecretKey.empty())
        throw std::invalid_argument("--s3-access-key and --s3-secret-key cannot be empty");
    while (!options.publicUrl.empty() && options.publicUrl.back() == '/')
        options.publicUrl.pop_back();
    return options;
}

bool ServiceOptions::isLoopbackHost() const {
    return listenHost == "localhost" || listenHost == "::1" || listenHost.rfind("127.", 0) == 0;
}

std::string ServiceOptions::usage() {
    return R"(Usage: parcella-devservice [options]

  --listen HOST:PORT            address to listen on (default 127.0.0.1:8750; port 0 picks one)
  --data DIR                    data folder, created if missing (default ./devservice-data)
  --public-url URL              origin used in links and presigned URLs (default http://HOST:PORT)
  --access-token-lifetime SECS  lifetime of access tokens (default 3600)
  --presign-expiry SECS         lifetime of presigned storage URLs (default 900)
  --min-part-size BYTES         smallest multipart part but the last (default 5242880)
  --abandoned-upload-age SECS   abort multipart uploads idle this long (default 604800, 7 days)
  --client-id ID                registered OAuth client (default: the application's)
  --redirect-uri URI            its registered redirect URI (default parcella://oauth/callback)
  --s3-access-key KEY           storage access key (default parcella-dev)
  --s3-secret-key SECRET        storage secret key (default parcella-dev-secret)
  --region REGION               storage region (default us-east-1)
  --admin-token TOKEN           enables the loopback-only /admin endpoints
  --allow-remote                allow listening on a non-loopback address
)";
}

} // namespace devservice
