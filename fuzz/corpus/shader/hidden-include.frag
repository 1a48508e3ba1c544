/* a
 */ #include "x"
#inc\
lude "y"
// #include "z"
void main() {}
