#pragma once

#include <QLibrary>

// Sets `function` to the function `name` of `library`, loading the library first; false when
// that fails (the library's errorString() tells why).
template <typename Function>
bool TakeFunction(QLibrary &library, Function &function, const char *name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}
