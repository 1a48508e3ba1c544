#pragma once
// The one exception type of the resource library.

#include "base/FormattedException.h"

namespace Vx {

struct ExceptionTag;
using Exception = Base::FormattedException<ExceptionTag, 2048>;

} // namespace Vx
