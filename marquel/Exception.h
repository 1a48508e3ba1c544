#pragma once
// Marquel: the demo player: system, display, timeline, panels and inspector.

#include "base/FormattedException.h"

namespace Marquel {

struct ExceptionTag;
using Exception = Base::FormattedException<ExceptionTag, 2048>;

} // namespace Marquel
