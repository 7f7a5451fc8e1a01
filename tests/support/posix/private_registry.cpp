// The hive files and the XDG folders follow the sandbox's environment.
#include "support/private_registry.h"

PrivateRegistry::PrivateRegistry(const std::string&) {}

PrivateRegistry::~PrivateRegistry() = default;
