#pragma once
// Vorlik: OpenGL textures made from images, shared through a cache.

#include <exception>

namespace Vorlik {

// Carries a printf-style message formatted at the throw; a text longer than the
// buffer is cut to fit.
class Exception : public std::exception {
public:
    explicit Exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* what() const noexcept override { return message; }

private:
    char message[10000];
};

} // namespace Vorlik
