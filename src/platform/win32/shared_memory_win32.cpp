// Named blocks are file mappings backed by the paging file, which the system
// hands out zero-filled.
#include <windows.h>

#include "platform/shared_memory.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class MappedBlock final : public SharedMemory {
public:
    MappedBlock(HANDLE mapping, void* view, size_t size)
        : mapping_(mapping), view_(view), size_(size) {}
    ~MappedBlock() override {
        ::UnmapViewOfFile(view_);
        ::CloseHandle(mapping_);
    }
    void* data() override { return view_; }
    size_t size() const override { return size_; }

private:
    HANDLE mapping_;
    void* view_;
    size_t size_;
};

HANDLE createOrOpenMapping(const std::wstring& name, size_t size) {
    HANDLE mapping = ::OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
    if (mapping) return mapping;
    const auto size64 = static_cast<ULONGLONG>(size);
    return ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                static_cast<DWORD>(size64 >> 32), static_cast<DWORD>(size64),
                                name.c_str());
}

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::createOrOpen(const std::string& name, size_t size) {
    HANDLE mapping = createOrOpenMapping(win32::toWide(name), size);
    if (!mapping) return nullptr;
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
    if (!view) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(mapping);
        ::SetLastError(error);
        return nullptr;
    }
    return std::make_unique<MappedBlock>(mapping, view, size);
}

}  // namespace platform
