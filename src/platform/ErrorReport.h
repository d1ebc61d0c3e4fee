#pragma once

#include <exception>
#include <type_traits>
#include <utility>

// The general error report: shows an error that no handler caught, with its own text, and the
// program goes on.
void ReportError(const std::exception& error);
// Reports the exception being handled (call from a catch block).
void ReportCurrentException();

// Wraps an event handler so that no exception ever leaves it: whatever it throws is reported.
// Every handler of every form is connected through this. A handler that takes no arguments may
// be connected to a signal that has some.
template <class Handler> auto Guarded(Handler handler) {
    return [handler = std::move(handler)](auto&&... args) {
        try {
            if constexpr (std::is_invocable_v<Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (...) {
            ReportCurrentException();
        }
    };
}

// Runs code as an event handler: whatever it throws is reported.
template <class Code> void RunGuarded(Code&& code) {
    Guarded(std::forward<Code>(code))();
}
