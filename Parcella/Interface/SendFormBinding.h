#pragma once

#include "SendForm.h"

#include <QObject>
#include <QVariantList>

namespace Parcella {

class AppModel;

// The model's send form as QML binds to it, one property per field. A write goes through the
// model, and each property announces itself only when its own field changes, so a keystroke in
// one field leaves the others alone. Also what the form shows of the pending send.
class SendFormBinding : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEmail READ isEmail WRITE setEmail NOTIFY isEmailChanged)
    Q_PROPERTY(QString recipients READ recipients WRITE setRecipients NOTIFY recipientsChanged)
    Q_PROPERTY(QString subject READ subject WRITE setSubject NOTIFY subjectChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(
        int expiresInDays READ expiresInDays WRITE setExpiresInDays NOTIFY expiresInDaysChanged)
    // The protection's code: "none", "password" or "emailCode".
    Q_PROPERTY(QString protection READ protection WRITE setProtection NOTIFY protectionChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(
        QString allowedEmails READ allowedEmails WRITE setAllowedEmails NOTIFY allowedEmailsChanged)
    // Empty when the form can be sent.
    Q_PROPERTY(QString validationMessage READ validationMessage NOTIFY validationMessageChanged)
    // Every protection in order, as {value: code, text: label}.
    Q_PROPERTY(QVariantList protectionChoices READ protectionChoices CONSTANT)
    Q_PROPERTY(bool hasPending READ hasPending NOTIFY pendingChanged)
    Q_PROPERTY(bool isPendingEmail READ isPendingEmail NOTIFY pendingChanged)

public:
    explicit SendFormBinding(AppModel& model, QObject* parent = nullptr);

    bool isEmail() const { return m_shown.delivery == ParcelKit::Delivery::email; }
    void setEmail(bool email);
    QString recipients() const { return m_shown.recipients; }
    void setRecipients(const QString& text) { write(&SendForm::recipients, text); }
    QString subject() const { return m_shown.subject; }
    void setSubject(const QString& text) { write(&SendForm::subject, text); }
    QString message() const { return m_shown.message; }
    void setMessage(const QString& text) { write(&SendForm::message, text); }
    int expiresInDays() const { return int(m_shown.expiresInDays); }
    void setExpiresInDays(int days) { write(&SendForm::expiresInDays, qint64(days)); }
    QString protection() const { return protectionCode(m_shown.protection); }
    void setProtection(const QString& code);
    QString password() const { return m_shown.password; }
    void setPassword(const QString& text) { write(&SendForm::password, text); }
    QString allowedEmails() const { return m_shown.allowedEmails; }
    void setAllowedEmails(const QString& text) { write(&SendForm::allowedEmails, text); }
    QString validationMessage() const { return m_shown.validationMessage().value_or(QString()); }
    static QVariantList protectionChoices();
    bool hasPending() const;
    bool isPendingEmail() const;

    Q_INVOKABLE void send();
    Q_INVOKABLE void resumePending();
    Q_INVOKABLE void discardPending();

signals:
    void isEmailChanged();
    void recipientsChanged();
    void subjectChanged();
    void messageChanged();
    void expiresInDaysChanged();
    void protectionChanged();
    void passwordChanged();
    void allowedEmailsChanged();
    void validationMessageChanged();
    void pendingChanged();

private:
    template <typename T> void write(T SendForm::*field, const T& value) {
        SendForm form = m_shown;
        form.*field = value;
        writeForm(form);
    }
    // Through the model, which announces only a change.
    void writeForm(const SendForm& form);
    // Takes the model's form and announces the fields that differ from the one shown so far.
    void announce();

    AppModel& m_model;
    SendForm m_shown;
};

} // namespace Parcella
