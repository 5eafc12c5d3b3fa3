#pragma once

#include "FileChooser.h"
#include "SendFormBinding.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

namespace Parcella {

class AppModel;

// What the popover's views read of the model in a form QML can bind to (the model's optional
// values as plain ones), and the model's asynchronous operations as plain calls.
class PopoverPresenter : public QObject {
    Q_OBJECT
    Q_PROPERTY(Screen screen READ screen NOTIFY screenChanged)
    Q_PROPERTY(bool isSignedIn READ isSignedIn NOTIFY isSignedInChanged)
    Q_PROPERTY(bool isAccountLoaded READ isAccountLoaded NOTIFY accountChanged)
    Q_PROPERTY(QString userName READ userName NOTIFY accountChanged)
    Q_PROPERTY(QString userEmail READ userEmail NOTIFY accountChanged)
    Q_PROPERTY(QStringList workspaceNames READ workspaceNames NOTIFY accountChanged)
    Q_PROPERTY(
        int workspaceIndex READ workspaceIndex WRITE setWorkspaceIndex NOTIFY workspaceChanged)
    Q_PROPERTY(QString workspaceName READ workspaceName NOTIFY workspaceChanged)
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    Q_PROPERTY(QString copiedTransferID READ copiedTransferID NOTIFY copiedTransferIDChanged)
    Q_PROPERTY(QString filesLine READ filesLine NOTIFY filesLineChanged)
    // The upload limits the settings menu offers, "Off" first, and the one in force: -1 when the
    // settings hold another rate.
    Q_PROPERTY(QStringList uploadLimitNames READ uploadLimitNames CONSTANT)
    Q_PROPERTY(int uploadLimitIndex READ uploadLimitIndex WRITE setUploadLimitIndex NOTIFY
                   uploadLimitChanged)
    Q_PROPERTY(Parcella::SendFormBinding* sendForm READ sendForm CONSTANT)
    // {transferID, url, isEmail} of the transfer created last; empty when there is none.
    Q_PROPERTY(QVariantMap lastCreated READ lastCreated NOTIFY lastCreatedChanged)
    Q_PROPERTY(bool isAnythingPaused READ isAnythingPaused NOTIFY pausingChanged)
    Q_PROPERTY(bool isPausedByMetering READ isPausedByMetering NOTIFY pausingChanged)
    Q_PROPERTY(bool uploadsOnMeteredConnections READ uploadsOnMeteredConnections WRITE
                   setUploadsOnMeteredConnections NOTIFY pausingChanged)

public:
    enum class Screen { signedOut, loading, signedIn };
    Q_ENUM(Screen)

    explicit PopoverPresenter(AppModel& model, QObject* parent = nullptr);
    ~PopoverPresenter() override { delete m_chooser; }

    Screen screen() const;
    bool isSignedIn() const;
    bool isAccountLoaded() const;
    QString userName() const;
    QString userEmail() const;
    QStringList workspaceNames() const;
    int workspaceIndex() const;
    void setWorkspaceIndex(int index);
    QString workspaceName() const;
    QString notice() const;
    QString copiedTransferID() const;
    // "3 files · 12.3 MB"
    QString filesLine() const;
    QStringList uploadLimitNames() const;
    int uploadLimitIndex() const;
    void setUploadLimitIndex(int index);
    SendFormBinding* sendForm() { return &m_sendForm; }
    QVariantMap lastCreated() const;
    bool isAnythingPaused() const;
    bool isPausedByMetering() const;
    bool uploadsOnMeteredConnections() const;
    void setUploadsOnMeteredConnections(bool allowed);

    Q_INVOKABLE void signIn();
    Q_INVOKABLE void cancelSignIn();
    Q_INVOKABLE void signOut();
    Q_INVOKABLE void loadAccount();
    Q_INVOKABLE void dismissNotice();
    Q_INVOKABLE void dismissWelcome();
    Q_INVOKABLE void dismissCreated();
    Q_INVOKABLE QString uploadStatus(const QString& state, qint64 bytesSent, qint64 byteCount,
                                     const QString& message, const QVariant& finishedAt,
                                     const QString& pace = {}, bool isPaused = false) const;
    // `finishedAt` is a date, or nothing before the upload finished.
    Q_INVOKABLE bool uploadIsAlert(const QString& state, const QVariant& finishedAt) const;
    Q_INVOKABLE QString transferStatus(bool isDeleted, const QDateTime& expiresAt,
                                       qint64 downloadCount, qint64 viewCount) const;
    Q_INVOKABLE void refreshTransfers();
    Q_INVOKABLE void copyLink(const QString& transferID);
    // The service's dashboard in the default browser.
    Q_INVOKABLE void openDashboard();
    Q_INVOKABLE void cancelUpload(const QString& itemID);
    Q_INVOKABLE void retryUpload(const QString& itemID);
    Q_INVOKABLE void removeUpload(const QString& itemID);
    // Files and folders for `addFiles`; while the chooser is open, brings it to the front.
    Q_INVOKABLE void chooseFiles();
    Q_INVOKABLE void pauseUpload(const QString& itemID);
    Q_INVOKABLE void resumeUpload(const QString& itemID);
    Q_INVOKABLE void pauseAll();
    Q_INVOKABLE void resumeAll();

signals:
    void screenChanged();
    void isSignedInChanged();
    void accountChanged();
    void workspaceChanged();
    void noticeChanged();
    void filesLineChanged();
    void copiedTransferIDChanged();
    void uploadLimitChanged();
    void lastCreatedChanged();
    void pausingChanged();

private:
    AppModel& m_model;
    SendFormBinding m_sendForm;
    QPointer<FileChooser> m_chooser;
};

} // namespace Parcella
