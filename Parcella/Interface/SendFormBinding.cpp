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
    const auto differs = [&](auto SendForm::*field) { return m_shown.*field != was.*field; };
    const std::pair<bool, void (SendFormBinding::*)()> fields[] = {
        {differs(&SendForm::delivery), &SendFormBinding::isEmailChanged},
        {differs(&SendForm::recipients), &SendFormBinding::recipientsChanged},
        {differs(&SendForm::subject), &SendFormBinding::subjectChanged},
        {differs(&SendForm::message), &SendFormBinding::messageChanged},
        {differs(&SendForm::expiresInDays), &SendFormBinding::expiresInDaysChanged},
        {differs(&SendForm::protection), &SendFormBinding::protectionChanged},
        {differs(&SendForm::password), &SendFormBinding::passwordChanged},
        {differs(&SendForm::allowedEmails), &SendFormBinding::allowedEmailsChanged},
        {m_shown.validationMessage() != was.validationMessage(),
         &SendFormBinding::validationMessageChanged},
    };
    for (const auto& [changed, signal] : fields)
        if (changed)
            emit(this->*signal)();
}

} // namespace Parcella
