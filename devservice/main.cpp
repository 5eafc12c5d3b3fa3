// parcella-devservice: a local stand-in for the hosted service. See README.md.
#include "service/DevService.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <thread>

int main(int argc, char** argv) {
    devservice::ServiceOptions options;
    try {
        options = devservice::ServiceOptions::parse({argv + 1, argv + argc});
    } catch (const std::exception& e) {
        std::cerr << "parcella-devservice: " << e.what() << "\n\n"
                  << devservice::ServiceOptions::usage();
        return 2;
    }
    if (options.showHelp) {
        std::cout << devservice::ServiceOptions::usage();
        return 0;
    }
    if (!options.isLoopbackHost() && !options.allowRemote) {
        std::cerr << "parcella-devservice: refusing to listen on " << options.listenHost
                  << " without --allow-remote\n";
        return 2;
    }

    // Block the stop signals before any thread starts so that only the waiter below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        devservice::DevService service(options);
        service.bind();
        std::atomic<bool> finished = false;
        std::thread waiter([&service, &finished, stopSignals] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            // A signal that arrives before the server loop runs would be lost on a single
            // stop(), so keep asking until the loop has ended.
            while (!finished) {
                service.stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        std::printf("parcella-devservice listening on %s\n", service.baseUrl().c_str());
        std::fflush(stdout);
        service.run();
        finished = true;
        // A stop that did not come from a signal leaves the waiter blocked; wake it.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
    } catch (const std::exception& e) {
        std::cerr << "parcella-devservice: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
