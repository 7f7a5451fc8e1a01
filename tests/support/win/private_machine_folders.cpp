// Windows has no private mounts: the all-users tests that need them skip.
#include "support/private_machine_folders.h"

PrivateFoldersOutcome runWithPrivateMachineFolders(const std::function<void()>&) {
    return PrivateFoldersOutcome::Unsupported;
}
