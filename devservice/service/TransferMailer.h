#pragma once

#include "service/Outbox.h"
#include "service/TransferStore.h"

#include <string>

namespace devservice {

// The texts of the service's e-mails: the transfer to its recipients, and the one-time code.
class TransferMailer {
public:
    TransferMailer(Outbox& outbox, std::string publicUrl)
        : outbox_(outbox), publicUrl_(std::move(publicUrl)) {}

    void sendTransfer(const TransferStore::Transfer& transfer, const std::string& senderName);
    void sendCode(const TransferStore::Transfer& transfer, const std::string& email,
                  const std::string& code);

    std::string linkFor(const TransferStore::Transfer& transfer) const {
        return publicUrl_ + "/t/" + transfer.id;
    }

private:
    Outbox& outbox_;
    std::string publicUrl_;
};

} // namespace devservice
