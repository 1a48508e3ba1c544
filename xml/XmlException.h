#pragma once
// Xml: a small strict XML reader and writer for the configuration and script files.

#include <exception>

namespace Xml {

// Carries a printf-style message formatted at the throw; a text longer than the
// buffer is cut to fit.
class XmlException : public std::exception {
public:
    explicit XmlException(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* what() const noexcept override { return message; }

private:
    char message[2048];
};

} // namespace Xml
