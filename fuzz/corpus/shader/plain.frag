uniform float time;
void main() {
  gl_FragColor = vec4(time);
}
