#pragma once
// Who owns a file or folder and who else may write in it, for the files the
// launcher keeps to the running user.

#include <windows.h>

#include <string>
#include <vector>

namespace platform::win32 {

// A security descriptor that lets only the running user in; folders pass it
// on to what is created inside them.
class OwnerOnlySecurity {
public:
    explicit OwnerOnlySecurity(bool forFolder);
    ~OwnerOnlySecurity();
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    bool valid() const { return descriptor_ != nullptr; }
    SECURITY_ATTRIBUTES* attributes() { return valid() ? &attributes_ : nullptr; }
    // Replaces the object's access list with this one, no longer inherited.
    bool applyTo(HANDLE object) const;

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// Whether the object's owner is the running user (or, in an elevated run,
// the administrators group that owns what that run creates).
bool ownedByThisUser(HANDLE object);

// Whether anyone but the owner, the system and the administrators may add to
// or change the folder.
bool othersMayWrite(HANDLE object);

// Whether anyone but the running user, the system and the administrators
// has any access at all.
bool othersMayAccess(HANDLE object);

// Opens the object (a link itself unless followLinks) for reading its
// attributes and security, and for changing its access list when
// forChange; INVALID_HANDLE_VALUE with the last error set on failure.
HANDLE openForInspection(const std::wstring& path, bool followLinks, bool forChange = false);

// Whether the open object is a regular file on a disk, not a link.
bool isPlainDiskFile(HANDLE object, BY_HANDLE_FILE_INFORMATION& info);

}  // namespace platform::win32
