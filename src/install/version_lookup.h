#pragma once
// The process-wide cache of the version lookup (Bootstrapper::fetchVersionGuid).

namespace version_lookup_testing {
// Empties the cache so the next lookup asks the server again.
void clearCache();
}  // namespace version_lookup_testing
