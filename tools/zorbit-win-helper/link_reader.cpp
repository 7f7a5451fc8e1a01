#include <windows.h>
// After windows.h:
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/win32/com_scope.h"
#include "platform/win32/wide_text.h"
#include "win_helper.h"

using platform::win32::ComPointer;

int printLink(const std::string& path) {
    platform::win32::ComScope com;
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.out())) ||
        FAILED(file->Load(platform::win32::toWide(path).c_str(), STGM_READ))) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return 1;
    }
    wchar_t target[MAX_PATH] = L"";
    wchar_t arguments[INFOTIPSIZE] = L"";
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, INFOTIPSIZE);
    std::printf("%s\n%s\n", platform::win32::toUtf8(target).c_str(),
                platform::win32::toUtf8(arguments).c_str());
    return 0;
}
