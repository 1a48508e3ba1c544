#pragma once
// Vorlik: OpenGL textures made from images, shared through a cache.

#include "base/FormattedException.h"

namespace Vorlik {

struct ExceptionTag;
using Exception = Base::FormattedException<ExceptionTag, 10000>;

} // namespace Vorlik
