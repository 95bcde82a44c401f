#include "web/WebCanvas.h"

#include <GLES2/gl2.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstddef>

namespace flock::web {

namespace {

constexpr const char* kVertexShader = R"(
attribute vec3 position;
attribute vec4 color;
uniform mat4 scene;
varying vec4 shade;
void main() {
    gl_Position = scene * vec4(position, 1.0);
    gl_PointSize = 1.0;
    shade = color;
})";

constexpr const char* kFragmentShader = R"(
precision mediump float;
varying vec4 shade;
void main() { gl_FragColor = shade; })";

GLuint compile(GLenum kind, const char* text, std::string& problem) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        problem = std::string("shader: ") + log;
    }
    return shader;
}

}  // namespace

bool WebCanvas::open(const char* selector, int width, int height, std::string& problem) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.antialias = EM_FALSE;
    // The test and the README's picture read the canvas back after the frame.
    attributes.preserveDrawingBuffer = EM_TRUE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(selector, &attributes);
    if (context <= 0) {
        problem = "this browser gives the page no WebGL";
        return false;
    }
    emscripten_webgl_make_context_current(context);
    aspect_ = static_cast<float>(width) / static_cast<float>(height);
    glViewport(0, 0, width, height);

    GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader, problem);
    GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader, problem);
    if (!problem.empty()) return false;
    program_ = glCreateProgram();
    glAttachShader(program_, vertex);
    glAttachShader(program_, fragment);
    glLinkProgram(program_);
    GLint linked = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (!linked) {
        problem = "the drawing program does not link";
        return false;
    }
    glUseProgram(program_);
    matrixLocation_ = glGetUniformLocation(program_, "scene");
    positionLocation_ = glGetAttribLocation(program_, "position");
    colorLocation_ = glGetAttribLocation(program_, "color");
    glGenBuffers(1, &buffer_);

    // As the window: black, depth-tested with LEQUAL, so a later drawing at the same
    // depth covers an earlier one.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepthf(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    return true;
}

std::vector<float> WebCanvas::sceneMatrix(float aspect, float cameraX, float cameraY, float cameraZ) {
    constexpr float kNear = 0.1f, kFar = 100.0f;
    const float f = 1.0f / std::tan(45.0f * 3.14159265f / 360.0f);
    // Perspective P times translation T, column-major.
    const float p00 = f / aspect, p11 = f, p22 = (kFar + kNear) / (kNear - kFar),
                p23 = 2 * kFar * kNear / (kNear - kFar);
    return {p00, 0, 0, 0,
            0, p11, 0, 0,
            0, 0, p22, -1,
            p00 * cameraX, p11 * cameraY, p22 * cameraZ + p23, -cameraZ};
}

void WebCanvas::beginFrame(float cameraX, float cameraY, float cameraZ) {
    camera_[0] = cameraX;
    camera_[1] = cameraY;
    camera_[2] = cameraZ;
    vertices_.clear();
    runs_.clear();
}

void WebCanvas::setColor(float red, float green, float blue, float alpha) {
    // Pure blue (agent 1's colour) is too dark on the page's black for reading (2.4:1):
    // the page lightens it to about 5.8:1. The desktop window keeps the blue.
    if (red == 0 && green == 0 && blue == 1) {
        red = 0.3f;
        green = 0.5f;
    }
    color_[0] = red;
    color_[1] = green;
    color_[2] = blue;
    color_[3] = alpha;
}

void WebCanvas::add(unsigned mode, float x, float y, float z) {
    if (runs_.empty() || runs_.back().mode != mode) runs_.push_back({mode, vertices_.size(), 0});
    vertices_.push_back({x, y, z, color_[0], color_[1], color_[2], color_[3]});
    runs_.back().count += 1;
}

void WebCanvas::drawPoint(float x, float y, float z) { add(GL_POINTS, x, y, z); }

void WebCanvas::drawLine(float x1, float y1, float z1, float x2, float y2, float z2) {
    add(GL_LINES, x1, y1, z1);
    add(GL_LINES, x2, y2, z2);
}

void WebCanvas::fillRect(float x1, float y1, float x2, float y2) {
    add(GL_TRIANGLES, x1, y1, 0);
    add(GL_TRIANGLES, x2, y1, 0);
    add(GL_TRIANGLES, x2, y2, 0);
    add(GL_TRIANGLES, x1, y1, 0);
    add(GL_TRIANGLES, x2, y2, 0);
    add(GL_TRIANGLES, x1, y2, 0);
}

void WebCanvas::present() {
    const double start = emscripten_get_now();
    drawVertices();
    drawingMs_ += emscripten_get_now() - start;
}

void WebCanvas::drawVertices() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (program_ == 0 || vertices_.empty()) return;
    const std::vector<float> scene = sceneMatrix(aspect_, camera_[0], camera_[1], camera_[2]);
    glUniformMatrix4fv(matrixLocation_, 1, GL_FALSE, scene.data());
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)), vertices_.data(),
                 GL_STREAM_DRAW);
    glEnableVertexAttribArray(positionLocation_);
    glVertexAttribPointer(positionLocation_, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(colorLocation_);
    glVertexAttribPointer(colorLocation_, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, r)));
    for (const Run& run : runs_)
        glDrawArrays(run.mode, static_cast<GLint>(run.first), static_cast<GLsizei>(run.count));
}

}  // namespace flock::web
