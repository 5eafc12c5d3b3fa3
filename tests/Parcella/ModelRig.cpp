#include "ModelRig.h"

#include "HttpClient.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QTimer>
#include <QUrlQuery>

namespace Parcella::Testing {

using namespace std::chrono_literals;
using ParcelKit::Testing::await;
using ParcelKit::Testing::spinUntil;

ModelRig::ModelRig()
    : settings(std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat)),
      keychainService("app.parcella.test." + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

ModelRig::~ModelRig() {
    stop();
}

AppModel& ModelRig::start() {
    stop();
    AppModelOptions options;
    options.storageFolder = dir.path();
    options.settings = settings;
    options.keychainService = keychainService;
    options.configuration = ParcelKit::ParcellaConfiguration{QUrl(service.url("/")),
                                                             "5d0c7a52-9f3e-4b8e-a1d4-2c6f0e9b7a31",
                                                             QUrl("parcella://oauth/callback")};
    options.openBrowser = [this](const QUrl& url) {
        if (browserAllows)
            QTimer::singleShot(0, [this, url] { playBrowser(url); });
        return true;
    };
    options.pollInterval = pollInterval;
    options.uploadOptions.retryDelays = {100ms};
    options.uploadOptions.confirmDelay = 100ms;
    options.uploadOptions.progressInterval = 20ms;
    options.network = network;
    model = std::make_unique<AppModel>(options);
    return *model;
}

void ModelRig::stop() {
    if (!model)
        return;
    network->signal().setOnline(true);
    try {
        await(model->queue().settled(), 60s);
    } catch (const ParcelKit::Testing::TimedOut&) {
    }
    model.reset();
}

void ModelRig::playBrowser(const QUrl& authorizeURL) const {
    HttpClient http;
    if (http.get(authorizeURL).status != 200)
        return;
    QList<QPair<QString, QString>> fields;
    for (const auto& [name, value] : QUrlQuery(authorizeURL).queryItems(QUrl::FullyDecoded))
        fields.append({name, value});
    fields += {{"user", "user-dev"}, {"decision", "allow"}};
    const HttpReply reply = http.postForm(QUrl(service.url("/oauth/authorize")), fields);
    SignInController::deliver(QUrl(QString::fromUtf8(reply.header("Location"))));
}

bool ModelRig::signIn() {
    await(model->signIn());
    return model->me().has_value();
}

void ModelRig::addFault(const QJsonObject& rule) {
    HttpClient http;
    http.send("POST", QUrl(service.url("/admin/faults")), QJsonDocument(rule).toJson(),
              {{"X-Admin-Token", "rig-admin"}, {"Content-Type", "application/json"}});
}

void ModelRig::clearFaults() {
    HttpClient http;
    http.send("DELETE", QUrl(service.url("/admin/faults")), {}, {{"X-Admin-Token", "rig-admin"}});
}

QString ModelRig::writeFile(const QString& name, qint64 size) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray chunk(64 * 1024, char(name.size()));
    for (qint64 written = 0; written < size; written += chunk.size())
        file.write(chunk.constData(), std::min<qint64>(chunk.size(), size - written));
    return path;
}

QList<QUuid> ModelRig::enqueue(const QStringList& names, std::optional<qint64> size) {
    QList<QUrl> urls;
    for (const QString& name : names)
        urls.append(QUrl::fromLocalFile(size ? writeFile(name, *size) : dir.filePath(name)));
    return await(model->queue().enqueue(urls, "studio"));
}

std::optional<ParcelKit::Transfer> ModelRig::sendAndWait(const SendForm& form) {
    model->setForm(form);
    if (!spinUntil([&] { return model->canSend(); }))
        return std::nullopt;
    const auto before = model->lastCreated();
    await(model->send());
    spinUntil([&] { return !model->isSending() && model->lastCreated() != before; }, 30s);
    if (model->lastCreated() == before)
        return std::nullopt;
    return model->lastCreated();
}

PendingSendStore ModelRig::pendingStore() const {
    return PendingSendStore(pendingFile(), keychainService, "pending-send-password");
}

} // namespace Parcella::Testing
