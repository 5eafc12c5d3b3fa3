#include "SendFormBinding.h"

#include "AppModel.h"

#include <utility>

namespace Parcella {

using ParcelKit::Delivery;
using ParcelKit::TaskHandle;

SendFormBinding::SendFormBinding(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model), m_shown(model.form()) {
    connect(&model, &AppModel::formChanged, this, &SendFormBinding::announce);
    connect(&model, &AppModel::pendingChanged, this, &SendFormBinding::pendingChanged);
}

void SendFormBinding::setEmail(bool email) {
    write(&SendForm::delivery, email ? Delivery::email : Delivery::link);
}

void SendFormBinding::setProtection(const QString& code) {
    if (const auto protection = protectionFromCode(code))
        write(&SendForm::protection, *protection);
}

QVariantList SendFormBinding::protectionChoices() {
    QVariantList choices;
    for (Protection protection : allProtections())
        choices.append(QVariantMap{{QStringLiteral("value"), protectionCode(protection)},
                                   {QStringLiteral("text"), protectionLabel(protection)}});
    return choices;
}

bool SendFormBinding::hasPending() const {
    return m_model.pending().has_value();
}

bool SendFormBinding::isPendingEmail() const {
    return m_model.pending() && m_model.pending()->delivery == Delivery::email;
}

void SendFormBinding::send() {
    TaskHandle<void>::start([model = &m_model](std::stop_token) { return model->send(); });
}

void SendFormBinding::resumePending() {
    m_model.resumePendingSend();
}

void SendFormBinding::discardPending() {
    m_model.discardPendingSend();
}

void SendFormBinding::writeForm(const SendForm& form) {
    m_model.setForm(form);
}

void SendFormBinding::announce() {
    const SendForm was = std::exchange(m_shown, m_model.form());
    if (m_shown.delivery != was.delivery)
        emit isEmailChanged();
    if (m_shown.recipients != was.recipients)
        emit recipientsChanged();
    if (m_shown.subject != was.subject)
        emit subjectChanged();
    if (m_shown.message != was.message)
        emit messageChanged();
    if (m_shown.expiresInDays != was.expiresInDays)
        emit expiresInDaysChanged();
    if (m_shown.protection != was.protection)
        emit protectionChanged();
    if (m_shown.password != was.password)
        emit passwordChanged();
    if (m_shown.allowedEmails != was.allowedEmails)
        emit allowedEmailsChanged();
    if (m_shown.validationMessage() != was.validationMessage())
        emit validationMessageChanged();
}

} // namespace Parcella
