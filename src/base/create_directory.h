#pragma once
// Makes one folder of the version tree; its parent must exist.

#include <string>

// An existing folder is success. Any other failure, an existing file of that
// name included, throws std::runtime_error "CreateDirectory '%s' failed: <system text>".
void createDirectory(const std::string& path);
