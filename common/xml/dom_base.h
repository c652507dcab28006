#pragma once

#include <windows.h>
#include <msxml2.h>

#include <boost/shared_ptr.hpp>

namespace qz_xml {
namespace internal {

// The one COM reference that a group of wrapper copies shares. The pointer is
// kept as the DOM returned it; only the wrapper that built the holder knows its
// interface type.
class QXMLInterfacePtr {
public:
    explicit QXMLInterfacePtr(IUnknown* pointer) : pointer_(pointer) {}
    ~QXMLInterfacePtr()
    {
        if (pointer_)
            pointer_->Release();
    }
    QXMLInterfacePtr(const QXMLInterfacePtr&) = delete;
    QXMLInterfacePtr& operator=(const QXMLInterfacePtr&) = delete;

    IUnknown* Get() const { return pointer_; }

private:
    IUnknown* pointer_;
};

// Takes over the reference of a pointer into a new holder (none for null).
// If an allocation throws, the reference is released before the exception
// leaves.
boost::shared_ptr<QXMLInterfacePtr> MakeInterfaceHolder(IUnknown* pointer);

// Base of every wrapper: one shared holder and the HRESULT of the last DOM
// call made through this wrapper.
template <typename T>
class QXMLDOMBaseT {
public:
    QXMLDOMBaseT() : lastResult_(S_OK) {}
    explicit QXMLDOMBaseT(T* pointer) : holder_(MakeInterfaceHolder(pointer)), lastResult_(S_OK) {}
    QXMLDOMBaseT(const QXMLDOMBaseT& other) : holder_(other.holder_), lastResult_(S_OK) {}
    QXMLDOMBaseT& operator=(const QXMLDOMBaseT& other)
    {
        holder_ = other.holder_;
        lastResult_ = other.lastResult_;
        return *this;
    }

    virtual ~QXMLDOMBaseT() {}
    virtual bool IsValid() const { return holder_ && holder_->Get(); }
    // The raw pointer in the holder; no reference is added.
    virtual T* GetInterface() const { return holder_ ? static_cast<T*>(holder_->Get()) : nullptr; }

    // Wraps another pointer, taking over its reference; the old holder goes
    // when its last sharer does.
    void Attach(T* pointer) { holder_ = MakeInterfaceHolder(pointer); }

    HRESULT GetLastResult() const { return lastResult_; }

protected:
    void SetLastResult(HRESULT hr) { lastResult_ = hr; }

private:
    boost::shared_ptr<QXMLInterfacePtr> holder_;
    HRESULT lastResult_;
};

// Wraps what a DOM call handed back through its out-parameter: the pointer
// when the call succeeded, otherwise an empty wrapper (releasing any pointer
// that a failing call left behind).
template <typename Result, typename Pointer>
Result WrapCallResult(HRESULT hr, Pointer* pointer)
{
    if (SUCCEEDED(hr) && pointer)
        return Result(pointer);
    if (pointer)
        pointer->Release();
    return Result();
}

} // namespace internal
} // namespace qz_xml
