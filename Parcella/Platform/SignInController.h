#pragma once

#include <QCoroTask>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace Parcella {

// Runs one browser sign-in: opens the authorize URL in the default browser and waits for the
// callback that carries the same `state`, from this process or from the scheme handler.
class SignInController : public QObject {
    Q_OBJECT

public:
    using BrowserOpener = std::function<bool(const QUrl&)>;

    // `openBrowser` defaults to the desktop's default browser.
    explicit SignInController(BrowserOpener openBrowser = {}, QObject* parent = nullptr);
    ~SignInController() override;

    // The callback URL, or none when the sign-in was cancelled or replaced.
    QCoro::Task<std::optional<QUrl>> signIn(QUrl url, QString callbackScheme);
    // Ends a waiting signIn with none.
    void cancel();

    // Hands a callback to the sign-in (in any process of this user) waiting for its state;
    // false when nobody waits for it.
    static bool deliver(const QUrl& callback);

private:
    struct Waiting;

    BrowserOpener m_openBrowser;
    std::shared_ptr<Waiting> m_waiting;
};

} // namespace Parcella
