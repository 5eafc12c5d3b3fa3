#include "service/OAuthRoutes.h"

#include "service/HtmlPage.h"
#include "service/HttpUtil.h"

#include <httplib.h>

namespace devservice {

namespace {

using Params = std::map<std::string, std::string>;

std::string param(const Params& params, const std::string& name) {
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

Params queryParams(const httplib::Request& req) {
    Params params;
    for (const auto& [name, value] : req.params)
        params.emplace(name, value); // the first of repeated names wins
    return params;
}

void sendOAuthError(httplib::Response& res, const OAuthError& error) {
    if (error.status == 401)
        res.set_header("WWW-Authenticate", "Basic realm=\"parcella-devservice\"");
    res.set_header("Pragma", "no-cache");
    HttpUtil::sendJson(res, error.status,
                       Json{{"error", error.error}, {"error_description", error.description}});
}

bool isWellFormedChallenge(const std::string& challenge) {
    // base64url of a SHA-256 digest, without padding
    return challenge.size() == 43 &&
           challenge.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789-_") == std::string::npos;
}

} // namespace

void OAuthRoutes::registerRoutes(httplib::Server& server) {
    server.Get("/oauth/authorize", [this](const auto& req, auto& res) { showAuthorize(req, res); });
    server.Post("/oauth/authorize",
                HttpUtil::readingBody([this](const auto& req, auto& res) { decide(req, res); }));
    server.Post("/oauth/token",
                HttpUtil::readingBody([this](const auto& req, auto& res) { token(req, res); }));
    server.Delete("/api/v1/token",
                  HttpUtil::readingBody([this](const auto& req, auto& res) { revoke(req, res); }));
}

bool OAuthRoutes::checkAuthorizeRequest(const Params& params, httplib::Response& res) {
    // Without a known client and its registered redirect URI there is nowhere safe to send the
    // browser, so those errors stay on this page.
    if (param(params, "client_id") != clientId_) {
        HttpUtil::sendHtml(
            res, 400,
            HtmlPage::message("Sign-in failed", "The application asking to sign in is not known."));
        return false;
    }
    if (param(params, "redirect_uri") != redirectUri_) {
        HttpUtil::sendHtml(
            res, 400,
            HtmlPage::message("Sign-in failed",
                              "The redirect URI is not registered for this application."));
        return false;
    }
    if (param(params, "response_type") != "code") {
        redirectBack(res, params,
                     {{"error", "unsupported_response_type"},
                      {"error_description", "Only the authorization code flow is supported."}});
        return false;
    }
    if (param(params, "code_challenge_method") != "S256" ||
        !isWellFormedChallenge(param(params, "code_challenge"))) {
        redirectBack(
            res, params,
            {{"error", "invalid_request"},
             {"error_description", "A PKCE code challenge with method S256 is required."}});
        return false;
    }
    return true;
}

void OAuthRoutes::showAuthorize(const httplib::Request& req, httplib::Response& res) {
    const auto params = queryParams(req);
    if (!checkAuthorizeRequest(params, res))
        return;
    std::string body = "<h1>Sign in to Parcella</h1><p>Development sign-in: choose who you are."
                       "</p><form method=\"post\" action=\"/oauth/authorize\">";
    for (const char* name : {"response_type", "client_id", "redirect_uri", "state",
                             "code_challenge", "code_challenge_method"})
        body += "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" +
                HttpUtil::htmlEscape(param(params, name)) + "\">";
    bool first = true;
    for (const auto& user : accounts_.users()) {
        body += "<label class=\"user\"><input type=\"radio\" name=\"user\" value=\"" +
                HttpUtil::htmlEscape(user.id) + "\"" + (first ? " checked" : "") + "> " +
                HttpUtil::htmlEscape(user.name) + " &lt;" + HttpUtil::htmlEscape(user.email) +
                "&gt;</label>";
        first = false;
    }
    body += "<p><button type=\"submit\" name=\"decision\" value=\"allow\">Allow</button>"
            "<button type=\"submit\" name=\"decision\" value=\"deny\">Deny</button></p></form>";
    HttpUtil::sendHtml(res, 200, HtmlPage::render("Sign in", body));
}

void OAuthRoutes::decide(const httplib::Request& req, httplib::Response& res) {
    const auto params = HttpUtil::parseForm(req.body);
    if (!checkAuthorizeRequest(params, res))
        return;
    if (param(params, "decision") != "allow") {
        redirectBack(res, params, {{"error", "access_denied"}});
        return;
    }
    const auto userId = param(params, "user");
    if (!accounts_.userExists(userId)) {
        HttpUtil::sendHtml(res, 400, HtmlPage::message("Sign-in failed", "Choose a user."));
        return;
    }
    const auto code =
        tokens_.issueCode(clientId_, redirectUri_, param(params, "code_challenge"), userId);
    session_.start(res, userId);
    redirectBack(res, params, {{"code", code}});
}

void OAuthRoutes::redirectBack(httplib::Response& res, const Params& params,
                               const std::map<std::string, std::string>& query) {
    std::string location = redirectUri_;
    char separator = location.find('?') == std::string::npos ? '?' : '&';
    auto append = [&](const std::string& name, const std::string& value) {
        location += separator + name + "=" + HttpUtil::percentEncode(value);
        separator = '&';
    };
    for (const auto& [name, value] : query)
        append(name, value);
    if (params.count("state"))
        append("state", param(params, "state"));
    HttpUtil::redirect(res, 302, location);
}

void OAuthRoutes::token(const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) != 0) {
        sendOAuthError(
            res, {400, "invalid_request", "The body must be application/x-www-form-urlencoded."});
        return;
    }
    const auto form = HttpUtil::parseForm(req.body);
    const auto grantType = param(form, "grant_type");
    if (grantType.empty()) {
        sendOAuthError(res, {400, "invalid_request", "grant_type is missing."});
        return;
    }
    if (grantType != "authorization_code" && grantType != "refresh_token") {
        sendOAuthError(res, {400, "unsupported_grant_type",
                             "Only authorization_code and refresh_token are supported."});
        return;
    }
    if (param(form, "client_id").empty()) {
        sendOAuthError(res, {400, "invalid_request", "client_id is missing."});
        return;
    }
    if (param(form, "client_id") != clientId_) {
        sendOAuthError(res, {401, "invalid_client", "The client is not known."});
        return;
    }

