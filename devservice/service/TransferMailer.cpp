#include "service/TransferMailer.h"

#include "service/Clock.h"

namespace devservice {

void TransferMailer::sendTransfer(const TransferStore::Transfer& transfer,
                                  const std::string& senderName) {
    const auto subject = transfer.subject.value_or(senderName + " sent you files");
    std::string body = senderName + " sent you " + std::to_string(transfer.files.size()) +
                       (transfer.files.size() == 1 ? " file" : " files") + ".\n\n";
    if (transfer.message)
        body += *transfer.message + "\n\n";
    for (const auto& file : transfer.files)
        body += "  - " + file.filename + " (" + std::to_string(file.size) + " bytes)\n";
    body += "\nDownload: " + linkFor(transfer) + "\n";
    body += "Available until " + Clock::wireDate(transfer.expiresAt) + ".\n";
    if (transfer.protection == "email_code")
        body += "The page will ask for a one-time code, sent to this address when you ask.\n";
    else if (transfer.protection == "password")
        body += "The page will ask for the password the sender gave you.\n";
    for (const auto& recipient : transfer.recipients)
        outbox_.write(recipient.email, subject, body);
}

void TransferMailer::sendCode(const TransferStore::Transfer& transfer, const std::string& email,
                              const std::string& code) {
    outbox_.write(email, "Your code for " + transfer.subject.value_or("your transfer"),
                  "Your one-time code: " + code + "\n\nEnter it on " + linkFor(transfer) +
                      " within 10 minutes. If you did not ask for it, ignore this message.\n");
}

} // namespace devservice
