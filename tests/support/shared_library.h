#pragma once
// A shared library loaded by path, as other programs load the product's, with
// its entry points found by name (the implementation is in support/posix/).

#include <memory>
#include <string>

class SharedLibrary {
public:
    // The library at path, or none with the loader's reason in error.
    static std::unique_ptr<SharedLibrary> load(const std::string& path, std::string& error);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The entry point of that name as a function of type Function; null when missing.
    template <typename Function>
    Function entry(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

private:
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    void* symbol(const char* name) const;

    void* handle_;
};
