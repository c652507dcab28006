#pragma once

#include <windows.h>

// Owns a security descriptor that the system allocated for the caller
// (ConvertStringSecurityDescriptorToSecurityDescriptorW) and frees it once.
class ScopedSecurityDescriptor {
public:
    ScopedSecurityDescriptor() = default;
    ~ScopedSecurityDescriptor()
    {
        if (descriptor_)
            LocalFree(descriptor_);
    }
    ScopedSecurityDescriptor(const ScopedSecurityDescriptor&) = delete;
    ScopedSecurityDescriptor& operator=(const ScopedSecurityDescriptor&) = delete;

    PSECURITY_DESCRIPTOR* Receive() { return &descriptor_; }
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};
