#include "LaunchAtLogin.h"

#include "UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtConcurrent>

#include <glib.h>

#include <memory>

namespace Parcella {

namespace {

const char* const desktopEntryGroup = "Desktop Entry";

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};

} // namespace

LaunchAtLogin::LaunchAtLogin(QString entryPath, QObject* parent)
    : QObject(parent), m_entryPath(std::move(entryPath)) {
    m_worker.setMaxThreadCount(1);
    QtConcurrent::run(&m_worker, [path = m_entryPath] {
        return Outcome{isEnabledAt(path), std::nullopt};
    }).then(this, [this](const Outcome& outcome) { apply(outcome); });
}

LaunchAtLogin::~LaunchAtLogin() {
    m_worker.waitForDone();
}

QString LaunchAtLogin::defaultEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/parcella.desktop");
}

QByteArray LaunchAtLogin::entry() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Parcella\n"
           "Comment=Send large files from the tray\n"
           "Comment[de]=Große Dateien aus der Systemleiste senden\n"
           "Exec=parcella --autostart\n"
           "Terminal=false\n"
           "StartupNotify=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool LaunchAtLogin::isEnabledAt(const QString& entryPath) {
    const std::unique_ptr<GKeyFile, KeyFileFree> file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), QFile::encodeName(entryPath).constData(),
                                   G_KEY_FILE_NONE, nullptr))
        return false;
    if (!g_key_file_has_group(file.get(), desktopEntryGroup))
        return false;
    GError* error = nullptr;
    const bool hidden = g_key_file_get_boolean(file.get(), desktopEntryGroup, "Hidden", &error);
    // A missing or unreadable Hidden key means shown.
    g_clear_error(&error);
    return !hidden;
}

std::optional<QString> LaunchAtLogin::change(const QString& entryPath, bool enabled) {
    if (!enabled) {
        QFile file(entryPath);
        if (!file.exists() || file.remove())
            return std::nullopt;
        return file.errorString();
    }
    return UserFile::replace(entryPath, entry());
}

void LaunchAtLogin::setEnabled(bool enabled) {
    QtConcurrent::run(&m_worker, [path = m_entryPath, enabled] {
        const auto error = change(path, enabled);
        return Outcome{isEnabledAt(path), error};
    }).then(this, [this](const Outcome& outcome) { apply(outcome); });
}

void LaunchAtLogin::apply(const Outcome& outcome) {
    if (m_error != outcome.error) {
        m_error = outcome.error;
        emit errorChanged();
    }
    if (m_isEnabled != outcome.isEnabled) {
        m_isEnabled = outcome.isEnabled;
        emit isEnabledChanged();
    }
}

} // namespace Parcella
