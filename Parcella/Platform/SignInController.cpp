#include "SignInController.h"

#include "CallbackListener.h"
#include "Continuation.h"
#include "ParcelKitError.h"

#include <QDesktopServices>
#include <QPointer>

namespace Parcella {

using ParcelKit::Continuation;
using ParcelKit::ParcelKitError;

// The waiting sign-in outlives neither its callback nor a cancel: whoever ends it first resumes
// the continuation, and the listener's socket goes with it.
struct SignInController::Waiting {
    explicit Waiting(QString state) : listener(std::move(state)) {}

    CallbackListener listener;
    Continuation<std::optional<QUrl>> continuation;
};

SignInController::SignInController(BrowserOpener openBrowser, QObject* parent)
    : QObject(parent), m_openBrowser(std::move(openBrowser)) {
    if (!m_openBrowser)
        m_openBrowser = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

SignInController::~SignInController() {
    cancel();
}

QCoro::Task<std::optional<QUrl>> SignInController::signIn(QUrl url, QString callbackScheme) {
    cancel();
    auto waiting = std::make_shared<Waiting>(CallbackListener::stateOf(url));
    if (!waiting->listener.listen())
        throw ParcelKitError::notSignedIn();
    QObject::connect(&waiting->listener, &CallbackListener::received, &waiting->listener,
                     [waiting = waiting.get(), callbackScheme](const QUrl& callback) {
                         if (callback.scheme().compare(callbackScheme, Qt::CaseInsensitive) == 0)
                             waiting->continuation.resume(std::optional<QUrl>(callback));
                     });
    m_waiting = waiting;
    if (!m_openBrowser(url)) {
        m_waiting.reset();
        throw ParcelKitError::validation(tr("The browser could not be opened."));
    }
    auto registration = [waiting](Continuation<std::optional<QUrl>> continuation) {
        waiting->continuation = std::move(continuation);
    };
    QPointer<SignInController> self(this);
    auto result = co_await ParcelKit::suspend<std::optional<QUrl>>(std::stop_token{},
                                                                   std::move(registration));
    // A finished sign-in stops listening at once, so a second callback finds nobody.
    if (self && self->m_waiting == waiting)
        self->m_waiting.reset();
    co_return result;
}

void SignInController::cancel() {
    if (auto waiting = std::exchange(m_waiting, nullptr))
        waiting->continuation.resume(std::nullopt);
}

bool SignInController::deliver(const QUrl& callback) {
    return CallbackListener::deliver(callback);
}

} // namespace Parcella
