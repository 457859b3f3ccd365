// Times MSn runs of the engine, each set up through the msn command's own forms and checks, first
// without and then with component lists of the last generation's peaks. Usage: bench_msn
#include "cli/calc_command.h"
#include "cli/cli.h"
#include "engine/msn_engine.h"
#include "engine/workspace.h"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char* label;
    std::vector<std::string> args;  // msn arguments without --components
    const char* components;         // FIRST:LAST of the listed run
};

struct Timing {
    double seconds = 0;  // per run
    int runs = 0;
    double total = 0;
    int components = 0;
};

bool prepare(const Case& c, bool listed) {
    std::vector<std::string> argv{"msn"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    if (listed) argv.insert(argv.end(), {"--components", c.components, "--max-ions", "25"});
    argv.push_back("--no-progress");
    std::ostringstream out, err;
    mv::cli::setStopBeforeCalculation(true);
    const int status = mv::cli::run(argv, out, err);
    mv::cli::setStopBeforeCalculation(false);
    if (status != mv::cli::kExitOk) std::fprintf(stderr, "%s: %s", c.label, err.str().c_str());
    return status == mv::cli::kExitOk;
}

// Repeats the run until about a second has gone by (at least once).
Timing timeRun(mv::CalcWorkspace& ws) {
    Timing t;
    double spent = 0;
    do {
        for (auto& v : ws.peakFA) v = 0;
        const auto start = Clock::now();
        mv::runMsnEngine(ws, ws.ion.polyElemCount, ws.ion.comp, ws.loss.comp);
        spent += std::chrono::duration<double>(Clock::now() - start).count();
        ++t.runs;
    } while (spent < 1.0);
    t.seconds = spent / t.runs;
    t.total = static_cast<double>(ws.totalFA);
    if (ws.listComponents)
        for (int r = 0; r < mv::listedRowCount(ws); ++r) t.components += ws.peakCompCount[r];
    return t;
}

}  // namespace

int main() {
    const std::vector<Case> cases = {
        {"C6H12O6 n=2 i=2", {"C6H12O6", "--steps", "2", "--precursor-peak", "2", "--product", "C6H10O5"}, "0:2"},
        {"C60 n=2 i=4", {"C60", "--steps", "2", "--precursor-peak", "4", "--product", "C58"}, "0:4"},
        {"peptide n=3 i=3 j=2",
         {"C43H66N12O12S2", "--steps", "3", "--precursor-peak", "3", "--product", "C40H61N11O11S2", "--product1-peak",
          "2", "--product2", "C30H50N9O8S"},
         "0:2"},
        {"peptide n=4 i=3 j=2 k=1",
         {"C43H66N12O12S2", "--steps", "4", "--precursor-peak", "3", "--product", "C40H61N11O11S2", "--product1-peak",
          "2", "--product2", "C30H50N9O8S", "--product2-peak", "1", "--product3", "C20H30N5O5"},
         "0:1"},
        {"insulin chain n=2 i=4",
         {"C254H377N65O75S6", "--steps", "2", "--precursor-peak", "4", "--product", "C254H375N65O74S6"}, "0:4"},
        {"insulin chain n=3 i=10 j=8",
         {"C254H377N65O75S6", "--steps", "3", "--precursor-peak", "10", "--product", "C254H375N65O74S6",
          "--product1-peak", "8", "--product2", "C200H300N50O60S4"},
         "0:8"},
    };
    mv::CalcWorkspace& ws = mv::workspace();
    std::printf("%-26s %14s %6s %14s %6s %10s\n", "run", "plain s/run", "runs", "listed s/run", "runs", "components");
    for (const Case& c : cases) {
        if (!prepare(c, false)) continue;
        const Timing plain = timeRun(ws);
        if (!prepare(c, true)) continue;
        const Timing listed = timeRun(ws);
        std::printf("%-26s %14.6g %6d %14.6g %6d %10d   FA of [P+i] %.6e\n", c.label, plain.seconds, plain.runs,
                    listed.seconds, listed.runs, listed.components, plain.total);
        std::fflush(stdout);
    }
    return 0;
}
