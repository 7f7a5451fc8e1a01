#pragma once
// The progress record of one package while it is deployed. The worker writes
// it while the deployment driver polls it, so every field is atomic;
// `finished` is the worker's last write.

#include <atomic>
#include <cstdint>

class IInstallerSite;

struct Progress {
    std::atomic<int64_t> done{0};   // bytes of this package received so far
    std::atomic<int64_t> total{0};  // announced length; 0 while unknown or not announced
    std::atomic<bool> finished{false};

    // A transfer's progress callback: runs the site's checkCancel (whose
    // exception ends the transfer), then counts the chunk and the length.
    void update(IInstallerSite& site, int64_t bytes, int64_t contentLength);
};
