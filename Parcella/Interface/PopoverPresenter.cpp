#include "PopoverPresenter.h"

#include "AppModel.h"
#include "UploadStatusLine.h"

namespace Parcella {

using ParcelKit::TaskHandle;

PopoverPresenter::PopoverPresenter(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model) {
    connect(&model.auth(), &ParcelKit::AuthSession::isSignedInChanged, this,
            &PopoverPresenter::isSignedInChanged);
    connect(&model.auth(), &ParcelKit::AuthSession::isSignedInChanged, this,
            &PopoverPresenter::screenChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::screenChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::accountChanged);
    connect(&model, &AppModel::meChanged, this, &PopoverPresenter::workspaceChanged);
    connect(&model, &AppModel::workspaceChanged, this, &PopoverPresenter::workspaceChanged);
    connect(&model, &AppModel::noticeChanged, this, &PopoverPresenter::noticeChanged);
    connect(&model, &AppModel::uploadsChanged, this, &PopoverPresenter::filesLineChanged);
    connect(&model, &AppModel::totalBytesChanged, this, &PopoverPresenter::filesLineChanged);
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
    if (!m_model.me() || !m_model.selectedWorkspaceID())
        return -1;
    const auto& workspaces = m_model.me()->workspaces;
    for (qsizetype i = 0; i < workspaces.size(); ++i)
        if (workspaces[i].id == *m_model.selectedWorkspaceID())
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

QString PopoverPresenter::filesLine() const {
    return tr("%n files", nullptr, int(m_model.uploads().size())) + QStringLiteral(" · ") +
           UploadStatusLine::byteCount(m_model.totalBytes());
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
                                       const QString& message, const QDateTime& finishedAt) const {
    return UploadStatusLine::of(state, bytesSent, byteCount, message, finishedAt).text;
}

bool PopoverPresenter::uploadIsAlert(const QString& state, const QDateTime& finishedAt) const {
    return UploadStatusLine::of(state, 0, 0, {}, finishedAt).isAlert;
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

} // namespace Parcella
