#pragma once

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <variant>

namespace Parcella {

// What `parcella ARGS…` asks for: files (as absolute file: URLs) and parcella: URLs, in order.
struct LaunchArguments {
    QList<QUrl> urls;
    // Started at login: stays in the tray without opening the popover.
    bool autostart = false;
    // Installs the file managers' "Send with Parcella" actions and exits.
    bool installFileManagerActions = false;

    // Paths are resolved against `base`, the starting process's folder, since another process
    // may act on them. Gives the usage error text for an unknown option.
    static std::variant<LaunchArguments, QString> parse(const QStringList& arguments,
                                                        const QDir& base);
    // A browser sign-in's answer: routed by its state, not opened by the instance.
    static bool isSignInCallback(const QUrl& url);

    // The file URLs written to a shared batch and replaced by its URL, for more files than one
    // message to the running instance holds. Throws std::runtime_error with the reason.
    LaunchArguments withFilesInBatch() const;

    // Only the URLs travel to the running instance.
    QByteArray encoded() const;
    static std::optional<LaunchArguments> decoded(const QByteArray& bytes);

    bool operator==(const LaunchArguments&) const = default;
};

} // namespace Parcella
