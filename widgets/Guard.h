#pragma once

#include "AppError.h"
#include "ErrorBox.h"

#include <utility>

// Wraps an event handler so that an error it raises ends the handler and is shown in the
// standard error box, without unwinding through the toolkit's own frames. The signal's
// arguments are not passed on.
template <typename Handler> auto Guarded(Handler handler)
{
    return [handler = std::move(handler)](auto &&...) {
        try {
            handler();
        } catch (const AppError &error) {
            ShowErrorBox(error.message());
        }
    };
}
