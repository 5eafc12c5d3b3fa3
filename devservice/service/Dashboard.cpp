#include "service/Dashboard.h"

#include "service/Clock.h"
#include "service/HtmlPage.h"
#include "service/HttpUtil.h"

#include <httplib.h>

namespace devservice {

namespace {

// The dashboard lists what the application's recent transfers show, not the whole history.
constexpr std::size_t transfersPerWorkspace = 20;

std::string transferTitle(const TransferStore::Transfer& transfer) {
    if (transfer.subject && !transfer.subject->empty())
        return *transfer.subject;
    if (transfer.files.empty())
        return transfer.id;
    std::string title = transfer.files.front().filename;
    if (transfer.files.size() > 1)
        title += " and " + std::to_string(transfer.files.size() - 1) + " more";
    return title;
}

} // namespace

void Dashboard::registerRoutes(httplib::Server& server) {
    server.Get("/dashboard", [this](const auto& req, auto& res) { show(req, res); });
    server.Post("/dashboard",
                HttpUtil::readingBody([this](const auto& req, auto& res) { choose(req, res); }));
}

std::string Dashboard::transferItem(const TransferStore::Transfer& transfer) const {
    const auto title = HttpUtil::htmlEscape(transferTitle(transfer));
    std::string state;
    if (transfer.revokedAt)
        state = "deleted";
    else if (transfer.expiresAt <= Clock::nowMs())
        state = "expired";
    else
        state = "until " + Clock::wireDate(transfer.expiresAt).substr(0, 10);
    state += " · " + std::to_string(transfer.downloadCount) + " downloads";
    const std::string name = transfer.isAvailable(Clock::nowMs())
                                 ? "<a href=\"" +
                                       HttpUtil::htmlEscape(publicUrl_ + "/t/" + transfer.id) +
                                       "\">" + title + "</a>"
                                 : title;
    return "<li class=\"transfer\">" + name + " <span class=\"size\">" + state + "</span></li>";
}

void Dashboard::show(const httplib::Request& req, httplib::Response& res) {
    const auto userId = session_.user(req);
    const auto user = userId ? accounts_.user(*userId) : std::nullopt;
    if (!user) {
        std::string body = "<h1>Parcella dashboard</h1><p>Development sign-in: choose who you are."
                           "</p><form method=\"post\" action=\"/dashboard\">";
        bool first = true;
        for (const auto& candidate : accounts_.users()) {
            body += "<label class=\"user\"><input type=\"radio\" name=\"user\" value=\"" +
                    HttpUtil::htmlEscape(candidate.id) + "\"" + (first ? " checked" : "") + "> " +
                    HttpUtil::htmlEscape(candidate.name) + "</label>";
            first = false;
        }
        body += "<p><button type=\"submit\">Open dashboard</button></p></form>";
        HttpUtil::sendHtml(res, 200, HtmlPage::render("Dashboard", body));
        return;
    }
    std::string body = "<h1>Parcella dashboard</h1><p>Signed in as " +
                       HttpUtil::htmlEscape(user->name) + " &lt;" +
                       HttpUtil::htmlEscape(user->email) + "&gt;</p>";
    const Json me = accounts_.me(user->id);
    for (const auto& workspace : me.at("workspaces")) {
        const auto id = workspace.at("id").get<std::string>();
        body += "<h2 class=\"workspace\">" +
                HttpUtil::htmlEscape(workspace.at("name").get<std::string>()) + "</h2><ul>";
        const auto transfers = transfers_.list(id);
        for (std::size_t i = 0; i < transfers.size() && i < transfersPerWorkspace; ++i)
            body += transferItem(transfers[i]);
        if (transfers.empty())
            body += "<li>No transfers yet.</li>";
        body += "</ul>";
    }
    HttpUtil::sendHtml(res, 200, HtmlPage::render("Dashboard", body));
}

void Dashboard::choose(const httplib::Request& req, httplib::Response& res) {
    const auto form = HttpUtil::parseForm(req.body);
    const auto chosen = form.find("user");
    if (chosen == form.end() || !accounts_.userExists(chosen->second)) {
        HttpUtil::sendHtml(res, 400, HtmlPage::message("Dashboard", "Choose a user."));
        return;
    }
    session_.start(res, chosen->second);
    HttpUtil::redirect(res, 303, "/dashboard");
}

} // namespace devservice
