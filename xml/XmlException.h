#pragma once
// Xml: a small strict XML reader and writer for the configuration and script files.

#include "base/FormattedException.h"

namespace Xml {

struct XmlExceptionTag;
using XmlException = Base::FormattedException<XmlExceptionTag, 2048>;

} // namespace Xml
