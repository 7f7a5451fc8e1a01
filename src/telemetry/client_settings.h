#pragma once
// The remotely controlled settings' answer from the client-settings service.

#include <string>

// The body of a GET of the group's client-settings URL with the built-in API
// key, whatever its status. Throws std::runtime_error when there is no answer.
std::string fetchClientSettings(const std::string& baseHost, const std::string& group);
