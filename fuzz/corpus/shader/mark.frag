#version 330
void mainImage(out vec4 c, in vec2 at) {}
