#include "CliEngine.h"

#include "KeychainError.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#ifdef PARCELLA_WITH_PREVIEWS
#include "PicturePreviewRenderer.h"
#endif

namespace Parcella {

using namespace ParcelKit;

namespace {
constexpr const char* keychainService = "app.parcella.mac";
constexpr int singlePartFiles = 8;
} // namespace

CliEngine::CliEngine(const CliArguments& arguments)
    : m_arguments(arguments), m_configuration(configuration(arguments)),
      m_tokens(QString::fromLatin1(keychainService),
               KeychainTokenStore::accountFor(m_configuration.baseURL,
                                              ParcellaConfiguration::fromInstalledInfo().baseURL)),
      m_auth(m_configuration, m_tokens, m_session), m_api(m_configuration, m_auth, m_session) {
    m_session.setUploadRateLimit(arguments.limitRate);
}

ParcellaConfiguration CliEngine::configuration(const CliArguments& arguments) {
    auto configuration = ParcellaConfiguration::fromInstalledInfo();
    if (arguments.service)
        configuration.baseURL = *arguments.service;
    return configuration;
}

std::optional<QString> CliEngine::keyringProblem() {
    try {
        m_tokens.load();
    } catch (const KeychainError& error) {
        return QStringLiteral("No keyring answers (%1). parcella-cli keeps sign-ins only in a "
                              "Secret Service keyring (gnome-keyring, KWallet or KeePassXC), "
                              "never in a plain file: start one in this session, for example "
                              "“gnome-keyring-daemon --start --components=secrets”, and try "
                              "again.")
            .arg(error.userText().simplified());
    }
    return std::nullopt;
}

QUrl CliEngine::storeURL() const {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("uploads.json")));
}

UploadOptions CliEngine::uploadOptions() const {
    UploadOptions options;
    // A small file is seven requests in a row and hardly any bytes: the command line, sending
    // nothing else, keeps more of them going. The byte budget still bounds the memory.
    options.maxConcurrentSinglePartFiles = singlePartFiles;
    options.partSizeOverride = m_arguments.partSize;
    if (m_arguments.maxRetries)
        options.maxRetries = *m_arguments.maxRetries;
    if (m_arguments.retryDelays) {
        options.retryDelays.clear();
        for (double seconds : *m_arguments.retryDelays)
            options.retryDelays.append(std::chrono::milliseconds(qint64(seconds * 1000)));
    }
    return options;
}

UploadQueue& CliEngine::queue() {
    if (!m_queue) {
        std::shared_ptr<const PreviewRenderer> renderer;
#ifdef PARCELLA_WITH_PREVIEWS
        renderer = std::make_shared<PicturePreviewRenderer>();
#endif
        m_queue =
            std::make_unique<UploadQueue>(m_api, storeURL(), uploadOptions(), nullptr, renderer);
    }
    return *m_queue;
}

std::optional<Workspace> CliEngine::chooseWorkspace(const Me& me,
                                                    const std::optional<QString>& wanted) {
    const QString selected = wanted.value_or(QSettings(QString(), QStringLiteral("Parcella"))
                                                 .value(QStringLiteral("selectedWorkspaceID"))
                                                 .toString());
    for (const Workspace& workspace : me.workspaces)
        if (workspace.id == selected)
            return workspace;
    if (wanted || me.workspaces.isEmpty())
        return std::nullopt;
    return me.workspaces.first();
}

} // namespace Parcella
