#pragma once
// Base: the pieces every library of the player shares; it knows none of them.

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <exception>

namespace Base {

// Carries a printf-style message formatted at the throw; a text longer than the
// buffer is cut to fit. Each library names its own Tag, so a catch of one library's
// exception never takes another's.
template <typename Tag, size_t Capacity> class FormattedException : public std::exception {
public:
    explicit FormattedException(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
    }
    const char* what() const noexcept override { return message; }

private:
    char message[Capacity];
};

} // namespace Base
