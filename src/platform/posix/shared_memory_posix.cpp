#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/ipc_names.h"
#include "platform/shared_memory.h"

namespace platform {
namespace {

class PosixSharedMemory final : public SharedMemory {
public:
    PosixSharedMemory(void* address, size_t size) : address_(address), size_(size) {}
    ~PosixSharedMemory() override { ::munmap(address_, size_); }
    void* data() override { return address_; }
    size_t size() const override { return size_; }

private:
    void* address_;
    size_t size_;
};

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::createOrOpen(const std::string& name, size_t size) {
    const int fd = posix::openObjectFile(posix::objectFilePath("block", name), O_RDWR | O_CREAT);
    if (fd < 0) {
        setLastErrorFromErrno();
        return nullptr;
    }
    struct stat info {};
    // Growing is safe when two processes create it at once; shrinking never happens.
    if (::fstat(fd, &info) != 0 || (static_cast<size_t>(info.st_size) < size &&
                                    ::ftruncate(fd, static_cast<off_t>(size)) != 0)) {
        setLastErrorFromErrno();
        ::close(fd);
        return nullptr;
    }
    void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED) {
        setLastErrorFromErrno();
        return nullptr;
    }
    return std::make_unique<PosixSharedMemory>(address, size);
}

}  // namespace platform
