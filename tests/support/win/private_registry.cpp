// Each test's hives are keys below HKCU\Software\ZorbitTests, which the
// process sees as HKCU and HKLM (RegOverridePredefKey) until the test ends.
// The shell answers the known folders from the folder values in them; the few
// system keys the code under test needs are copied into the machine's.
#include "support/private_registry.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/win32/wide_text.h"

namespace {

using platform::win32::toWide;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

struct FolderValue {
    const char* key;
    const char* name;
    const char* folder;  // below the sandbox folder
};

const FolderValue kUserFolders[] = {
    {kShellFolders, "Local AppData", "home\\AppData\\Local"},
    {kShellFolders, "{A520A1A4-1780-4FF6-BD18-167343C5AF16}", "home\\AppData\\LocalLow"},
    {kShellFolders, "AppData", "home\\AppData\\Roaming"},
    {kShellFolders, "Desktop", "home\\Desktop"},
    {kShellFolders, "Programs", "home\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
};

const FolderValue kMachineFolders[] = {
    {kShellFolders, "Common AppData", "machine\\ProgramData"},
    {kShellFolders, "Common Programs", "machine\\ProgramData\\Start Menu\\Programs"},
    {kCurrentVersion, "ProgramFilesDir", "machine\\Program Files"},
    {kCurrentVersion, "ProgramFilesDir (x86)", "machine\\Program Files (x86)"},
};

HKEY createKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(parent, toWide(path).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the test key " + path + ": " +
                                 std::to_string(status));
    return key;
}

void setFolders(HKEY hive, const std::string& base, const FolderValue* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const std::string path = base + "\\" + values[i].folder;
        std::filesystem::create_directories(std::filesystem::u8path(path));
        const std::wstring data = toWide(path);
        HKEY key = createKey(hive, values[i].key);
        ::RegSetValueExW(key, toWide(values[i].name).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
}

// What the system itself keeps in the machine's hive and the code under test
// reaches through it: the cryptographic providers (MD5).
const char* const kSystemMachineKeys[] = {"Software\\Microsoft\\Cryptography"};

void copySystemKeys(HKEY machine) {
    for (const char* path : kSystemMachineKeys) {
        HKEY source = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, toWide(path).c_str(), 0, KEY_READ, &source) !=
            ERROR_SUCCESS)
            continue;
        HKEY copy = createKey(machine, path);
        ::RegCopyTreeW(source, nullptr, copy);
        ::RegCloseKey(copy);
        ::RegCloseKey(source);
    }
}

std::string backslashed(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace

PrivateRegistry::PrivateRegistry(const std::string& folder)
    : key_("Software\\ZorbitTests\\" + std::filesystem::u8path(folder).filename().string()) {
    HKEY user = createKey(HKEY_CURRENT_USER, key_ + "\\User");
    HKEY machine = createKey(HKEY_CURRENT_USER, key_ + "\\Machine");
    const std::string base = backslashed(folder);
    setFolders(user, base, kUserFolders, std::size(kUserFolders));
    setFolders(machine, base, kMachineFolders, std::size(kMachineFolders));
    copySystemKeys(machine);
    // The override keeps its own handle.
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine);
    ::RegCloseKey(user);
    ::RegCloseKey(machine);
}

PrivateRegistry::~PrivateRegistry() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, toWide(key_).c_str());
}
