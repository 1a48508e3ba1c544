#version 300 es
#extension GL_EXT_gpu_shader4 : \
enable
void mainImage(out vec4 c, in vec2 at) {
  c = vec4(at / iResolution.xy, 0.0, 1.0);
}