#include "support/temp_dir.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

TempDir::TempDir() {
    // Windows has no mkdtemp: a fresh name from the process, the time and a
    // counter, made only when nobody has it yet.
    static LONG counter = 0;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "zorbit-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount64()) + "-" +
                                 std::to_string(::InterlockedIncrement(&counter));
        const std::filesystem::path folder = base / name;
        if (::CreateDirectoryW(folder.wstring().c_str(), nullptr)) {
            path_ = folder.string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
    std::string path = path_ + "\\" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
