#include "launcher/bootstrapper_zaradada.h"

#include "base/resource_strings.h"
#include "platform/event.h"
#include "system/protocol_scheme.h"
#include "telemetry/counters_client.h"
#include "ui/studio_progress_dialog.h"

namespace {
const char* const kApiKey = "3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863";
}

BootstrapperZARadada::BootstrapperZARadada(void* moduleInstance) : Bootstrapper(moduleInstance) {
    logger().log("BootstrapperZARadada::BootstrapperZARadada");
    protocolScheme_ = protocolSchemeForHost(baseHost(), resourceString(resource_id::kSiteDomain));
}

BootstrapperZARadada::~BootstrapperZARadada() = default;

void BootstrapperZARadada::initialize() {
    logger().log("BootstrapperZARadada::initialize");
    countersClient = std::make_unique<CountersClient>(&logger(), baseHost(), kApiKey);
    Bootstrapper::initialize();
}

void BootstrapperZARadada::createDialog() {
    StudioDialogActions actions{
        [this] { StartZorbitApp(false); }, [this] { return baseHost(); },
        [this](const std::string& line) { logger().log("%s", line.c_str()); }};
    auto dialog = std::make_unique<CStudioProgressDialog>(instance, std::move(actions));
    dialog->create();
    setDialog(std::move(dialog));
}

void BootstrapperZARadada::RegisterEvent(const std::string& name) {
    const std::string counter = "ZARadada" + name;
    logger().log("BootstrapperZARadada::RegisterEvent event=%s", counter.c_str());
    if (countersClient) countersClient->incrementCounter(settings.countersFireImmediately, counter);
}

bool BootstrapperZARadada::parseExtraOption(const std::vector<std::string>& argv, int& index,
                                            int count) {
    const std::string& argument = argv[index];
    auto nextValue = [&]() -> std::string {
        if (index + 1 >= count) return {};
        return argv[++index];
    };
    if (argument == "-build" || argument == "-ide") {
        launchOptions.launchMode = argument;
    } else if (argument == "-avatar") {
        launchOptions.avatar = argument;
    } else if (argument == "-fileLocation") {
        launchOptions.fileLocation = nextValue();
    } else if (argument == "-script") {
        launchOptions.script = nextValue();
    } else if (argument == "-url") {
        launchOptions.url = nextValue();
    } else if (argument == "-ticket") {
        launchOptions.ticket = nextValue();
    } else if (argument == "-readyEvent") {
        launchOptions.readyEvent = nextValue();
    } else if (argument == "-showEvent") {
        launchOptions.showEvent = nextValue();
    } else {
        return false;
    }
    return true;
}
