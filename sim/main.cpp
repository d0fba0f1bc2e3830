// mousesim: the virtual mouse. "serve" runs it in the foreground; every other command talks to the
// running mouse through its socket in the runtime folder.
#include "sim/sim_server.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void usage() {
    std::fputs("usage: mousesim serve [--memory FILE]\n"
               "       mousesim plug | unplug | stats | reset-stats\n"
               "       mousesim dump ADDR LEN\n"
               "       mousesim poke ADDR HEX...\n"
               "       mousesim report [-n COUNT] HEX...\n"
               "       mousesim fault [drop-writes N | corrupt-writes N | stall-reads | clear]\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    if (std::strcmp(argv[1], "serve") == 0) {
        sim::ServerOptions options;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--memory") == 0 && i + 1 < argc) {
                options.memoryPath = argv[++i];
            } else {
                usage();
                return 2;
            }
        }
        return sim::runServer(options);
    }
    std::vector<std::string> words(argv + 1, argv + argc);
    return sim::runClient(words);
}
