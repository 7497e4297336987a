#pragma once

#include "platform/dialogs.h"
#include "platform/failure.h"

#include <concepts>
#include <exception>
#include <utility>

namespace numio {

// The last resort of every handler outside the main window's own: nothing thrown in a handler may
// leave it through Qt, which cannot unwind and ends the program. What escapes is shown in the usual
// "Chyba č." box and the window goes on in the state the failure left.
template <class F> void guarded(Dialogs& dialogs, F&& handler) noexcept {
    try {
        try {
            std::forward<F>(handler)();
        } catch (const Failure& f) {
            dialogs.failure(f);
        } catch (const std::exception& e) {
            dialogs.failure(Failure(kInternal, Failure::describe(kInternal) + QStringLiteral(": ") +
                                                   QString::fromLocal8Bit(e.what())));
        } catch (...) {
            dialogs.failure(Failure(kInternal));
        }
    } catch (...) {
        // The box itself failed (no memory): there is nothing left to tell it with.
    }
}

// A handler for connect(), run guarded: connect(button, &QPushButton::clicked, this,
// guard(dialogs_, [this] { save(); })).
template <class F> auto guard(Dialogs& dialogs, F handler) {
    // Constrained, so that Qt finds how many of the signal's arguments the handler takes.
    return [&dialogs, handler = std::move(handler) ]<class... A>(
        A && ... args) mutable requires std::invocable<F&, A...> {
        guarded(dialogs, [&] { handler(std::forward<A>(args)...); });
    };
}

} // namespace numio
