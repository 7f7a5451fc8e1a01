#include "wine/support/wine_prefix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "support/file_contents.h"
#include "support/test_process.h"

namespace fs = std::filesystem;

namespace {

const char* const kWine = "/usr/bin/wine";
const char* const kWineServer = "/usr/bin/wineserver";

std::map<std::string, std::string> wineEnvironment(const std::string& prefix,
                                                   const std::string& home) {
    return {{"WINEPREFIX", prefix},
            {"HOME", home},
            {"WINEDEBUG", "-all"},
            // The menu builder writes the real desktop's menus whatever the prefix.
            {"WINEDLLOVERRIDES", "winemenubuilder.exe=d;mscoree=d;mshtml=d"},
            {"LANG", "C.UTF-8"},
            {"LC_ALL", "C.UTF-8"},
            {"XDG_CONFIG_HOME", home + "/.config"},
            {"XDG_DATA_HOME", home + "/.local/share"}};
}

void mustRun(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             int timeoutMs = 120000) {
    const ChildResult result = runChild(argv, env, timeoutMs);
    if (result.exitCode != 0)
        throw std::runtime_error(argv[0] + " " + (argv.size() > 1 ? argv[1] : "") + " failed (" +
                                 std::to_string(result.exitCode) + "): " + result.err);
}

// The profile's shell folders are links into HOME after the first boot: made
// real folders, so each copy has folders of its own.
void unlinkShellFolders(const std::string& prefix) {
    for (const auto& user : fs::directory_iterator(prefix + "/drive_c/users")) {
        for (const auto& entry : fs::directory_iterator(user.path())) {
            if (!entry.is_symlink()) continue;
            const fs::path folder = entry.path();
            fs::remove(folder);
            fs::create_directory(folder);
        }
    }
}

void makeTemplate(const std::string& prefix, const std::string& home) {
    fs::remove_all(prefix);
    fs::remove_all(home);
    fs::create_directories(home);
    const auto env = wineEnvironment(prefix, home);
    mustRun({"/usr/bin/wineboot", "-i"}, env, 300000);
    // The launcher's prerequisites ask for a browser engine of version 6 or later.
    mustRun({kWine, "reg", "add", "HKLM\\Software\\Microsoft\\Internet Explorer", "/v", "Version",
             "/t", "REG_SZ", "/d", "9.11.0.0", "/f", "/reg:32"},
            env);
    // The registry reaches its files when the server ends.
    mustRun({kWineServer, "-w"}, env);
    unlinkShellFolders(prefix);
}

std::string wineVersion() {
    return runChild({kWine, "--version"}, {}, 60000).out;
}

// The ready prefix. Each test is a process of its own, so the first one that
// needs it makes it in the build folder, under a lock, and the rest of the run
// (and later runs with the same Wine) copy it.
const std::string& templatePrefix() {
    static const std::string path = [] {
        const fs::path root(ZORBIT_WINE_TEMPLATE_DIR);
        fs::create_directories(root);
        const int lock = ::open((root / "lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0)
            throw std::runtime_error("cannot lock " + root.string());
        const std::string prefix = (root / "prefix").string();
        const std::string version = wineVersion();
        if (!fs::exists(root / "ready") || readFile((root / "ready").string()) != version) {
            fs::remove(root / "ready");
            makeTemplate(prefix, (root / "home").string());
            std::ofstream((root / "ready").string(), std::ios::binary) << version;
        }
        ::close(lock);
        return prefix;
    }();
    return path;
}

// Nothing a test runs writes the Windows folder's programs and libraries: the
// copy shares them with the template (hundreds of megabytes per test
// otherwise) and copies every other file.
void copyPrefix(const fs::path& from, const fs::path& to) {
    const fs::path shared = from / "drive_c" / "windows";
    const std::uintmax_t sharedFrom = 64 * 1024;
    fs::create_directories(to);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::end(it); ++it) {
        const fs::path target = to / it->path().lexically_relative(from);
        if (it->is_symlink()) {
            fs::copy_symlink(it->path(), target);
        } else if (it->is_directory()) {
            fs::create_directory(target);
        } else {
            const bool share = it->path().native().rfind(shared.native() + "/", 0) == 0 &&
                               it->file_size() >= sharedFrom;
            std::error_code linkError;
            if (share) fs::create_hard_link(it->path(), target, linkError);
            if (!share || linkError) fs::copy_file(it->path(), target);
        }
    }
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// "name    TYPE    data" of `reg query`.
void addValueLine(const std::string& line, RegistryValues& values) {
    const std::string separator = "    ";
    const size_t typeAt = line.find(separator + "REG_");
    if (typeAt == std::string::npos) return;
    std::string name = line.substr(0, typeAt);
    if (name == "(Default)") name.clear();
    const size_t typeStart = typeAt + separator.size();
    const size_t dataAt = line.find(separator, typeStart);
    const std::string type = line.substr(typeStart, dataAt - typeStart);
    const std::string data =
        dataAt == std::string::npos ? std::string() : line.substr(dataAt + separator.size());
    if (type == "REG_DWORD") {
        values[name] = "dword:" + std::to_string(std::stoul(data, nullptr, 16));
    } else if (type == "REG_EXPAND_SZ") {
        values[name] = "expand:" + data;
    } else {
        values[name] = data;
    }
}

}  // namespace

WinePrefix::WinePrefix() : prefix_(dir_.file("prefix")) {
    fs::create_directories(dir_.file("home"));
    copyPrefix(templatePrefix(), prefix_);
    auto env = environment();
    mustRun({kWineServer, "-p"}, env);
}

WinePrefix::~WinePrefix() {
    // Every Windows program of the prefix ends with its server.
    runChild({kWineServer, "-k"}, environment(), 30000);
    runChild({kWineServer, "-w"}, environment(), 30000);
}

std::map<std::string, std::string> WinePrefix::environment() const {
    auto env = wineEnvironment(prefix_, dir_.file("home"));
    if (const char* display = std::getenv("DISPLAY")) env["DISPLAY"] = display;
    return env;
}

ChildResult WinePrefix::run(const std::vector<std::string>& argv, int timeoutMs,
                            const ChildWatcher& watcher) const {
    std::vector<std::string> command{kWine};
    command.insert(command.end(), argv.begin(), argv.end());
    return runChild(command, environment(), timeoutMs, nullptr, watcher);
}

std::string WinePrefix::unixPath(const std::string& windowsPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return windowsPath;
    std::string rest = windowsPath.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    if (drive == 'z') return rest;
    if (drive == 'c') return prefix_ + "/drive_c" + rest;
    throw std::runtime_error("no Unix path for " + windowsPath);
}

std::string WinePrefix::windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string WinePrefix::profileFolder() const {
    return prefix_ + "/drive_c/users/" + userName() + "/";
}

std::string WinePrefix::userName() {
    const passwd* user = ::getpwuid(::geteuid());
    return user ? user->pw_name : "root";
}

RegistryValues WinePrefix::registryValues(const std::string& key) const {
    const ChildResult result = run({"reg", "query", key, "/reg:32"}, 60000);
    if (result.exitCode != 0) return {{"(no key)", key}};
    RegistryValues values;
    std::istringstream lines(result.out);
    bool inKey = false;
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        // The key's own values follow its name; subkeys' names end them.
        if (line.rfind("HKEY_", 0) == 0) {
            if (inKey) break;
            inKey = true;
            continue;
        }
        if (line.rfind("    ", 0) == 0) addValueLine(line.substr(4), values);
    }
    return values;
}

bool WinePrefix::registryKeyExists(const std::string& key) const {
    return run({"reg", "query", key, "/reg:32"}, 60000).exitCode == 0;
}

void WinePrefix::setRegistryValue(const std::string& key, const std::string& name,
                                  const std::string& value) const {
    std::vector<std::string> command{"reg", "add", key};
    if (name.empty()) {
        command.push_back("/ve");  // the key's default value
    } else {
        command.insert(command.end(), {"/v", name});
    }
    command.insert(command.end(), {"/t", "REG_SZ", "/d", value, "/f", "/reg:32"});
    const ChildResult result = run(command);
    if (result.exitCode != 0) throw std::runtime_error("reg add failed: " + result.err);
}

namespace {

std::string procFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int WinePrefix::killPrograms(const std::string& fileName) const {
    const std::string ownPrefix = std::string("WINEPREFIX=") + prefix_ + '\0';
    int killed = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string variables = '\0' + procFile(entry.path() / "environ");
        if (variables.find('\0' + ownPrefix) == std::string::npos) continue;
        if (procFile(entry.path() / "cmdline").find(fileName) == std::string::npos) continue;
        test_process::killProcess(std::stoi(name));
        ++killed;
    }
    return killed;
}

std::string windowsBuildProgram(const std::string& relativePath) {
    return std::string(ZORBIT_WINDOWS_BUILD_DIR) + "/" + relativePath;
}
