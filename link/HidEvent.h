// Event handlers of the HID layer: a method of an object, or any callable. Handlers must compare equal when
// they name the same method of the same object, because the controller hands a new handler only to devices
// that still carry its previous one, and re-setting the device-change handler to the same method must not
// fire it again. A std::function cannot be compared, so the method reference keeps its object and method.
#pragma once

#include <QtGlobal>
#include <array>
#include <cstring>
#include <functional>
#include <memory>

class THidDevice;

template <typename Signature>
class HidEvent;

template <typename R, typename... Args>
class HidEvent<R(Args...)> {
public:
    HidEvent() = default;

    template <typename T>
    HidEvent(T* object, R (T::*method)(Args...))
        : m_call([object, method](Args... args) { return (object->*method)(args...); }), m_object(object),
          m_class(&classTag<T>)
    {
        static_assert(sizeof(method) <= sizeof(m_method), "method pointer larger than expected");
        std::memcpy(m_method.data(), &method, sizeof(method));
    }

    // Any other callable; it equals only its own copies.
    explicit HidEvent(std::function<R(Args...)> call)
        : m_call(std::move(call)), m_token(m_call ? std::make_shared<char>() : nullptr)
    {
    }

    explicit operator bool() const { return bool(m_call); }
    R operator()(Args... args) const { return m_call(args...); }

    bool operator==(const HidEvent& other) const
    {
        if (!m_call || !other.m_call)
            return !m_call && !other.m_call;
        return m_object == other.m_object && m_class == other.m_class && m_method == other.m_method &&
               m_token == other.m_token;
    }

private:
    template <typename T>
    static constexpr char classTag = 0;

    std::function<R(Args...)> m_call;
    const void* m_object = nullptr;
    const void* m_class = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> m_method{};
    std::shared_ptr<char> m_token;
};

using THidPlugEvent = HidEvent<void(THidDevice* HidDev)>;
using THidEnumerateEvent = HidEvent<bool(THidDevice* HidDev, int Idx)>;
using THidDataEvent = HidEvent<void(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size)>;
using THidDataErrorEvent = HidEvent<void(THidDevice* HidDev, quint32 Error)>;
using THidNotifyEvent = HidEvent<void()>;
