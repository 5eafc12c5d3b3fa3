#include "service/DevService.h"

#include "service/AccessCodes.h"
#include "service/Accounts.h"
#include "service/ApiGuard.h"
#include "service/BrowserSession.h"
#include "service/Clock.h"
#include "service/Dashboard.h"
#include "service/Database.h"
#include "service/DownloadPages.h"
#include "service/HtmlPage.h"
#include "service/HttpUtil.h"
#include "service/OAuthRoutes.h"
#include "service/Outbox.h"
#include "service/PageAccess.h"
#include "service/Secrets.h"
#include "service/TokenStore.h"
#include "service/TransferMailer.h"
#include "service/TransferRoutes.h"
#include "service/TransferStore.h"
#include "service/UploadRoutes.h"
#include "service/UploadStore.h"
#include "storage/AbandonedUploadSweeper.h"
#include "storage/FaultInjector.h"
#include "storage/MultipartUploads.h"
#include "storage/ObjectStore.h"
#include "storage/RequestCounters.h"
#include "storage/StorageRoutes.h"

#include <httplib.h>

#include <iostream>
#include <stdexcept>

namespace devservice {

namespace {

// The secret behind download-page and browser-session cookies, kept so that grants survive a
// restart.
std::string pageSecret(Database& database) {
    return database.withLock([](Database::Access& db) {
        db.prepare("INSERT OR IGNORE INTO meta(key, value) VALUES('page_secret', ?1)")
            .bind(1, Secrets::randomHex(32))
            .run();
        auto st = db.prepare("SELECT value FROM meta WHERE key = 'page_secret'");
        st.next();
        return st.text(0);
    });
}

// Requests below a service prefix that no route took must not fall through to the storage.
void registerNotFound(httplib::Server& server, const std::string& prefix, bool json) {
    const auto handler = [json](const httplib::Request&, httplib::Response& res) {
        if (json)
            HttpUtil::sendMessage(res, 404, "No such endpoint.");
        else
            HttpUtil::sendHtml(res, 404, HtmlPage::message("Not found", "There is nothing here."));
    };
    const auto pattern = prefix + ".*";
    server.Get(pattern, handler);
    server.Post(pattern, HttpUtil::readingBody(handler));
    server.Put(pattern, HttpUtil::readingBody(handler));
    server.Patch(pattern, HttpUtil::readingBody(handler));
    server.Delete(pattern, HttpUtil::readingBody(handler));
    server.Options(pattern, handler);
}

} // namespace

struct DevService::State {
    explicit State(const ServiceOptions& options)
        : database(options.dataDir / "devservice.sqlite3"), accounts(database),
          tokens(database, options.accessTokenLifetime, options.authCodeLifetime),
          uploads(database), transfers(database), codes(database),
          store(options.dataDir / "storage"), multipart(store, options.minPartSize),
          sweeper(multipart, options.abandonedUploadAge, serviceNow),
          outbox(options.dataDir / "outbox"), access(pageSecret(database)),
          session(pageSecret(database)), guard(tokens, accounts) {}

    static std::chrono::system_clock::time_point serviceNow() {
        return std::chrono::system_clock::time_point(std::chrono::milliseconds(Clock::nowMs()));
    }

