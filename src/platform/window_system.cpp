// OS-independent: the choice between the toolkit and the terminal.
#include "platform/window_system.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<WindowSystem*> activeSystem{nullptr};
}

WindowSystem* WindowSystem::active() {
    return activeSystem.load();
}

void WindowSystem::setActive(WindowSystem* system) {
    activeSystem.store(system);
}

std::unique_ptr<ProgressWindow> createProgressWindow(const ProgressWindowContent& content) {
    if (WindowSystem* system = WindowSystem::active()) return system->createProgressWindow(content);
    return createTerminalProgressWindow();
}

}  // namespace platform
