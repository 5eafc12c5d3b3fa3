#include "service/Outbox.h"

#include "service/Clock.h"
#include "service/Secrets.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace devservice {

namespace {
// Header values must stay on one line, whatever the user typed.
std::string headerValue(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}
} // namespace

Outbox::Outbox(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
}

std::filesystem::path Outbox::write(const std::string& to, const std::string& subject,
                                    const std::string& body) {
    const auto now = Clock::nowMs();
    std::string stamp = Clock::wireDate(now);
    std::replace(stamp.begin(), stamp.end(), ':', '-');
    std::filesystem::path file;
    {
        std::lock_guard lock(mutex_);
        char sequence[16];
        std::snprintf(sequence, sizeof sequence, "%06llu",
                      static_cast<unsigned long long>(++sequence_));
        file = folder_ / (stamp + "-" + sequence + "-" + Secrets::randomHex(3) + ".eml");
    }
    const auto temp = std::filesystem::path(file).concat(".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << "From: Parcella <no-reply@parcella.test>\r\n"
            << "To: " << headerValue(to) << "\r\n"
            << "Subject: " << headerValue(subject) << "\r\n"
            << "Date: " << Clock::mailDate(now) << "\r\n"
            << "Message-ID: <" << Secrets::randomHex(12) << "@parcella.test>\r\n"
            << "MIME-Version: 1.0\r\n"
            << "Content-Type: text/plain; charset=utf-8\r\n"
            << "\r\n"
            << body;
        if (!body.empty() && body.back() != '\n')
            out << "\r\n";
        if (!out.flush())
            throw std::runtime_error("cannot write " + temp.string());
    }
    // Readers of the folder never see half a message.
    std::filesystem::rename(temp, file);
    return file;
}

} // namespace devservice
