#pragma once

#include "FileClassifier.h"

#include <QObject>
#include <QThreadPool>

#include <functional>
#include <stop_token>

namespace Parcella {

// Finds and classifies handed-over files off the main thread, one request at a time, so that
// walking a large folder or reading a batch never stalls the interface and the results come back
// on the main thread in the order they were asked for.
class FileIntake : public QObject {
    Q_OBJECT

public:
    // Runs off the main thread; gives the URLs to classify.
    using Gather = std::function<QList<QUrl>(std::stop_token)>;
    using Done = std::function<void(const ClassifiedFiles&)>;

    explicit FileIntake(QObject* parent = nullptr);
    // Stops a walk still running and waits for it.
    ~FileIntake() override;

    // `done` gets the classification of `urls`, even when it holds nothing.
    void add(QList<QUrl> urls, Done done);
    // `done` gets the classification of what `gather` finds; when that is nothing, the request
    // ends without calling `done`.
    void addGathered(Gather gather, Done done);

private:
    std::stop_source m_life;
    // One thread keeps the requests in order.
    QThreadPool m_worker;
};

} // namespace Parcella
