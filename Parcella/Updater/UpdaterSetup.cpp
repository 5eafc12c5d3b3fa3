#include "UpdaterSetup.h"

#include "InfoDictionary.h"
#include "UserInstall.h"

#include <QCoreApplication>
#include <QProcess>

namespace Parcella {

UpdaterSetup UpdaterSetup::installed() {
    UpdaterSetup setup;
    const QJsonObject info = ParcelKit::InfoDictionary::load().value_or(QJsonObject());
    setup.feedURL = QUrl(info.value(QLatin1String("PCUpdateFeedURL")).toString());
    setup.publicKey = info.value(QLatin1String("PCUpdatePublicKey")).toString().toLatin1();
    const QString version = QCoreApplication::applicationVersion();
    setup.runningVersion =
        QVersionNumber::fromString(version.isEmpty() ? QStringLiteral(PARCELLA_VERSION) : version);
    setup.executablePath = QCoreApplication::applicationFilePath();
    setup.installRoot = UserInstall::defaultRoot();
    setup.settings = std::make_shared<QSettings>(QString(), QStringLiteral("Parcella"));
    setup.restart = &UpdaterSetup::restartAfterExit;
    return setup;
}

void UpdaterSetup::restartAfterExit(const QString& executable) {
    const QString script = QStringLiteral("tail --pid=\"$1\" -f /dev/null; exec \"$2\"");
    QProcess::startDetached(QStringLiteral("/bin/sh"),
                            {QStringLiteral("-c"), script, QStringLiteral("sh"),
                             QString::number(QCoreApplication::applicationPid()), executable});
    QCoreApplication::quit();
}

} // namespace Parcella