    TokenStore::Result result;
    if (grantType == "authorization_code") {
        for (const char* name : {"code", "redirect_uri", "code_verifier"})
            if (param(form, name).empty()) {
                sendOAuthError(res, {400, "invalid_request", std::string(name) + " is missing."});
                return;
            }
        result = tokens_.redeemCode(param(form, "code"), clientId_, param(form, "redirect_uri"),
                                    param(form, "code_verifier"));
    } else {
        if (param(form, "refresh_token").empty()) {
            sendOAuthError(res, {400, "invalid_request", "refresh_token is missing."});
            return;
        }
        result = tokens_.refresh(param(form, "refresh_token"), clientId_);
    }
    if (const auto* error = std::get_if<OAuthError>(&result)) {
        sendOAuthError(res, *error);
        return;
    }
    const auto& tokens = std::get<TokenStore::Tokens>(result);
    res.set_header("Pragma", "no-cache");
    HttpUtil::sendJson(res, 200,
                       Json{{"access_token", tokens.accessToken},
                            {"token_type", "Bearer"},
                            {"expires_in", tokens.expiresIn.count()},
                            {"refresh_token", tokens.refreshToken}});
}

void OAuthRoutes::revoke(const httplib::Request& req, httplib::Response& res) {
    // An expired access token still names its grant, so signing out after a long sleep revokes
    // the refresh token as well.
    const auto token = HttpUtil::bearerToken(req);
    if (!token) {
        res.set_header("WWW-Authenticate", "Bearer");
        HttpUtil::sendMessage(res, 401, "A bearer token is required.");
        return;
    }
    tokens_.revoke(*token);
    res.status = 204;
}

} // namespace devservice
