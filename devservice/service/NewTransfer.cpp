#include "service/NewTransfer.h"

#include "service/HttpUtil.h"
#include "service/UploadStore.h"

#include <algorithm>
#include <regex>
#include <set>

namespace devservice {

namespace {

constexpr std::size_t maxRecipients = 50;
constexpr std::size_t maxFiles = 1000;

std::size_t codePoints(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool isDomain(const std::string& text) {
    static const std::regex domain(R"(^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)"
                                   R"((\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)+$)");
    return text.size() <= 253 && std::regex_match(text, domain);
}

// A list of strings; records an error for another shape.
std::optional<std::vector<std::string>> stringList(const Json& body, const char* name,
                                                   FieldErrors& errors) {
    const auto it = body.find(name);
    if (it == body.end() || it->is_null())
        return std::nullopt;
    if (!it->is_array() ||
        !std::all_of(it->begin(), it->end(), [](const Json& v) { return v.is_string(); })) {
        errors[name].push_back(std::string(name) + " must be a list of texts.");
        return std::nullopt;
    }
    return it->get<std::vector<std::string>>();
}

std::optional<std::string> optionalText(const Json& body, const char* name, std::size_t maxBytes,
                                        FieldErrors& errors) {
    const auto it = body.find(name);
    if (it == body.end() || it->is_null())
        return std::nullopt;
    if (!it->is_string()) {
        errors[name].push_back(std::string(name) + " must be a text.");
        return std::nullopt;
    }
    auto text = it->get<std::string>();
    if (text.size() > maxBytes)
        errors[name].push_back(std::string(name) + " is too long (at most " +
                               std::to_string(maxBytes) + " bytes).");
    return text;
}

} // namespace

bool NewTransfer::isEmailAddress(const std::string& text) {
    const auto at = text.rfind('@');
    if (at == std::string::npos || at == 0 || text.size() > 254)
        return false;
    const auto local = text.substr(0, at);
    static const std::regex localPart(R"(^[A-Za-z0-9.!#$%&'*+/=?^_`{|}~-]+$)");
    return local.size() <= 64 && std::regex_match(local, localPart) &&
           isDomain(text.substr(at + 1));
}

bool NewTransfer::allows(const std::vector<std::string>& allowedEmails, const std::string& email) {
    const auto address = HttpUtil::lower(HttpUtil::trimmed(email));
    if (!isEmailAddress(address))
        return false;
    const auto domain = address.substr(address.rfind('@') + 1);
    return std::any_of(allowedEmails.begin(), allowedEmails.end(), [&](const std::string& entry) {
        return entry == address || entry == "@" + domain || entry == domain;
    });
}

std::optional<int> NewTransfer::expiresIn(const Json& body, FieldErrors& errors) {
    const auto it = body.find("expires_in");
    if (it == body.end() || !it->is_number_integer() || it->get<std::int64_t>() < minExpiryDays ||
        it->get<std::int64_t>() > maxExpiryDays) {
        errors["expires_in"].push_back("expires_in must be a whole number of days from " +
                                       std::to_string(minExpiryDays) + " to " +
                                       std::to_string(maxExpiryDays) + ".");
        return std::nullopt;
    }
    return int(it->get<std::int64_t>());
}

std::variant<NewTransfer, FieldErrors>
NewTransfer::parse(const Json& body, const std::string& workspaceId, const UploadStore& uploads) {
    FieldErrors errors;
    NewTransfer transfer;

    const auto uploadIds = stringList(body, "uploads", errors);
    if (!uploadIds || uploadIds->empty() || uploadIds->size() > maxFiles) {
        if (!errors.count("uploads"))
            errors["uploads"].push_back("Add from 1 to " + std::to_string(maxFiles) + " uploads.");
    } else {
        std::set<std::string> seen;
        for (const auto& id : *uploadIds) {
            const auto upload = uploads.find(workspaceId, id);
            if (!seen.insert(id).second)
                errors["uploads"].push_back("Upload " + id + " is listed twice.");
            else if (!upload)
                errors["uploads"].push_back("Upload " + id + " is not known in this workspace.");
            else if (!upload->size)
                errors["uploads"].push_back("Upload " + id + " has not been confirmed yet.");
        }
        transfer.uploadIds = *uploadIds;
    }

    const auto delivery = body.find("delivery");
    if (delivery == body.end() || !delivery->is_string() ||
        (*delivery != "link" && *delivery != "email"))
        errors["delivery"].push_back("delivery must be \"link\" or \"email\".");
    else
        transfer.delivery = delivery->get<std::string>();

    if (const auto it = body.find("email_code"); it != body.end() && !it->is_null()) {
        if (it->is_boolean())
            transfer.emailCode = it->get<bool>();
        else
            errors["email_code"].push_back("email_code must be true or false.");
    }

    if (transfer.delivery == "email") {
        const auto recipients = stringList(body, "recipients", errors);
        if (!recipients || recipients->empty() || recipients->size() > maxRecipients) {
            if (!errors.count("recipients"))
                errors["recipients"].push_back("Add from 1 to " + std::to_string(maxRecipients) +
                                               " recipients.");
        } else {
            for (const auto& recipient : *recipients) {
                const auto address = HttpUtil::trimmed(recipient);
                if (!isEmailAddress(address))
                    errors["recipients"].push_back("\"" + recipient +
                                                   "\" is not a valid e-mail address.");
                transfer.recipients.push_back(address);
            }
        }
    }

    transfer.subject = optionalText(body, "subject", 500, errors);
    transfer.message = optionalText(body, "message", 10000, errors);
    if (transfer.subject && HttpUtil::trimmed(*transfer.subject).empty())
        transfer.subject.reset();
    if (transfer.message && HttpUtil::trimmed(*transfer.message).empty())
        transfer.message.reset();

    if (const auto days = expiresIn(body, errors))
        transfer.expiresInDays = *days;

    transfer.password = optionalText(body, "password", 256, errors);
    if (transfer.password && codePoints(*transfer.password) < minPasswordCharacters)
        errors["password"].push_back("The password needs at least " +
                                     std::to_string(minPasswordCharacters) + " characters.");
    if (transfer.password && transfer.emailCode)
        errors["password"].push_back("Choose either a password or an e-mail code, not both.");

    if (transfer.emailCode && transfer.delivery == "link") {
        const auto allowed = stringList(body, "allowed_emails", errors);
        if (!allowed || allowed->empty() || allowed->size() > maxRecipients) {
            if (!errors.count("allowed_emails"))
                errors["allowed_emails"].push_back("Add who can ask for a code.");
        } else {
            for (const auto& entry : *allowed) {
                const auto value = HttpUtil::lower(HttpUtil::trimmed(entry));
                const bool valid =
                    isEmailAddress(value) ||
                    (value.size() > 1 && value.front() == '@' && isDomain(value.substr(1))) ||
                    isDomain(value);
                if (!valid)
                    errors["allowed_emails"].push_back("\"" + entry +
                                                       "\" is neither an address nor a domain.");
                transfer.allowedEmails.push_back(value);
            }
        }
    } else if (transfer.emailCode) {
        // An e-mailed transfer's recipients are the ones who can ask for a code.
        for (const auto& recipient : transfer.recipients)
            transfer.allowedEmails.push_back(HttpUtil::lower(recipient));
    }

    if (!errors.empty())
        return errors;
    return transfer;
}

} // namespace devservice
