#include "support/file_contents.h"

#include <fstream>
#include <sstream>

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}
