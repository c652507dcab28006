#pragma once

#include <objbase.h>

// COM for the calling thread (apartment-threaded) for the holder's lifetime;
// uninitialised only when the initialisation succeeded.
class ScopedComApartment {
public:
    ScopedComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ScopedComApartment()
    {
        if (initialised_)
            CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

    bool Initialised() const { return initialised_; }

private:
    bool initialised_;
};
