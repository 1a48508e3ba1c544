#pragma once

#include "tools/Canvas.h"

#include <string>

namespace Content {

// The pictures of the demo and its player, each drawn from shapes and gradients.
namespace Pictures {

Canvas cool();       // a character in sunglasses
Canvas boner();      // a bone with a face
Canvas bonerTwist(); // the bone caught in a whirl
Canvas scroller();   // a band of lettering across the middle, clear above and below
Canvas star();       // a glowing star sprite, soft alpha to its edge
Canvas brallor();    // a backdrop: evening sky, striped sun, hills and a grid floor
Canvas universe();   // deep space with a nebula, stars and a ringed planet
Canvas logo();       // the player's name for the inspector's header

// The characters of the loader's font strip, one 5-pixel cell each from the left edge;
// every cell after them is blank.
extern const std::string STRIP_ORDER;
Canvas fontStrip();

} // namespace Pictures

} // namespace Content
