#pragma once

#include "Measurement.h"
#include "UploadPlan.h"

// Uploads the plan through HTTP::upload on one URL session, reporting progress as the upload
// engine does, and measures the whole process (the sink runs elsewhere).
class EngineUploader {
public:
    static Measurement run(const UploadPlan& plan);
};
