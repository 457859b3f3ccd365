// Times Regular passes of the cluster engine: stop value 0.9999, first without component lists,
// then listing peaks 0..20 with 25 ions each. Usage: bench_regular [formula ...]
#include "engine/cluster_engine.h"
#include "engine/workspace.h"
#include "isodata/formula.h"
#include "tests/support/scripted_prompter.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool makeIon(const std::string& formula, mv::IonDefinition& ion) {
    mv::test::ScriptedPrompter prompter;
    mv::Composition comp;
    if (mv::parseFormula(formula, comp, prompter) != mv::ParseResult::Parsed) return false;
    int32_t lastPolyAtomTotal = 0;
    if (mv::checkComposition(comp, 1, mv::kElectronMass, mv::ScanType::Regular, ion, lastPolyAtomTotal, prompter) == 0)
        return false;
    ion.comp = comp;
    ion.polyAtomTotal = lastPolyAtomTotal;
    return true;
}

struct Timing {
    double seconds = 0;  // per pass
    int runs = 0;
    double stored = 0;
    int levels = 0;
};

// Repeats the pass until about a second has gone by (at least once).
Timing timePass(mv::CalcWorkspace& ws, const mv::IonDefinition& ion, bool components) {
    Timing t;
    double spent = 0;
    do {
        for (auto& v : ws.peakFA) v = 0;
        ws.listComponents = components;
        ws.firstListedPeak = 0;
        ws.lastListedPeak = 20;
        ws.maxIonsPerPeak = 25;
        const auto start = Clock::now();
        t.stored = mv::runClusterPass(ws, ion, nullptr, 0);
        spent += std::chrono::duration<double>(Clock::now() - start).count();
        t.levels = ws.levelsDone;
        ++t.runs;
    } while (spent < 1.0);
    t.seconds = spent / t.runs;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> formulas;
    for (int i = 1; i < argc; ++i) formulas.emplace_back(argv[i]);
    if (formulas.empty())
        formulas = {"C6H12O6", "C60", "C254H377N65O75S6", "SnCl4Xe2", "C2934H4615N781O897S39"};

    auto ws = std::make_unique<mv::CalcWorkspace>();
    ws->scanType = static_cast<int>(mv::ScanType::Regular);
    ws->peakSlotCount = mv::kPeakSlotCount;
    ws->stopFA = 0.9999;
    std::printf("%-24s %7s %14s %6s %14s %6s\n", "formula", "levels", "plain s/pass", "runs", "listed s/pass", "runs");
    std::fflush(stdout);
    for (const auto& f : formulas) {
        mv::IonDefinition ion;
        if (!makeIon(f, ion)) {
            std::printf("%-24s refused\n", f.c_str());
            continue;
        }
        // Long passes take minutes: show each figure as soon as it is known.
        const Timing plain = timePass(*ws, ion, false);
        std::printf("%-24s %7d %14.6g %6d", f.c_str(), plain.levels, plain.seconds, plain.runs);
        std::fflush(stdout);
        const Timing listed = timePass(*ws, ion, true);
        std::printf(" %14.6g %6d   stored FA %.6f\n", listed.seconds, listed.runs, plain.stored);
        std::fflush(stdout);
    }
    return 0;
}
