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

    // Paths are resolved against `base`, the starting process's folder, since another process
    // may act on them. Gives the usage error text for an unknown option.
    static std::variant<LaunchArguments, QString> parse(const QStringList& arguments,
                                                        const QDir& base);
    // A browser sign-in's answer: routed by its state, not opened by the instance.
    static bool isSignInCallback(const QUrl& url);

    QByteArray encoded() const;
    static std::optional<LaunchArguments> decoded(const QByteArray& bytes);

    bool operator==(const LaunchArguments&) const = default;
};

} // namespace Parcella
