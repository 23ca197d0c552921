#pragma once

#include "AppError.h"
#include "ErrorBox.h"

#include <type_traits>
#include <utility>

// Wraps an event handler so that an error it raises ends the handler and is shown in the
// standard error box, without unwinding through the toolkit's own frames. The signal's
// arguments are passed on when the handler takes them.
template <typename Handler> auto Guarded(Handler handler)
{
    return [handler = std::move(handler)](auto &&...args) {
        try {
            if constexpr (std::is_invocable_v<Handler &, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (const AppError &error) {
            ShowErrorBox(error.message());
        }
    };
}

// The same for a window's named handler: Guarded(this, &TForm1::N2Click).
template <typename Window, typename Result, typename... Args>
auto Guarded(Window *window, Result (Window::*handler)(Args...))
{
    return Guarded([window, handler](Args... args) { (window->*handler)(args...); });
}
