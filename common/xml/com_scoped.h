#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/xml/atl_compat.h"

namespace qz_xml {
namespace internal {

// Owns one COM reference and releases it once.
template <typename T>
class ScopedInterface {
public:
    explicit ScopedInterface(T* pointer = nullptr) : pointer_(pointer) {}
    ~ScopedInterface() { Reset(); }
    ScopedInterface(const ScopedInterface&) = delete;
    ScopedInterface& operator=(const ScopedInterface&) = delete;

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Out-parameter for a call that hands over a reference.
    T** Receive()
    {
        Reset();
        return &pointer_;
    }

    T* Detach()
    {
        T* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }

    // Releases the reference held and takes over another one.
    void Reset(T* pointer = nullptr)
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = pointer;
    }

private:
    T* pointer_;
};

// Owns one BSTR and frees it once.
class ScopedBstr {
public:
    ScopedBstr() : bstr_(nullptr) {}
    // Copies a string argument; throws E_OUTOFMEMORY when it cannot be allocated.
    explicit ScopedBstr(const std::wstring& text) : bstr_(SysAllocString(text.c_str()))
    {
        if (!bstr_)
            ATL::AtlThrow(E_OUTOFMEMORY);
    }
    ~ScopedBstr() { SysFreeString(bstr_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;

    BSTR get() const { return bstr_; }
    UINT Length() const { return SysStringLen(bstr_); }

    BSTR* Receive()
    {
        SysFreeString(bstr_);
        bstr_ = nullptr;
        return &bstr_;
    }

private:
    BSTR bstr_;
};

// Owns one VARIANT and clears it once.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT& get() { return value_; }
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_;
};

} // namespace internal
} // namespace qz_xml
