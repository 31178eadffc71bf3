#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"

#include <QString>
#include <QUuid>

#include <atomic>
#include <type_traits>
#include <utility>

namespace host {

// Reference-counted interfaces. Each interface names its identifier (IID) and the one
// interface it extends (Parent); an object answers QueryInterface for its interface chain.
class IInterface {
public:
    using Parent = void;
    static QUuid IID() { return QUuid(QStringLiteral("{00000000-0000-0000-C000-000000000046}")); }

    // On success *object holds the interface, already counted, and the call returns true.
    virtual bool QueryInterface(const QUuid& iid, void** object) = 0;
    virtual int _AddRef() = 0;
    virtual int _Release() = 0;

protected:
    virtual ~IInterface() = default; // objects go away by their last _Release
};

// Holds one counted reference to an interface.
template <typename T>
class InterfacePtr {
public:
    InterfacePtr() = default;
    InterfacePtr(std::nullptr_t) {}
    // Takes a new reference on the object.
    explicit InterfacePtr(T* object) : m_object(object)
    {
        if (m_object)
            m_object->_AddRef();
    }
    InterfacePtr(const InterfacePtr& other) : InterfacePtr(other.m_object) {}
    InterfacePtr(InterfacePtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    template <typename U, typename = std::enable_if_t<std::is_base_of_v<T, U>>>
    InterfacePtr(const InterfacePtr<U>& other) : InterfacePtr(static_cast<T*>(other.get()))
    {
    }
    ~InterfacePtr() { reset(); }

    InterfacePtr& operator=(InterfacePtr other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }

    // Adopts a reference that the caller already counted (as QueryInterface returns it).
    static InterfacePtr adopt(T* counted)
    {
        InterfacePtr result;
        result.m_object = counted;
        return result;
    }

    void reset()
    {
        if (T* object = std::exchange(m_object, nullptr))
            object->_Release();
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

// The interface T of an object, or null when it does not support T.
template <typename T>
InterfacePtr<T> Supports(IInterface* object)
{
    void* result = nullptr;
    if (object && object->QueryInterface(T::IID(), &result))
        return InterfacePtr<T>::adopt(static_cast<T*>(result));
    return {};
}

// The interface T of an object; raises EIntfCastError when it does not support T.
template <typename T>
InterfacePtr<T> InterfaceCast(IInterface* object)
{
    InterfacePtr<T> result = Supports<T>(object);
    if (!result)
        throw EIntfCastError(
            QStringLiteral("Interface not supported: %1").arg(T::IID().toString(QUuid::WithBraces).toUpper()));
    return result;
}

// The host library's reference-counted object: the count starts at zero, and the last
// _Release destroys the object. I is the most derived interface it implements.
template <typename I>
class TInterfacedObject : public I {
public:
    TInterfacedObject() = default;
    TInterfacedObject(const TInterfacedObject&) = delete;
    TInterfacedObject& operator=(const TInterfacedObject&) = delete;

    bool QueryInterface(const QUuid& iid, void** object) override
    {
        *object = find<I>(iid);
        if (!*object)
            return false;
        _AddRef();
        return true;
    }
    int _AddRef() override { return ++m_refCount; }
    int _Release() override
    {
        const int count = --m_refCount;
        if (count == 0)
            delete this;
        return count;
    }
    int RefCount() const { return m_refCount; }

protected:
    ~TInterfacedObject() override = default;

private:
    template <typename Iface>
    void* find(const QUuid& iid)
    {
        if (iid == Iface::IID())
            return static_cast<Iface*>(static_cast<I*>(this));
        if constexpr (!std::is_void_v<typename Iface::Parent>)
            return find<typename Iface::Parent>(iid);
        else
            return nullptr;
    }

    std::atomic<int> m_refCount{0};
};

} // namespace host
