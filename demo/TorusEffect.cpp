#include "demo/TorusEffect.h"

#include "demo/Random.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

namespace {

using Vec3 = TorusEffect::Vertex;

Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 operator*(const Vec3& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 normalised(const Vec3& a) {
    const float length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return length > 0 ? a * (1 / length) : a;
}

// A point of the knot's centre line; the phase bends two of its axes so the shape drifts.
Vec3 knotPoint(float t, float p, float q, float phase) {
    const float r = 15 + 5 * std::sin(q * t);
    return {r * std::cos(p * t), r * std::cos(q * (t + 0.321f * phase)),
            r * std::sin(p * (t + 0.4321f * phase))};
}

const float PICK_COLOURS[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
const int32_t PICK_KNOTS[4][2] = {{1, 2}, {1, 3}, {2, 3}, {3, 4}};

// One of four outcomes, 0 to 3. In whole numbers: a float product of the largest value rand()
// gives rounds up to 4, one past the tables.
int pickOfFour() {
    return Random::rand() * 4 / (Random::RAND_LIMIT + 1);
}

void vertex(const Vec3& v) {
    glVertex3f(v.x, v.y, v.z);
}

} // namespace

void TorusEffect::load(Marquel::System*) {
    resetParameters();
    color = {1, 0, 0};
    textured = false;
    visible = true;
    zoom = 2;
    lastTime = 0;
    phase = 0;
}

void TorusEffect::start() {
    visible = true;
}

void TorusEffect::trigger(float, const std::string& name, const std::string& value) {
    if (name == "pq") {
        p = std::atoi(value.substr(0, 1).c_str());
        q = std::atoi(value.substr(value.empty() ? 0 : 1, 1).c_str());
    } else if (name == "toggle") {
        visible = !visible;
    } else if (applyTrigger(name, value) && name == "texture") {
        textured = true;
    }
}

void TorusEffect::render(float time, float, float progress) {
    float d = time - lastTime;
    if (d < 0)
        d = 0;
    lastTime = time;

    glLoadIdentity();
    glTranslatef(x, y, zoom * 40 - 100);
    glRotatef(wobbleAngle(progress), 0, 0, 1);
    glRotatef(time * 250, 1, 0, 0);
    glRotatef(time * 100, 0, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    // Seeded by the time alone, so a replayed beat picks the same again.
    Random::srand(static_cast<uint32_t>(static_cast<int32_t>(time * 20000)));
    if (beatSignal->beat > 0)
        pickOnBeat();
    if (visible) {
        buildMesh();
        drawMesh();
    }
    phase += (2 - zoom) * d * 3;
    zoom -= d * 3;
    if (zoom < 0)
        zoom = 0;
}

void TorusEffect::pickOnBeat() {
    zoom = 2;
    const float* picked = PICK_COLOURS[pickOfFour()];
    color = {picked[0], picked[1], picked[2]};
    const int32_t* knot = PICK_KNOTS[pickOfFour()];
    p = knot[0];
    q = knot[1];
}

void TorusEffect::buildMesh() {
    const float fp = static_cast<float>(p);
    const float fq = static_cast<float>(q);
    float t = 0;
    for (int k = 0; k < RINGS; ++k, t += 0.06283186f) {
        const Vec3 p0 = knotPoint(t, fp, fq, phase);
        const Vec3 p1 = knotPoint(t + 0.0062831854f, fp, fq, phase);
        const Vec3 along = p1 - p0;
        const Vec3 b = cross(along, p1 + p0);
        const Vec3 u = normalised(b);
        const Vec3 v = normalised(cross(b, along));
        float a = 0;
        for (int j = 0; j < RING_VERTICES; ++j, a += 0.62831855f) {
            mesh[k * RING_VERTICES + j] = p0 + (v * std::cos(a) + u * std::sin(a)) * 2;
        }
    }
}

void TorusEffect::drawMesh() {
    glLineWidth(3);
    for (int pass = 0; pass < 2; ++pass) {
        // The same shading pattern in both passes and every frame.
        Random::srand(42);
        if (pass == 0)
            glBegin(GL_TRIANGLES);
        for (int k = 0; k < RINGS; ++k)
            for (int j = 0; j < RING_VERTICES; ++j) {
                const Vec3& v1 = vertexAt(k, j);
                const Vec3& v2 = vertexAt(k + 1, j);
                const Vec3& v3 = vertexAt(k + 1, j + 1);
                const Vec3& v4 = vertexAt(k, j + 1);
                const Vec3 n = normalised(cross(v1, v2));
                glNormal3f(n.x, n.y, n.z);
                const float s = static_cast<float>(Random::rand()) * 3.0518509e-05f + 0.4f;
                glColor4f(s * color.red, s * color.green, s * color.blue, alpha);
                if (pass == 0) {
                    vertex(v1);
                    vertex(v2);
                    vertex(v3);
                    vertex(v1);
                    vertex(v3);
                    vertex(v4);
                } else {
                    glColor4f(0.2f, 0.2f, 0.2f, 1);
                    glBegin(GL_LINE_STRIP);
                    vertex(v1);
                    vertex(v2);
                    vertex(v3);
                    vertex(v4);
                    vertex(v1);
                    glEnd();
                }
            }
        if (pass == 0)
            glEnd();
    }
}
