#include "PopoverPresenter.h"

#include "AppModel.h"
#include "TransferStatusLine.h"
#include "UploadStatusLine.h"

#include <QDesktopServices>
#include <QLocale>

#include <algorithm>
#include <array>
#include <span>

namespace Parcella {

using ParcelKit::TaskHandle;

namespace {
// Bytes per second, 0 for no limit.
constexpr std::array<qint64, 5> uploadLimits{0, 1'000'000, 5'000'000, 10'000'000, 50'000'000};
} // namespace

PopoverPresenter::PopoverPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model), m_sendForm(model) {
    connect(&model.auth(), &ParcelKit::AuthSession::isSignedInChanged, this,
            &PopoverPresenter::isSignedInChanged);
    connect(&model.auth(), &ParcelKit::AuthSession::isSignedInChanged, this,
            &PopoverPresenter::screenChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::screenChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::accountChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::workspaceChanged);
    connect(&model, &AppModel::workspaceChanged, this, &PopoverPresenter::workspaceChanged);
    connect(&model, &AppModel::noticeChanged, this, &PopoverPresenter::noticeChanged);
    connect(&model, &AppModel::copiedTransferIDChanged, this,
            &PopoverPresenter::copiedTransferIDChanged);
    connect(&model, &AppModel::uploadsChanged, this, &PopoverPresenter::filesLineChanged);
    connect(&model, &AppModel::totalBytesChanged, this, &PopoverPresenter::filesLineChanged);
    connect(&model, &AppModel::uploadRateLimitChanged, this, &PopoverPresenter::uploadLimitChanged);
    connect(&model, &AppModel::lastCreatedChanged, this, &PopoverPresenter::lastCreatedChanged);
    for (const auto changed :
         {&AppModel::isAnythingPausedChanged, &AppModel::isPausedByMeteringChanged,
          &AppModel::uploadsOnMeteredConnectionsChanged})
        connect(&model, changed, this, &PopoverPresenter::pausingChanged);
}

PopoverPresenter::Screen PopoverPresenter::screen() const {
    if (!isSignedIn())
        return Screen::signedOut;
    return isAccountLoaded() ? Screen::signedIn : Screen::loading;
}

bool PopoverPresenter::isSignedIn() const {
    return m_model.auth().isSignedIn();
}

bool PopoverPresenter::isAccountLoaded() const {
    return m_model.me().has_value();
}

QString PopoverPresenter::userName() const {
    return m_model.me() ? m_model.me()->name : QString();
}

QString PopoverPresenter::userEmail() const {
    return m_model.me() ? m_model.me()->email : QString();
}

QStringList PopoverPresenter::workspaceNames() const {
    QStringList names;
    if (m_model.me())
        for (const auto& workspace : m_model.me()->workspaces)
            names.append(workspace.name);
    return names;
}

int PopoverPresenter::workspaceIndex() const {
    const auto current = m_model.workspace();
    if (!m_model.me() || !current)
        return -1;
    const auto& workspaces = m_model.me()->workspaces;
    for (qsizetype i = 0; i < workspaces.size(); ++i)
        if (workspaces[i].id == current->id)
            return int(i);
    return -1;
}

void PopoverPresenter::setWorkspaceIndex(int index) {
    if (!m_model.me() || index < 0 || index >= m_model.me()->workspaces.size() ||
        index == workspaceIndex())
        return;
    m_model.setSelectedWorkspaceID(m_model.me()->workspaces[index].id);
}

QString PopoverPresenter::workspaceName() const {
    const auto workspace = m_model.workspace();
    return workspace ? workspace->name : QString();
}

QString PopoverPresenter::notice() const {
    return m_model.notice().value_or(QString());
}

QString PopoverPresenter::copiedTransferID() const {
    return m_model.copiedTransferID().value_or(QString());
}

QString PopoverPresenter::filesLine() const {
    return tr("%n files", nullptr, int(m_model.uploads().size())) + QStringLiteral(" · ") +
           UploadStatusLine::byteCount(m_model.totalBytes());
}

QStringList PopoverPresenter::uploadLimitNames() const {
    QStringList names{tr("Off")};
    for (qint64 rate : std::span(uploadLimits).subspan(1))
        names.append(QLocale().formattedDataSize(rate, 0, QLocale::DataSizeSIFormat) +
                     QStringLiteral("/s"));
    return names;
}

int PopoverPresenter::uploadLimitIndex() const {
    const auto found =
        std::find(uploadLimits.begin(), uploadLimits.end(), m_model.uploadRateLimit());
    return found == uploadLimits.end() ? -1 : int(found - uploadLimits.begin());
}

void PopoverPresenter::setUploadLimitIndex(int index) {
    if (index >= 0 && index < int(uploadLimits.size()))
        m_model.setUploadRateLimit(uploadLimits[size_t(index)]);
}

