// Shortcuts as shell links (.lnk), written and read through the shell's own
// link object.
#include <windows.h>
// after windows.h, which they need
#include <objidl.h>
#include <shlobj.h>

#include <memory>

#include "platform/shortcut.h"
#include "platform/win32/com_scope.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::ComPointer;
using win32::ComScope;
using win32::toWide;

const char kShortcutExtension[] = ".lnk";
constexpr size_t kLongPathChars = 32768;

// The Win32 error behind an HRESULT, as the last error.
void setLastErrorOf(HRESULT result) {
    const DWORD code = HRESULT_FACILITY(result) == FACILITY_WIN32
                           ? static_cast<DWORD>(HRESULT_CODE(result))
                           : static_cast<DWORD>(ERROR_INVALID_FUNCTION);
    SetLastError(code);
}

bool failedWith(HRESULT result) {
    if (SUCCEEDED(result)) return false;
    setLastErrorOf(result);
    return true;
}

HRESULT createLink(ComPointer<IShellLinkW>& link) {
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            link.out());
}

HRESULT saveLink(IShellLinkW* link, const std::string& path) {
    ComPointer<IPersistFile> file;
    const HRESULT asked = link->QueryInterface(IID_IPersistFile, file.out());
    if (FAILED(asked)) return asked;
    return file->Save(toWide(path).c_str(), TRUE);
}

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < suffix.size(); ++i)
        if (lower(text[text.size() - suffix.size() + i]) != lower(suffix[i])) return false;
    return true;
}

}  // namespace

// The link lives in the apartment it was made in, so the scope stays with it.
struct ShortcutFile::Content {
    ComScope com;
    ComPointer<IShellLinkW> link;
};

std::string shortcutPath(const std::string& folder, const std::string& name) {
    return folder + name + kShortcutExtension;
}

bool isShortcutFileName(const std::string& fileName) {
    return endsWithNoCase(fileName, kShortcutExtension);
}

bool writeShortcut(const std::string& path, const Shortcut& shortcut) {
    const ComScope com;
    ComPointer<IShellLinkW> link;
    if (failedWith(createLink(link))) return false;
    if (failedWith(link->SetPath(toWide(shortcut.target).c_str()))) return false;
    if (failedWith(link->SetArguments(toWide(shortcut.arguments).c_str()))) return false;
    if (failedWith(link->SetDescription(toWide(shortcut.name).c_str()))) return false;
    DeleteFileW(toWide(path).c_str());
    return !failedWith(saveLink(link.get(), path));
}

std::optional<ShortcutFile> ShortcutFile::load(const std::string& path) {
    auto content = std::make_unique<Content>();
    if (failedWith(createLink(content->link))) return std::nullopt;
    ComPointer<IPersistFile> file;
    if (failedWith(content->link->QueryInterface(IID_IPersistFile, file.out())))
        return std::nullopt;
    if (failedWith(file->Load(toWide(path).c_str(), STGM_READ))) return std::nullopt;
    return ShortcutFile(path, std::move(content));
}

ShortcutFile::ShortcutFile(std::string path, std::unique_ptr<Content> content)
    : path_(std::move(path)), content_(std::move(content)) {}
ShortcutFile::ShortcutFile(ShortcutFile&&) noexcept = default;
ShortcutFile& ShortcutFile::operator=(ShortcutFile&&) noexcept = default;
ShortcutFile::~ShortcutFile() = default;

std::string ShortcutFile::target() const {
    std::wstring buffer(kLongPathChars, L'\0');
    if (content_->link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr,
                                SLGP_RAWPATH) != S_OK)
        return {};
    buffer.resize(wcslen(buffer.c_str()));
    return win32::toUtf8(buffer);
}

bool ShortcutFile::retarget(const std::string& target) {
    if (failedWith(content_->link->SetPath(toWide(target).c_str()))) return false;
    return !failedWith(saveLink(content_->link.get(), path_));
}

}  // namespace platform