    Database database;
    Accounts accounts;
    TokenStore tokens;
    UploadStore uploads;
    TransferStore transfers;
    AccessCodes codes;
    ObjectStore store;
    MultipartUploads multipart;
    AbandonedUploadSweeper sweeper;
    Outbox outbox;
    PageAccess access;
    BrowserSession session;
    ApiGuard guard;
    FaultInjector faults;
    RequestCounters counters;
    std::unique_ptr<TransferMailer> mailer;
    std::unique_ptr<OAuthRoutes> oauth;
    std::unique_ptr<UploadRoutes> uploadRoutes;
    std::unique_ptr<TransferRoutes> transferRoutes;
    std::unique_ptr<DownloadPages> pages;
    std::unique_ptr<Dashboard> dashboard;
};

DevService::DevService(ServiceOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    // Answers go out as a header write and a body write; with Nagle's algorithm the body waits
    // for the client's delayed ACK of the header, about 40 ms on every answer with a body.
    server_->set_tcp_nodelay(true);
    std::filesystem::create_directories(options_.dataDir);
    state_ = std::make_unique<State>(options_);
    state_->accounts.seed();
    for (const auto& workspaceId : state_->accounts.workspaceIds())
        state_->store.ensureBucket(Accounts::bucketFor(workspaceId));
}

DevService::~DevService() = default;

int DevService::bind() {
    port_ =
        options_.listenPort == 0
            ? server_->bind_to_any_port(options_.listenHost)
            : (server_->bind_to_port(options_.listenHost, options_.listenPort) ? options_.listenPort
                                                                               : -1);
    if (port_ <= 0)
        throw std::runtime_error("cannot listen on " + options_.listenHost + ":" +
                                 std::to_string(options_.listenPort));
    if (options_.publicUrl.empty())
        options_.publicUrl = baseUrl();
    registerRoutes();
    return port_;
}

void DevService::run() {
    server_->listen_after_bind();
}

void DevService::stop() {
    server_->stop();
}

std::string DevService::baseUrl() const {
    const bool v6 = options_.listenHost.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + options_.listenHost + "]" : options_.listenHost) + ":" +
           std::to_string(port_);
}

void DevService::registerRoutes() {
    auto& s = *state_;
    auto& server = *server_;
    // Downloads and slow clients hold a worker each; more than httplib's default keeps a few
    // of them from starving the API.
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
            std::string what = "unknown error";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            std::cerr << "parcella-devservice: " << req.method << " " << req.path << ": " << what
                      << "\n";
            HttpUtil::sendMessage(res, 500, "The service failed to handle the request.");
        });

    registerAdminRoutes(server, s.faults, s.counters, options_.adminToken,
                        [&s] { s.sweeper.sweep(); });
    installFaultHook(server, s.faults, s.counters);

    s.mailer = std::make_unique<TransferMailer>(s.outbox, options_.publicUrl);
    s.oauth = std::make_unique<OAuthRoutes>(s.accounts, s.tokens, s.session, options_.clientId,
                                            options_.redirectUri);
    s.uploadRoutes = std::make_unique<UploadRoutes>(
        s.guard, s.uploads, s.store,
        UploadRoutes::Settings{{options_.s3AccessKey, options_.s3SecretKey, options_.region},
                               options_.publicUrl,
                               options_.presignExpiry});
    s.transferRoutes = std::make_unique<TransferRoutes>(s.guard, s.accounts, s.transfers, s.uploads,
                                                        *s.mailer, options_.publicUrl);
    s.pages = std::make_unique<DownloadPages>(s.transfers, s.store, s.codes, s.access, *s.mailer);
    s.dashboard =
        std::make_unique<Dashboard>(s.accounts, s.transfers, s.session, options_.publicUrl);

    s.oauth->registerRoutes(server);
    server.Get("/api/v1/me", [&s](const httplib::Request& req, httplib::Response& res) {
        if (const auto userId = s.guard.user(req, res))
            HttpUtil::sendJson(res, 200, Json{{"data", s.accounts.me(*userId)}});
    });
    s.transferRoutes->registerRoutes(server);
    s.uploadRoutes->registerRoutes(server);
    s.pages->registerRoutes(server);
    s.dashboard->registerRoutes(server);
    registerNotFound(server, "/api/", true);
    registerNotFound(server, "/oauth/", false);
    registerNotFound(server, "/t/", false);

    registerStorageRoutes(server, s.store, s.multipart,
                          {options_.s3AccessKey, options_.s3SecretKey, options_.region}, s.faults,
                          s.counters);
}

} // namespace devservice
