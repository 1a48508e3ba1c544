#define D(y) (y)+(y)
#define A D(D(x))
#define B A*A
#define L(y) L(y)
void main() { float x = 1.0; gl_FragColor = vec4(D(B) + L(x)); }
