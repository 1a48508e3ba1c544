#include "marquel/player/StackRoom.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace Marquel {

void makeStackRoom() {
    const rlim_t wanted = static_cast<rlim_t>(STACK_ROOM_BYTES);
    rlimit limit;
    if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur >= wanted)
        return;
    const bool room = limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= wanted;
    limit.rlim_cur = room ? wanted : limit.rlim_max;
    static bool said = false;
    if ((setrlimit(RLIMIT_STACK, &limit) != 0 || !room) && !said) {
        said = true;
        std::fprintf(stderr,
                     "[Marquel] The stack may not grow to %ld MB (ulimit -s); a long shader "
                     "may crash the driver's compiler\n",
                     STACK_ROOM_BYTES >> 20);
    }
}

long stackRoom() {
    rlimit limit;
    if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return STACK_ROOM_BYTES;
    return static_cast<long>(std::min(limit.rlim_cur, static_cast<rlim_t>(STACK_ROOM_BYTES)));
}

} // namespace Marquel
