#pragma once
// The whole launcher process: the stamped launcher run with "-install -q" by a
// standard user in a private home (as the end-to-end tests run it), from its
// start to its end, beside the peer pipeline, alternating in rounds. With
// https the local server answers TLS too and both trust its certificate
// through the standard CA-bundle variable, as real servers answer https.

#include <memory>
#include <string>
#include <vector>

#include "bench_version.h"

struct WholeRunFigures {
    std::vector<double> launcher;  // seconds of each launcher process
    std::vector<double> peer;      // seconds of each peer pipeline
    long peakRssKib = 0;           // the launcher process's, over all rounds
};

// Serves the version's root (pointing its cdn.txt at this server) and keeps
// every round's files until it ends (see the note in main.cpp).
class WholeRunRounds {
public:
    WholeRunRounds(const BenchVersion& version, const std::string& runs, bool https);
    ~WholeRunRounds();

    // Ends the benchmark when a run fails or leaves other files than the version's.
    WholeRunFigures run(int rounds);

private:
    class Runner;
    std::unique_ptr<Runner> runner_;
    bool https_;
};

void printWholeRunFigures(const WholeRunFigures& figures, const char* title);
