#include "FileIntake.h"

#include <QtConcurrent>

namespace Parcella {

FileIntake::FileIntake(QObject* parent) : QObject(parent) {
    m_worker.setMaxThreadCount(1);
}

FileIntake::~FileIntake() {
    m_life.request_stop();
    m_worker.waitForDone();
}

void FileIntake::add(QList<QUrl> urls, Done done) {
    const std::stop_token token = m_life.get_token();
    QtConcurrent::run(&m_worker, [urls, token] {
        return FileClassifier::classifyFiles(urls, token);
    }).then(this, std::move(done));
}

void FileIntake::addGathered(Gather gather, Done done) {
    const std::stop_token token = m_life.get_token();
    QtConcurrent::run(&m_worker,
                      [gather = std::move(gather), token]() -> std::optional<ClassifiedFiles> {
                          const QList<QUrl> urls = gather(token);
                          if (urls.isEmpty())
                              return std::nullopt;
                          return FileClassifier::classifyFiles(urls, token);
                      })
        .then(this, [done = std::move(done)](const std::optional<ClassifiedFiles>& found) {
            if (found)
                done(*found);
        });
}

} // namespace Parcella
