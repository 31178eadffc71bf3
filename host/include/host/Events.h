#pragma once

#include "host/Exceptions.h"

#include <QObject>

#include <utility>

namespace host {

// Runs one package handler the way the host runs all of them: whatever it throws is
// reported and goes no further. Qt must never see an exception leave a slot.
template <typename Handler>
void RunHandler(Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// The one way a package binds a handler to a host event (click, pop-up, a form event).
// The handler has the host's notify-event shape, void handler(QObject* sender), and is
// called with the object that fired the event. The binding dies with either object.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection BindEvent(Sender* sender, Signal signal, Receiver* receiver,
                                  void (Receiver::*handler)(QObject*))
{
    return QObject::connect(sender, signal, receiver,
                            [sender, receiver, handler] { RunHandler([&] { (receiver->*handler)(sender); }); });
}

// The same for a handler that needs no sender, or a signal's own arguments.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection BindEvent(Sender* sender, Signal signal, QObject* context, Handler handler)
{
    return QObject::connect(sender, signal, context, [handler](auto&&... args) {
        RunHandler([&] { handler(std::forward<decltype(args)>(args)...); });
    });
}

} // namespace host
