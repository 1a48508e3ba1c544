#pragma once

#include <string>

namespace Marquel {
namespace Shader {

// The driver's compiler (Mesa's) goes a call deeper for each operator of an expression, up to
// 550 bytes of stack a token, and its preprocessor copies a nested macro call's arguments once
// for each level around them. A statement may come to this many tokens, its macros expanded
// (at most about 14 MB of stack in a chain of operators, 6 MB in nesting the compiler's parser
// stops at 10,000 levels), where the stack has room for 64 MB (STACK_ROOM_BYTES); a smaller
// stack allows fewer in proportion ...
constexpr long MAX_STATEMENT_TOKENS = 50000;
// ... and all the macros' expansions, the arguments they copy counted, this many (about 80 MB
// of the preprocessor's memory at worst).
constexpr long MAX_EXPANSION_TOKENS = 500000;

// Why text would take the driver's compiler past those bounds ("12: error: ..."), or empty.
// The count is an upper bound: every definition of a macro is taken as in force everywhere,
// a call multiplies its arguments by the most any parameter comes out in the expansion,
// macros that expand each other in a loop and bodies that leave a call open count as
// endless, and "##", which may paste together any macro's name, is refused.
std::string expansionFault(const std::string& text);

} // namespace Shader
} // namespace Marquel
