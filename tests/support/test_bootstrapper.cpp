#include "support/test_bootstrapper.h"

#include <fstream>
#include <sstream>

#include "ui/main_dialog.h"

std::shared_ptr<BootstrapperZARadada> parsedBootstrapper(
    const std::vector<std::string>& arguments) {
    auto bootstrapper = std::make_shared<BootstrapperZARadada>(nullptr);
    bootstrapper->dialog()->setSilent(true);
    std::vector<std::string> argv{"ZorbitStudioLauncherBeta"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    bootstrapper->setArguments(argv);
    bootstrapper->parseCmdLine();
    return bootstrapper;
}