QVariantMap PopoverPresenter::lastCreated() const {
    const auto& transfer = m_model.lastCreated();
    if (!transfer)
        return {};
    return {{QStringLiteral("transferID"), transfer->id},
            {QStringLiteral("url"), transfer->url.value_or(QUrl()).toString()},
            {QStringLiteral("isEmail"), transfer->delivery == ParcelKit::Delivery::email}};
}

bool PopoverPresenter::isAnythingPaused() const {
    return m_model.isAnythingPaused();
}

bool PopoverPresenter::isPausedByMetering() const {
    return m_model.isPausedByMetering();
}

bool PopoverPresenter::uploadsOnMeteredConnections() const {
    return m_model.uploadsOnMeteredConnections();
}

void PopoverPresenter::setUploadsOnMeteredConnections(bool allowed) {
    m_model.setUploadsOnMeteredConnections(allowed);
}

void PopoverPresenter::signIn() {
    TaskHandle<void>::start([model = &m_model](std::stop_token) { return model->signIn(); });
}

void PopoverPresenter::cancelSignIn() {
    m_model.cancelSignIn();
}

void PopoverPresenter::signOut() {
    TaskHandle<void>::start([model = &m_model](std::stop_token) { return model->signOut(); });
}

void PopoverPresenter::loadAccount() {
    TaskHandle<void>::start([model = &m_model](std::stop_token) { return model->loadAccount(); });
}

void PopoverPresenter::dismissNotice() {
    m_model.setNotice(std::nullopt);
}

void PopoverPresenter::dismissWelcome() {
    m_model.setWelcoming(false);
}

void PopoverPresenter::dismissCreated() {
    m_model.setLastCreated(std::nullopt);
}

QString PopoverPresenter::uploadStatus(const QString& state, qint64 bytesSent, qint64 byteCount,
                                       const QString& message, const QVariant& finishedAt,
                                       const QString& pace, bool isPaused) const {
    return UploadStatusLine::of(state, bytesSent, byteCount, message, finishedAt.toDateTime(),
                                QDateTime::currentDateTimeUtc(), pace, isPaused)
        .text;
}

bool PopoverPresenter::uploadIsAlert(const QString& state, const QVariant& finishedAt) const {
    return UploadStatusLine::of(state, 0, 0, {}, finishedAt.toDateTime()).isAlert;
}

QString PopoverPresenter::transferStatus(bool isDeleted, const QDateTime& expiresAt,
                                         qint64 downloadCount, qint64 viewCount) const {
    return TransferStatusLine::of(isDeleted, expiresAt, downloadCount, viewCount);
}

void PopoverPresenter::refreshTransfers() {
    TaskHandle<void>::start([model = &m_model](std::stop_token) { return model->loadTransfers(); });
}

void PopoverPresenter::copyLink(const QString& transferID) {
    // The created transfer may be missing from a list reloaded meanwhile.
    if (m_model.lastCreated() && m_model.lastCreated()->id == transferID)
        return m_model.copyLink(*m_model.lastCreated());
    for (const auto& transfer : m_model.transfers())
        if (transfer.id == transferID)
            return m_model.copyLink(transfer);
}

void PopoverPresenter::openDashboard() {
    QUrl dashboard = m_model.configuration().baseURL;
    QString path = dashboard.path();
    if (!path.endsWith(u'/'))
        path += u'/';
    dashboard.setPath(path + QStringLiteral("dashboard"));
    QDesktopServices::openUrl(dashboard);
}

void PopoverPresenter::cancelUpload(const QString& itemID) {
    m_model.queue().cancel(QUuid::fromString(itemID));
}

void PopoverPresenter::retryUpload(const QString& itemID) {
    m_model.queue().retry(QUuid::fromString(itemID));
}

void PopoverPresenter::removeUpload(const QString& itemID) {
    m_model.queue().remove(QUuid::fromString(itemID));
}

void PopoverPresenter::chooseFiles() {
    if (!m_chooser) {
        m_chooser = new FileChooser;
        connect(m_chooser, &FileChooser::chosen, &m_model, &AppModel::addFiles);
    }
    m_chooser->show();
    m_chooser->raise();
    m_chooser->activateWindow();
}

void PopoverPresenter::pauseUpload(const QString& itemID) {
    m_model.pauseUpload(QUuid::fromString(itemID));
}

void PopoverPresenter::resumeUpload(const QString& itemID) {
    m_model.resumeUpload(QUuid::fromString(itemID));
}

void PopoverPresenter::pauseAll() {
    m_model.pauseAll();
}

void PopoverPresenter::resumeAll() {
    m_model.resumeAll();
}

} // namespace Parcella
