// kx-bench: figures for the README, run by hand (not by ctest).
//
//   kx-bench [--count N] [--latency MS] [--crlf] [--show]
//       the status refresh against the floor of the line, over a pseudo-terminal to kx-sim
//   kx-bench --soak [N] [--only BUTTON,...]
//       memory growth per 10 000 operations over N (default 100000) on the in-process
//       simulator, once the traffic record is full
//   kx-bench --startup [--runs N]
//       time to the shown window and its resident memory, beside an empty QMainWindow
//   kx-bench --ctl [--runs N]
//       kx-ctl -p 3 status against kx-sim, process start to exit, beside a Python script
//   kx-bench --server [--count N] [--seconds S] [--clients N]
//       the time kx-server adds to a query, and clients asking through it at once

#include "Bench.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    kxbench::choosePlatform();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--soak") == 0)
            return kxbench::runSoak(argc, argv);
        if (std::strcmp(argv[i], "--startup") == 0)
            return kxbench::runStartup(argc, argv);
        if (std::strcmp(argv[i], "--ctl") == 0)
            return kxbench::runCtl(argc, argv);
        if (std::strcmp(argv[i], "--server") == 0)
            return kxbench::runServer(argc, argv);
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: kx-bench [--count N] [--latency MS] [--crlf] [--show]\n"
                        "       kx-bench --soak [N] [--only BUTTON,...]\n"
                        "       kx-bench --startup [--runs N]\n"
                        "       kx-bench --ctl [--runs N]\n"
                        "       kx-bench --server [--count N] [--seconds S] [--clients N]\n");
            return 0;
        }
    }
    return kxbench::runRefresh(argc, argv);
}
