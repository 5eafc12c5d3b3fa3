#include "CurlUploader.h"
#include "EngineUploader.h"
#include "SinkProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

// HTTP::upload against curl: the same 16 MiB PUTs, three at a time, to the same loopback sink.
// Prints throughput and CPU time per GiB of each, median of the runs, and their ratios.
namespace {

Measurement median(std::vector<Measurement> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measurement& a, const Measurement& b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

void printRow(const char* name, const Measurement& m) {
    std::printf("%-8s %10.0f %14.3f %10.2f\n", name, m.megabytesPerSecond(), m.cpuSecondsPerGiB(),
                m.seconds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption sink("sink", "Serve as the upload sink (used by the benchmark itself).");
    QCommandLineOption totalMiB("total-mib", "Bytes per run in MiB.", "MiB", "1024");
    QCommandLineOption partMiB("part-mib", "Body size in MiB.", "MiB", "16");
    QCommandLineOption inFlight("in-flight", "Uploads at a time.", "count", "3");
    QCommandLineOption runs("runs", "Runs of each contender.", "count", "3");
    parser.addOptions({sink, totalMiB, partMiB, inFlight, runs});
    parser.process(application);
    if (parser.isSet(sink))
        return SinkProcess::runSink();

    SinkProcess sinkProcess;
    UploadPlan plan;
    plan.target = sinkProcess.url();
    plan.partSize = parser.value(partMiB).toLongLong() * 1024 * 1024;
    plan.parts = int(parser.value(totalMiB).toLongLong() * 1024 * 1024 / plan.partSize);
    plan.inFlight = parser.value(inFlight).toInt();
    const int runCount = std::max(1, parser.value(runs).toInt());

    QTemporaryDir directory;
    const QString partFile = directory.filePath("part.bin");
    {
        QFile file(partFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(plan.partSize, 'c')) < 0)
            qFatal("cannot write the part file");
    }
    const CurlUploader curl(plan);

    std::vector<Measurement> engineRuns;
    std::vector<Measurement> curlRuns;
    for (int run = 0; run < runCount; ++run) {
        engineRuns.push_back(EngineUploader::run(plan));
        curlRuns.push_back(curl.run(partFile));
    }
    const Measurement engine = median(engineRuns);
    const Measurement peer = median(curlRuns);

    std::printf(
        "HTTP upload: %lld MiB as %lld MiB PUTs, %d in flight, loopback sink, median of %d\n",
        plan.totalBytes() >> 20, plan.partSize >> 20, plan.inFlight, runCount);
    std::printf("%-8s %10s %14s %10s\n", "", "MB/s", "CPU s/GiB", "seconds");
    printRow("engine", engine);
    printRow("curl", peer);
    std::printf(
        "engine/curl: throughput %.2f (target >= 0.80), CPU per GiB %.2f (target <= 1.50)\n",
        engine.megabytesPerSecond() / peer.megabytesPerSecond(),
        engine.cpuSecondsPerGiB() / peer.cpuSecondsPerGiB());
    std::printf("curl command: %s\n", qPrintable(curl.summary(partFile)));
    return 0;
}
