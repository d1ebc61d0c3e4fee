#pragma once

#include <exception>
#include <utility>

// The general error report: shows an error that no handler caught, with its own text, and the
// program goes on.
void ReportError(const std::exception& error);
// Reports the exception being handled (call from a catch block).
void ReportCurrentException();

// Wraps an event handler so that no exception ever leaves it: whatever it throws is reported.
// Every handler of every form is connected through this.
template <class Handler> auto Guarded(Handler handler) {
    return [handler = std::move(handler)](auto&&... args) {
        try {
            handler(std::forward<decltype(args)>(args)...);
        } catch (...) {
            ReportCurrentException();
        }
    };
}
