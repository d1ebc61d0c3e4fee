#pragma once

#include <exception>
#include <type_traits>
#include <utility>

// The general error report: shows an error that no handler caught, with its own text, and the
// program goes on. Reporting never throws: when no box can be shown (no application left, or the
// presenter itself fails) the text goes to standard error through qCritical instead, so the
// report may be called from destructors and from the end of the run.
void ReportError(const std::exception& error) noexcept;
// Reports the exception being handled (call from a catch block).
void ReportCurrentException() noexcept;

// Wraps an event handler so that no exception ever leaves it: whatever it throws is reported.
// Every handler of every form is connected through this. A handler that takes no arguments may
// be connected to a signal that has some.
template <class Handler> auto Guarded(Handler handler) {
    return [handler = std::move(handler)](auto&&... args) noexcept {
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
template <class Code> void RunGuarded(Code&& code) noexcept {
    Guarded(std::forward<Code>(code))();
}
