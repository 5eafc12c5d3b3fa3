#pragma once

#include "Measurement.h"
#include "UploadPlan.h"

#include <QStringList>

// Uploads the plan with one curl process (--parallel) from a file of one part's size, and
// measures that process alone.
class CurlUploader {
public:
    explicit CurlUploader(UploadPlan plan);

    Measurement run(const QString& partFile) const;
    // The curl arguments for `partFile`, the transfers after the first shortened.
    QString summary(const QString& partFile) const;

private:
    QStringList arguments(const QString& partFile) const;

    UploadPlan m_plan;
};
