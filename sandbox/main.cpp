// SPDX-License-Identifier: MIT
// stavelin-sandbox: serves the emulated service on 127.0.0.1 until interrupted.
#include "sandbox/Emulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {
const char *const kUsage =
    "Usage: stavelin-sandbox [options]\n"
    "Serves an in-memory stand-in for the Trello REST interface on 127.0.0.1.\n"
    "\n"
    "  --port N         port to listen on; 0 picks a free one (default 0). The port is\n"
    "                   printed alone on the first line of output\n"
    "  --seed NAME      sample (default), empty or large\n"
    "  --key KEY        the API key to accept (default: the demo key)\n"
    "  --token TOKEN    the token to accept (default: the demo token); \"-\" reads it from\n"
    "                   the first line of standard input, off the command line\n"
    "  --latency-ms N   answer N ms after each request arrives\n"
    "  --rate-limit N   the service's limits (300 requests per key and 200 per member\n"
    "                   in 10 s, 100 per 900 s on /1/members/{id}) with N per token and\n"
    "                   10 s (default 100, the service's figure). 0 = no limits and no\n"
    "                   X-Rate-Limit headers\n"
    "  --key-spent N    N of the key's 300 requests in every 10 s are taken by its other\n"
    "                   users, as when many people run a program with a built-in key\n"
    "  --help           show this text\n"
    "\n"
    "The demo pair is printed by --help only:\n";

bool number(const char *text, int minimum, int maximum, int &out)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < minimum || value > maximum) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    sandbox::Options options;
    int port = 0;
    int keySpent = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << "  key   " << sandbox::kDemoKey << "\n  token "
                      << sandbox::kDemoToken << "\n";
            return 0;
        }
        if (i + 1 >= argc) {
            std::cerr << "stavelin-sandbox: " << arg << " needs a value (see --help)\n";
            return 2;
        }
        const char *value = argv[++i];
        int n = 0;
        bool good = true;
        if (arg == "--port") {
            good = number(value, 0, 65535, port);
        } else if (arg == "--seed") {
            const std::string seed = value;
            good = seed == "sample" || seed == "empty" || seed == "large";
            options.seed = seed == "empty"   ? sandbox::Seed::Empty
                           : seed == "large" ? sandbox::Seed::Large
                                             : sandbox::Seed::Sample;
        } else if (arg == "--key") {
            options.apiKey = value;
            good = !options.apiKey.empty();
        } else if (arg == "--token") {
            options.token = value;
            if (options.token == "-") {
                std::getline(std::cin, options.token);
            }
            good = !options.token.empty();
        } else if (arg == "--latency-ms") {
            good = number(value, 0, 600000, n);
            options.latency = std::chrono::milliseconds(n);
        } else if (arg == "--key-spent") {
            good = number(value, 0, sandbox::RateLimits{}.perKey, keySpent);
        } else if (arg == "--rate-limit") {
            good = number(value, 0, 1000000, n);
            options.rateLimits.reset();
            if (n > 0) {
                options.rateLimits = sandbox::RateLimits{};
                options.rateLimits->perToken = n;
            }
        } else {
            std::cerr << "stavelin-sandbox: unknown option " << arg << " (see --help)\n";
            return 2;
        }
        if (!good) {
            // The value is not echoed: it may be a credential.
            std::cerr << "stavelin-sandbox: bad value for " << arg << "\n";
            return 2;
        }
    }

    if (options.rateLimits) {
        options.rateLimits->keySpentByOthers = keySpent;
    }

    // Every thread started from here on inherits the blocked signals, so only sigwait sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    sandbox::Emulator emulator(options);
    const int bound = emulator.start(port);
    if (bound < 0) {
        std::cerr << "stavelin-sandbox: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    // Alone on the first line, so a script that asked for port 0 can read it back.
    std::cout << bound << std::endl;
    std::cerr << "stavelin-sandbox: serving " << emulator.baseUrl() << "\n";

    int received = 0;
    sigwait(&signals, &received);
    emulator.stop();
    return 0;
}
