#pragma once

namespace Marquel {

// Stack the player's thread may use: the driver's shader compiler recurses once for each
// operator of an expression (see marquel/shader/ShaderBound.h for the texts it is handed).
constexpr long STACK_ROOM_BYTES = 64L << 20;

// Lets the main thread's stack grow to STACK_ROOM_BYTES. Linux grows it on a fault up to the
// soft RLIMIT_STACK as it is then, and keeps at least 128 MB below it free of other mappings,
// so raising the soft limit is enough; says once on standard error when the hard limit is
// lower. Threads made before keep their stacks; those made after (by glibc's default) reserve
// this size too, which costs address space only until their stacks are used.
void makeStackRoom();

// What the main thread's stack may grow to now: the soft limit, at most STACK_ROOM_BYTES.
long stackRoom();

} // namespace Marquel
