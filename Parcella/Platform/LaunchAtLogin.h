#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace Parcella {

// The login item: an XDG autostart entry that starts `parcella --autostart` when the user logs
// in. The entry itself is the truth: it is read again after every change, so the toggle shows
// what the desktop will do, also after a failed write or an entry the user edited. The file work
// runs off the main thread; the properties change when it is done.
class LaunchAtLogin : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    // The error for views: empty without one.
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorChanged)

public:
    // Reads the entry at once.
    explicit LaunchAtLogin(QString entryPath = defaultEntryPath(), QObject* parent = nullptr);
    ~LaunchAtLogin() override;

    // "autostart/parcella.desktop" in the user's configuration folder.
    static QString defaultEntryPath();
    // What the entry says: present, a desktop entry, and not hidden. Blocking.
    static bool isEnabledAt(const QString& entryPath);
    static QByteArray entry();

    bool isEnabled() const { return m_isEnabled; }
    const std::optional<QString>& error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // Writes the entry (atomically) or removes it; a failure becomes `error` with the system's
    // text, and `isEnabled` is then read again from the entry.
    Q_INVOKABLE void setEnabled(bool enabled);

signals:
    void isEnabledChanged();
    void errorChanged();

private:
    struct Outcome {
        bool isEnabled = false;
        std::optional<QString> error;
    };
    static std::optional<QString> change(const QString& entryPath, bool enabled);
    void apply(const Outcome& outcome);

    QString m_entryPath;
    bool m_isEnabled = false;
    std::optional<QString> m_error;
    // One thread keeps the changes in order.
    QThreadPool m_worker;
};

} // namespace Parcella
