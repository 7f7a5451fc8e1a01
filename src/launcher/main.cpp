#include <string>
#include <vector>

#include "launcher/simple_module.h"

int main(int argc, char** argv) {
    return launcherMain(std::vector<std::string>(argv, argv + argc));
}
