#pragma once
// The one exception type of the resource library.

#include <exception>

namespace Vx {

// Carries a printf-style message formatted at the throw; a text longer than the
// buffer is cut to fit.
class Exception : public std::exception {
public:
    explicit Exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* what() const noexcept override { return message; }

private:
    char message[2048];
};

} // namespace Vx
