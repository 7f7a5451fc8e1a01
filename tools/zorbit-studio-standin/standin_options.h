#pragma once
// How the stand-in behaves, for tests of the launcher's start and shutdown
// logic. Read from "<executable>.conf" next to it (NAME=VALUE lines), then from
// the environment, which wins:
//
//   ZORBIT_STANDIN_START_DELAY_MS    wait before signalling the started event (0)
//   ZORBIT_STANDIN_NO_START_SIGNAL   1: never signal the started event
//   ZORBIT_STANDIN_READY_TIMEOUT_MS  longest wait for the ready event (30000)
//   ZORBIT_STANDIN_LIFETIME_MS       end by itself after this long; empty: never
//   ZORBIT_STANDIN_CLOSE_DELAY_MS    take this long to close when asked (0)
//   ZORBIT_STANDIN_IGNORE_TERM       1: refuse to close when asked, by SIGTERM or WM_CLOSE
//                                    (SIGKILL and TerminateProcess still work)
//   ZORBIT_STANDIN_EXIT_CODE         exit code (0)

#include <cstdint>
#include <optional>
#include <string>

struct StandinOptions {
    uint32_t startDelayMs = 0;
    bool signalStart = true;
    uint32_t readyTimeoutMs = 30000;
    std::optional<uint32_t> lifetimeMs;
    uint32_t closeDelayMs = 0;
    bool ignoreTerm = false;
    int exitCode = 0;
};

StandinOptions loadStandinOptions(const std::string& configPath);
