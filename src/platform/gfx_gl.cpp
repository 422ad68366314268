// The GL renderer behind the display device: one program does the fixed-function work (per-vertex
// lights, fog, texture stage 0, alpha test and blend) from the device's state at each draw. Frames
// are drawn into an offscreen back buffer (multisampled when asked) and resolved at each present
// into a front buffer, which is shown in the window and read back for captures.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gfx_internal.h"

struct GfxGlDevice {
  GLuint program;
  GLuint back_fbo, back_color, back_depth;
  GLuint front_fbo, front_color;
  GLuint sampler;
  GLuint quad_vao, quad_vbo;
  GLuint white_texture;
  bool remap_depth;  // no glClipControl: the shader maps D3D depth 0..1 to GL's -1..1
  int width, height;
};

struct GfxGlTexture {
  GLuint id;
};

struct GfxGlMesh {
  GLuint vao, vbo, ebo;
};

constexpr int kMaxShaderLights = 16;
constexpr int kQuadCapacity = 256;

// ---- The program -------------------------------------------------------------------------------

static const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec2 a_texcoord;

const int MAX_LIGHTS = 16;
uniform bool u_screen;           // a_position in target pixels, coloured u_color
uniform vec2 u_target_size;
uniform vec4 u_color;
uniform mat4 u_world_view;
uniform mat4 u_projection;
uniform mat3 u_normal_matrix;
uniform bool u_remap_depth;
uniform bool u_lighting;
uniform bool u_specular_enable;
uniform bool u_normalize;
uniform vec4 u_ambient;
uniform vec4 u_mat_diffuse, u_mat_ambient, u_mat_specular, u_mat_emissive;
uniform float u_mat_power;
uniform int u_light_count;
uniform int u_light_type[MAX_LIGHTS];
uniform vec4 u_light_diffuse[MAX_LIGHTS];
uniform vec4 u_light_specular[MAX_LIGHTS];
uniform vec4 u_light_ambient[MAX_LIGHTS];
uniform vec3 u_light_position[MAX_LIGHTS];
uniform vec3 u_light_direction[MAX_LIGHTS];
uniform vec4 u_light_atten[MAX_LIGHTS];  // range, attenuation 0, 1, 2
uniform vec3 u_light_spot[MAX_LIGHTS];   // cos(theta / 2), cos(phi / 2), falloff
uniform int u_fog_mode;                  // 0 none, 1 exp, 2 exp2, 3 linear
uniform bool u_range_fog;
uniform vec3 u_fog_params;               // start, end, density

out vec4 v_diffuse;
flat out vec4 v_diffuse_flat;
out vec4 v_specular;
flat out vec4 v_specular_flat;
out vec2 v_texcoord;
out float v_fog;

void main() {
  v_texcoord = a_texcoord;
  if (u_screen) {
    vec2 ndc = vec2(a_position.x / u_target_size.x * 2.0 - 1.0, 1.0 - a_position.y / u_target_size.y * 2.0);
    gl_Position = vec4(ndc, 0.0, 1.0);
    v_diffuse = u_color;
    v_diffuse_flat = u_color;
    v_specular = vec4(0.0);
    v_specular_flat = vec4(0.0);
    v_fog = 1.0;
    return;
  }
  vec4 view_position = u_world_view * vec4(a_position, 1.0);
  gl_Position = u_projection * view_position;
  if (u_remap_depth) gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;

  vec4 diffuse = vec4(1.0);
  vec4 specular = vec4(0.0);
  if (u_lighting) {
    vec3 p = view_position.xyz;
    vec3 n = u_normal_matrix * a_normal;
    if (u_normalize && length(n) > 0.0) n = normalize(n);
    vec3 to_eye = length(p) > 0.0 ? normalize(-p) : vec3(0.0, 0.0, -1.0);
    vec3 lit = vec3(0.0);
    vec3 ambient = u_ambient.rgb;
    vec3 shine = vec3(0.0);
    for (int i = 0; i < u_light_count; i++) {
      vec3 l;
      float atten = 1.0;
      if (u_light_type[i] == 3) {
        l = -u_light_direction[i];
      } else {
        vec3 d = u_light_position[i] - p;
        float dist = length(d);
        float range = u_light_atten[i].x;
        if (dist > range) continue;
        l = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);
        vec3 k = u_light_atten[i].yzw;
        float denominator = k.x + k.y * dist + k.z * dist * dist;
        // Without attenuation factors the light falls off linearly to its range.
        atten = denominator > 0.0 ? 1.0 / denominator : (range > 0.0 ? 1.0 - dist / range : 0.0);
        if (u_light_type[i] == 2) {
          float rho = dot(-l, u_light_direction[i]);
          vec3 s = u_light_spot[i];
          if (rho <= s.y) continue;
          if (rho < s.x) atten *= pow(clamp((rho - s.y) / max(s.x - s.y, 1e-6), 0.0, 1.0), s.z);
        }
      }
      float n_dot_l = max(dot(n, l), 0.0);
      lit += u_light_diffuse[i].rgb * n_dot_l * atten;
      ambient += u_light_ambient[i].rgb * atten;
      if (u_specular_enable && n_dot_l > 0.0) {
        vec3 h = normalize(l + to_eye);
        shine += u_light_specular[i].rgb * pow(max(dot(n, h), 0.0), u_mat_power) * atten;
      }
    }
    diffuse.rgb = u_mat_emissive.rgb + u_mat_ambient.rgb * ambient + u_mat_diffuse.rgb * lit;
    diffuse.a = u_mat_diffuse.a;
    diffuse = clamp(diffuse, 0.0, 1.0);
    specular = vec4(clamp(u_mat_specular.rgb * shine, 0.0, 1.0), 0.0);
  }
  v_diffuse = diffuse;
  v_diffuse_flat = diffuse;
  v_specular = specular;
  v_specular_flat = specular;

  float depth = u_range_fog ? length(view_position.xyz) : view_position.z;
  float f = 1.0;
  if (u_fog_mode == 3) {
    float span = u_fog_params.y - u_fog_params.x;
    f = span != 0.0 ? (u_fog_params.y - depth) / span : (depth < u_fog_params.y ? 1.0 : 0.0);
  } else if (u_fog_mode == 1) {
    f = exp(-u_fog_params.z * depth);
  } else if (u_fog_mode == 2) {
    f = exp(-(u_fog_params.z * depth) * (u_fog_params.z * depth));
  }
  v_fog = clamp(f, 0.0, 1.0);
}
)";

static const char* kFragmentShader = R"(#version 330 core
in vec4 v_diffuse;
flat in vec4 v_diffuse_flat;
in vec4 v_specular;
flat in vec4 v_specular_flat;
in vec2 v_texcoord;
in float v_fog;

uniform bool u_flat;
uniform sampler2D u_texture;
uniform float u_lod_bias;
uniform ivec3 u_color_stage;  // op, arg 1, arg 2
uniform ivec3 u_alpha_stage;
uniform vec4 u_texture_factor;
uniform bool u_specular_enable;
uniform bool u_fog_enable;
uniform vec3 u_fog_color;
uniform int u_alpha_func;     // 0 off, else D3DCMP_
uniform float u_alpha_ref;

out vec4 frag_color;

vec4 Arg(int a, vec4 diffuse, vec4 tex) {
  int which = a & 15;
  if (which == 2) return tex;
  if (which == 3) return u_texture_factor;
  return diffuse;  // diffuse, or the current colour, which is the diffuse at stage 0
}

vec4 Op(int op, vec4 x, vec4 y) {
  if (op == 2) return x;
  if (op == 3) return y;
  if (op == 4) return x * y;
  if (op == 5) return clamp(2.0 * x * y, 0.0, 1.0);
  if (op == 6) return clamp(4.0 * x * y, 0.0, 1.0);
  if (op == 7) return clamp(x + y, 0.0, 1.0);
  if (op == 8) return clamp(x + y - 0.5, 0.0, 1.0);
  if (op == 10) return clamp(x - y, 0.0, 1.0);
  return x;
}

bool Passes(int func, float a, float ref) {
  if (func == 1) return false;
  if (func == 2) return a < ref;
  if (func == 3) return a == ref;
  if (func == 4) return a <= ref;
  if (func == 5) return a > ref;
  if (func == 6) return a != ref;
  if (func == 7) return a >= ref;
  return true;
}

void main() {
  vec4 diffuse = u_flat ? v_diffuse_flat : v_diffuse;
  vec4 specular = u_flat ? v_specular_flat : v_specular;
  vec4 tex = texture(u_texture, v_texcoord, u_lod_bias);
  vec4 color = diffuse;
  if (u_color_stage.x != 1) {
    color.rgb = Op(u_color_stage.x, Arg(u_color_stage.y, diffuse, tex), Arg(u_color_stage.z, diffuse, tex)).rgb;
    if (u_alpha_stage.x != 1) {
      color.a = Op(u_alpha_stage.x, Arg(u_alpha_stage.y, diffuse, tex), Arg(u_alpha_stage.z, diffuse, tex)).a;
    }
  }
  if (u_specular_enable) color.rgb = clamp(color.rgb + specular.rgb, 0.0, 1.0);
  if (u_alpha_func != 0 && !Passes(u_alpha_func, floor(color.a * 255.0 + 0.5), u_alpha_ref)) discard;
  if (u_fog_enable) color.rgb = mix(u_fog_color, color.rgb, v_fog);
  frag_color = color;
}
)";

// Uniform locations, looked up once per program; every device's program has the same layout.
struct Uniforms {
  GLint screen, target_size, color, world_view, projection, normal_matrix, remap_depth, lighting, specular_enable,
      normalize, ambient, mat_diffuse, mat_ambient, mat_specular, mat_emissive, mat_power, light_count, light_type,
      light_diffuse, light_specular, light_ambient, light_position, light_direction, light_atten, light_spot, fog_mode,
      range_fog, fog_params, flat, texture, lod_bias, color_stage, alpha_stage, texture_factor, fog_enable,
      fog_color, alpha_func, alpha_ref;
};
static Uniforms u;

static GLuint Compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "gfx: shader does not compile: %s\n", log);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

static GLuint LinkProgram() {
  GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader);
  GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
  if (!vs || !fs) return 0;
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    std::fprintf(stderr, "gfx: shader program does not link: %s\n", log);
    glDeleteProgram(program);
    return 0;
  }
  auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
  u = {at("u_screen"),          at("u_target_size"),     at("u_color"),           at("u_world_view"),
       at("u_projection"),      at("u_normal_matrix"),   at("u_remap_depth"),     at("u_lighting"),
       at("u_specular_enable"), at("u_normalize"),       at("u_ambient"),         at("u_mat_diffuse"),
       at("u_mat_ambient"),     at("u_mat_specular"),    at("u_mat_emissive"),    at("u_mat_power"),
       at("u_light_count"),     at("u_light_type"),      at("u_light_diffuse"),   at("u_light_specular"),
       at("u_light_ambient"),   at("u_light_position"),  at("u_light_direction"), at("u_light_atten"),
       at("u_light_spot"),      at("u_fog_mode"),        at("u_range_fog"),       at("u_fog_params"),
       at("u_flat"),            at("u_texture"),         at("u_lod_bias"),        at("u_color_stage"),
       at("u_alpha_stage"),     at("u_texture_factor"),  at("u_fog_enable"),      at("u_fog_color"),
       at("u_alpha_func"),      at("u_alpha_ref")};
  return program;
}

// ---- Devices -----------------------------------------------------------------------------------

static IDirect3DDevice8* current_gl;

static void MakeCurrent(IDirect3DDevice8* device) {
  if (current_gl == device) return;
  GlContextMakeCurrent(device);
  current_gl = device;
}

static bool HasClipControl() {
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  if (major > 4 || (major == 4 && minor >= 5)) return true;
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; i++) {
    const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
    if (name && std::strcmp(name, "GL_ARB_clip_control") == 0) return true;
  }
  return false;
}

static void DestroyObjects(GfxGlDevice* g) {
  if (g->program) glDeleteProgram(g->program);
  glDeleteFramebuffers(1, &g->back_fbo);
  glDeleteFramebuffers(1, &g->front_fbo);
  GLuint renderbuffers[] = {g->back_color, g->back_depth, g->front_color};
  glDeleteRenderbuffers(3, renderbuffers);
  glDeleteSamplers(1, &g->sampler);
  glDeleteVertexArrays(1, &g->quad_vao);
  glDeleteBuffers(1, &g->quad_vbo);
  glDeleteTextures(1, &g->white_texture);
}

// GfxVertex in the bound array buffer: position, normal, texture coordinate.
static void SetVertexLayout() {
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(GfxVertex), reinterpret_cast<void*>(0));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(GfxVertex), reinterpret_cast<void*>(12));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(GfxVertex), reinterpret_cast<void*>(24));
}

HRESULT GlCreateDevice(IDirect3DDevice8* device) {
  auto* g = new (std::nothrow) GfxGlDevice{};
  if (!g) return D3DERR_OUTOFVIDEOMEMORY;
  device->gl = g;
  if (!GlContextCreate(device)) {
    delete g;
    device->gl = nullptr;
    return D3DERR_NOTAVAILABLE;
  }
  current_gl = nullptr;
  MakeCurrent(device);
  const D3DPRESENT_PARAMETERS& p = device->params;
  g->width = static_cast<int>(p.BackBufferWidth);
  g->height = static_cast<int>(p.BackBufferHeight);
  GLint max_samples = 0, max_size = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &max_samples);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
  int samples = p.MultiSampleType;
  HRESULT result = S_OK;
  if (samples > max_samples) result = D3DERR_INVALIDCALL;
  if (g->width > max_size || g->height > max_size) result = D3DERR_INVALIDCALL;
  if (SUCCEEDED(result)) {
    g->program = LinkProgram();
    if (!g->program) result = D3DERR_NOTAVAILABLE;
  }
  if (SUCCEEDED(result)) {
    glGenRenderbuffers(1, &g->back_color);
    glBindRenderbuffer(GL_RENDERBUFFER, g->back_color);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, g->width, g->height);
    glGenRenderbuffers(1, &g->back_depth);
    glBindRenderbuffer(GL_RENDERBUFFER, g->back_depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, g->width, g->height);
    glGenFramebuffers(1, &g->back_fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g->back_color);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, g->back_depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) result = D3DERR_OUTOFVIDEOMEMORY;
    glGenRenderbuffers(1, &g->front_color);
    glBindRenderbuffer(GL_RENDERBUFFER, g->front_color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, g->width, g->height);
    glGenFramebuffers(1, &g->front_fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, g->front_fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g->front_color);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) result = D3DERR_OUTOFVIDEOMEMORY;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  if (FAILED(result)) {
    DestroyObjects(g);
    GlContextDestroy(device);
    current_gl = nullptr;
    delete g;
    device->gl = nullptr;
    return result;
  }
  g->remap_depth = !HasClipControl();
  if (!g->remap_depth) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGenSamplers(1, &g->sampler);
  glGenTextures(1, &g->white_texture);
  glBindTexture(GL_TEXTURE_2D, g->white_texture);
  const BYTE white[4] = {255, 255, 255, 255};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glGenVertexArrays(1, &g->quad_vao);
  glBindVertexArray(g->quad_vao);
  glGenBuffers(1, &g->quad_vbo);
  glBindBuffer(GL_ARRAY_BUFFER, g->quad_vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(GfxVertex) * 6 * kQuadCapacity, nullptr, GL_STREAM_DRAW);
  SetVertexLayout();
  glBindVertexArray(0);
  return S_OK;
}

void GlReleaseDevice(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  DestroyObjects(g);
  GlContextDestroy(device);
  current_gl = nullptr;
  delete g;
  device->gl = nullptr;
}

// ---- Clears and presents -----------------------------------------------------------------------

static void ChannelsOf(D3DCOLOR c, float out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f;
  out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f;
  out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

void GlClear(IDirect3DDevice8* device, const D3DRECT* r, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
  glEnable(GL_SCISSOR_TEST);
  glScissor(r->x1, g->height - r->y2, r->x2 - r->x1, r->y2 - r->y1);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  GLbitfield bits = 0;
  if (flags & D3DCLEAR_TARGET) {
    float c[4];
    ChannelsOf(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glClearDepth(z);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  glClear(bits);
  glDisable(GL_SCISSOR_TEST);
}

void GlPresent(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  glDisable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, g->back_fbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g->front_fbo);
  glBlitFramebuffer(0, 0, g->width, g->height, 0, 0, g->width, g->height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  int window_w = 0, window_h = 0;
  if (GlContextWindowSize(device, &window_w, &window_h) && window_w > 0 && window_h > 0) {
    // Scaled to the window keeping the aspect; the rest stays black.
    double scale = std::min(static_cast<double>(window_w) / g->width, static_cast<double>(window_h) / g->height);
    int w = static_cast<int>(g->width * scale), h = static_cast<int>(g->height * scale);
    int x = (window_w - w) / 2, y = (window_h - h) / 2;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, g->front_fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, window_w, window_h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBlitFramebuffer(0, 0, g->width, g->height, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT,
                      w == g->width && h == g->height ? GL_NEAREST : GL_LINEAR);
    GlContextSwap(device);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
}

HRESULT GlReadFrame(IDirect3DDevice8* device, BYTE* rgba) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, g->front_fbo);
  glReadPixels(0, 0, g->width, g->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
  // GL rows run from the bottom; frames are handed out from the top.
  size_t pitch = static_cast<size_t>(g->width) * 4;
  BYTE row[4 * 4096];
  for (int y = 0; y < g->height / 2; y++) {
    BYTE* top = rgba + y * pitch;
    BYTE* bottom = rgba + (g->height - 1 - y) * pitch;
    for (size_t done = 0; done < pitch; done += sizeof row) {
      size_t n = std::min(sizeof row, pitch - done);
      std::memcpy(row, top + done, n);
      std::memcpy(top + done, bottom + done, n);
      std::memcpy(bottom + done, row, n);
    }
  }
  return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_NOTAVAILABLE;
}

// ---- Textures and meshes -----------------------------------------------------------------------

struct GlFormat {
  GLenum internal, format, type;
  bool opaque;  // alpha reads 1
  bool alpha_only;
};

static GlFormat FormatOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_X8R8G8B8:
      return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, true, false};
    case D3DFMT_R5G6B5:
      return {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true, false};
    case D3DFMT_X1R5G5B5:
      return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true, false};
    case D3DFMT_A1R5G5B5:
      return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false, false};
    case D3DFMT_A4R4G4B4:
      return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false, false};
    case D3DFMT_A8:
      return {GL_R8, GL_RED, GL_UNSIGNED_BYTE, false, true};
    default:
      return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, false, false};
  }
}

HRESULT GlCreateTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  auto* t = new (std::nothrow) GfxGlTexture{};
  if (!t) return E_OUTOFMEMORY;
  GlFormat f = FormatOf(texture->format);
  glGenTextures(1, &t->id);
  glBindTexture(GL_TEXTURE_2D, t->id);
  glTexImage2D(GL_TEXTURE_2D, 0, f.internal, texture->width, texture->height, 0, f.format, f.type, texture->pixels);
  if (f.alpha_only) {
    const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  } else if (f.opaque) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, texture->levels == 1 ? 0 : 1000);
  if (texture->levels != 1) glGenerateMipmap(GL_TEXTURE_2D);
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &t->id);
    delete t;
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  texture->gl = t;
  return S_OK;
}

void GlUploadTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  GlFormat f = FormatOf(texture->format);
  glBindTexture(GL_TEXTURE_2D, texture->gl->id);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture->width, texture->height, f.format, f.type, texture->pixels);
  if (texture->levels != 1) glGenerateMipmap(GL_TEXTURE_2D);
}

void GlReleaseTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  glDeleteTextures(1, &texture->gl->id);
  delete texture->gl;
  texture->gl = nullptr;
}

HRESULT GlCreateMesh(GfxMeshBuffer* buffer, const GfxVertex* vertices, const DWORD* indices) {
  MakeCurrent(buffer->device);
  auto* m = new (std::nothrow) GfxGlMesh{};
  if (!m) return E_OUTOFMEMORY;
  glGenVertexArrays(1, &m->vao);
  glBindVertexArray(m->vao);
  glGenBuffers(1, &m->vbo);
  glBindBuffer(GL_ARRAY_BUFFER, m->vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(GfxVertex) * buffer->vertex_count, vertices, GL_STATIC_DRAW);
  glGenBuffers(1, &m->ebo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m->ebo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(DWORD) * buffer->index_count, indices, GL_STATIC_DRAW);
  SetVertexLayout();
  glBindVertexArray(0);
  if (glGetError() != GL_NO_ERROR) {
    glDeleteBuffers(1, &m->vbo);
    glDeleteBuffers(1, &m->ebo);
    glDeleteVertexArrays(1, &m->vao);
    delete m;
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  buffer->gl = m;
  return S_OK;
}

void GlReleaseMesh(GfxMeshBuffer* buffer) {
  MakeCurrent(buffer->device);
  GfxGlMesh* m = buffer->gl;
  glDeleteBuffers(1, &m->vbo);
  glDeleteBuffers(1, &m->ebo);
  glDeleteVertexArrays(1, &m->vao);
  delete m;
  buffer->gl = nullptr;
}

// ---- Drawing -----------------------------------------------------------------------------------

static GLenum BlendOf(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

static GLenum CompareOf(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

static GLenum AddressOf(DWORD address) {
  if (address == D3DTADDRESS_CLAMP) return GL_CLAMP_TO_EDGE;
  if (address == D3DTADDRESS_MIRROR) return GL_MIRRORED_REPEAT;
  return GL_REPEAT;
}

static GLenum MinFilterOf(DWORD min, DWORD mip, bool has_mips) {
  bool linear = min != D3DTEXF_POINT && min != D3DTEXF_NONE;
  if (!has_mips || mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

static void Uniform4(GLint location, const D3DCOLORVALUE& c) { glUniform4f(location, c.r, c.g, c.b, c.a); }

static void UniformColor(GLint location, D3DCOLOR color) {
  float c[4];
  ChannelsOf(color, c);
  glUniform4f(location, c[0], c[1], c[2], c[3]);
}

static void BindTarget(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
  glViewport(0, 0, g->width, g->height);
  glUseProgram(g->program);
  glUniform2f(u.target_size, static_cast<float>(g->width), static_cast<float>(g->height));
  glUniform1i(u.remap_depth, g->remap_depth);
  glUniform1i(u.texture, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindSampler(0, g->sampler);
}

// Texture stage 0: the bound texture (opaque white without one) and its sampler states.
static void BindStage0(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  IDirect3DTexture8* texture = device->textures[0];
  const DWORD* ts = device->stage_states[0];
  glBindTexture(GL_TEXTURE_2D, texture && texture->gl ? texture->gl->id : g->white_texture);
  bool mips = texture && texture->levels != 1;
  glSamplerParameteri(g->sampler, GL_TEXTURE_MIN_FILTER, MinFilterOf(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER], mips));
  glSamplerParameteri(g->sampler, GL_TEXTURE_MAG_FILTER,
                      ts[D3DTSS_MAGFILTER] == D3DTEXF_POINT || ts[D3DTSS_MAGFILTER] == D3DTEXF_NONE ? GL_NEAREST
                                                                                                    : GL_LINEAR);
  glSamplerParameteri(g->sampler, GL_TEXTURE_WRAP_S, AddressOf(ts[D3DTSS_ADDRESSU]));
  glSamplerParameteri(g->sampler, GL_TEXTURE_WRAP_T, AddressOf(ts[D3DTSS_ADDRESSV]));
  glUniform1f(u.lod_bias, BitsFloat(ts[D3DTSS_MIPMAPLODBIAS]));
  glUniform3i(u.color_stage, ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]);
  glUniform3i(u.alpha_stage, ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]);
}

static void ApplyRenderStates(IDirect3DDevice8* device) {
  const DWORD* rs = device->render_states;
  if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && device->params.EnableAutoDepthStencil) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(CompareOf(rs[D3DRS_ZFUNC]));
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  if (rs[D3DRS_ALPHABLENDENABLE]) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendOf(rs[D3DRS_SRCBLEND]), BlendOf(rs[D3DRS_DESTBLEND]));
  } else {
    glDisable(GL_BLEND);
  }
  // Front faces run clockwise on screen; the window keeps the screen's orientation.
  if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_BACK : GL_FRONT);
  }
  GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_POINT ? GL_POINT : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                                         : GL_FILL;
  glPolygonMode(GL_FRONT_AND_BACK, fill);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

static void UploadTransforms(IDirect3DDevice8* device) {
  D3DXMATRIX world_view, inverse, normal;
  D3DXMatrixMultiply(&world_view, &device->transforms[D3DTS_WORLD], &device->transforms[D3DTS_VIEW]);
  glUniformMatrix4fv(u.world_view, 1, GL_FALSE, &world_view.m[0][0]);
  glUniformMatrix4fv(u.projection, 1, GL_FALSE, &device->transforms[D3DTS_PROJECTION].m[0][0]);
  if (!D3DXMatrixInverse(&inverse, nullptr, &world_view)) D3DXMatrixIdentity(&inverse);
  D3DXMatrixTranspose(&normal, &inverse);
  float n[9];
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) n[r * 3 + c] = normal.m[r][c];
  }
  glUniformMatrix3fv(u.normal_matrix, 1, GL_FALSE, n);
}

static void UploadLighting(IDirect3DDevice8* device) {
  const DWORD* rs = device->render_states;
  glUniform1i(u.lighting, rs[D3DRS_LIGHTING] != 0);
  glUniform1i(u.specular_enable, rs[D3DRS_SPECULARENABLE] != 0);
  glUniform1i(u.normalize, rs[D3DRS_NORMALIZENORMALS] != 0);
  if (!rs[D3DRS_LIGHTING]) return;
  UniformColor(u.ambient, rs[D3DRS_AMBIENT]);
  const D3DMATERIAL8& m = device->material;
  Uniform4(u.mat_diffuse, m.Diffuse);
  Uniform4(u.mat_ambient, m.Ambient);
  Uniform4(u.mat_specular, m.Specular);
  Uniform4(u.mat_emissive, m.Emissive);
  glUniform1f(u.mat_power, m.Power);
  GLint type[kMaxShaderLights];
  float diffuse[kMaxShaderLights][4], specular[kMaxShaderLights][4], ambient[kMaxShaderLights][4];
  float position[kMaxShaderLights][3], direction[kMaxShaderLights][3], atten[kMaxShaderLights][4];
  float spot[kMaxShaderLights][3];
  D3DCAPS8 caps;
  GetDeviceCaps(device->direct3d, 0, D3DDEVTYPE_HAL, &caps);
  const D3DXMATRIX& view = device->transforms[D3DTS_VIEW];
  int n = 0;
  for (DWORD i = 0; i < GFX_MAX_LIGHTS && n < static_cast<int>(std::min<DWORD>(caps.MaxActiveLights, kMaxShaderLights));
       i++) {
    if (!device->light_on[i]) continue;
    const D3DLIGHT8& l = device->lights[i];
    type[n] = l.Type;
    const D3DCOLORVALUE* colours[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
    float (*targets[3])[4] = {diffuse, specular, ambient};
    for (int k = 0; k < 3; k++) {
      targets[k][n][0] = colours[k]->r;
      targets[k][n][1] = colours[k]->g;
      targets[k][n][2] = colours[k]->b;
      targets[k][n][3] = colours[k]->a;
    }
    D3DXVECTOR3 p, d;
    D3DXVec3TransformCoord(&p, &l.Position, &view);
    D3DXVec3TransformNormal(&d, &l.Direction, &view);
    D3DXVec3Normalize(&d, &d);
    position[n][0] = p.x, position[n][1] = p.y, position[n][2] = p.z;
    direction[n][0] = d.x, direction[n][1] = d.y, direction[n][2] = d.z;
    atten[n][0] = l.Range, atten[n][1] = l.Attenuation0, atten[n][2] = l.Attenuation1, atten[n][3] = l.Attenuation2;
    spot[n][0] = std::cos(l.Theta / 2), spot[n][1] = std::cos(l.Phi / 2), spot[n][2] = l.Falloff;
    n++;
  }
  glUniform1i(u.light_count, n);
  if (n == 0) return;
  glUniform1iv(u.light_type, n, type);
  glUniform4fv(u.light_diffuse, n, &diffuse[0][0]);
  glUniform4fv(u.light_specular, n, &specular[0][0]);
  glUniform4fv(u.light_ambient, n, &ambient[0][0]);
  glUniform3fv(u.light_position, n, &position[0][0]);
  glUniform3fv(u.light_direction, n, &direction[0][0]);
  glUniform4fv(u.light_atten, n, &atten[0][0]);
  glUniform3fv(u.light_spot, n, &spot[0][0]);
}

static void UploadFogAndAlpha(IDirect3DDevice8* device) {
  const DWORD* rs = device->render_states;
  DWORD mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
  bool fog = rs[D3DRS_FOGENABLE] && mode != D3DFOG_NONE;
  glUniform1i(u.fog_enable, fog);
  glUniform1i(u.fog_mode, fog ? static_cast<GLint>(mode) : 0);
  glUniform1i(u.range_fog, rs[D3DRS_RANGEFOGENABLE] != 0);
  glUniform3f(u.fog_params, BitsFloat(rs[D3DRS_FOGSTART]), BitsFloat(rs[D3DRS_FOGEND]), BitsFloat(rs[D3DRS_FOGDENSITY]));
  float fog_color[4];
  ChannelsOf(rs[D3DRS_FOGCOLOR], fog_color);
  glUniform3f(u.fog_color, fog_color[0], fog_color[1], fog_color[2]);
  glUniform1i(u.flat, rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT);
  UniformColor(u.texture_factor, rs[D3DRS_TEXTUREFACTOR]);
  glUniform1i(u.alpha_func, rs[D3DRS_ALPHATESTENABLE] ? static_cast<GLint>(rs[D3DRS_ALPHAFUNC]) : 0);
  glUniform1f(u.alpha_ref, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
}

void GlDrawMesh(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count) {
  MakeCurrent(device);
  BindTarget(device);
  glUniform1i(u.screen, 0);
  ApplyRenderStates(device);
  UploadTransforms(device);
  UploadLighting(device);
  UploadFogAndAlpha(device);
  BindStage0(device);
  glBindVertexArray(buffer->gl->vao);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(index_count), GL_UNSIGNED_INT,
                 reinterpret_cast<void*>(static_cast<uintptr_t>(first_index) * sizeof(DWORD)));
  glBindVertexArray(0);
}

void GlDrawScreenQuads(IDirect3DDevice8* device, IDirect3DTexture8* texture, const GfxScreenQuad* quads, int count,
                       D3DCOLOR color, const RECT* clip) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  BindTarget(device);
  glUniform1i(u.screen, 1);
  UniformColor(u.color, color);
  glUniform1i(u.lighting, 0);
  glUniform1i(u.specular_enable, 0);
  glUniform1i(u.fog_enable, 0);
  glUniform1i(u.fog_mode, 0);
  glUniform1i(u.flat, 0);
  glUniform1i(u.alpha_func, 0);
  glUniform1f(u.lod_bias, 0.0f);
  glUniform3i(u.color_stage, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  glUniform3i(u.alpha_stage, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (clip) {
    glEnable(GL_SCISSOR_TEST);
    int x1 = std::clamp<int>(clip->left, 0, g->width), x2 = std::clamp<int>(clip->right, 0, g->width);
    int y1 = std::clamp<int>(clip->top, 0, g->height), y2 = std::clamp<int>(clip->bottom, 0, g->height);
    glScissor(x1, g->height - y2, std::max(0, x2 - x1), std::max(0, y2 - y1));
  }
  glBindTexture(GL_TEXTURE_2D, texture->gl->id);
  glSamplerParameteri(g->sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glSamplerParameteri(g->sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glSamplerParameteri(g->sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(g->sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glBindVertexArray(g->quad_vao);
  glBindBuffer(GL_ARRAY_BUFFER, g->quad_vbo);
  static GfxVertex vertices[6 * kQuadCapacity];
  for (int start = 0; start < count; start += kQuadCapacity) {
    int n = std::min(kQuadCapacity, count - start);
    for (int i = 0; i < n; i++) {
      const GfxScreenQuad& q = quads[start + i];
      GfxVertex* v = &vertices[i * 6];
      const GfxVertex corners[4] = {{q.x0, q.y0, 0, 0, 0, 0, q.u0, q.v0},
                                    {q.x1, q.y0, 0, 0, 0, 0, q.u1, q.v0},
                                    {q.x1, q.y1, 0, 0, 0, 0, q.u1, q.v1},
                                    {q.x0, q.y1, 0, 0, 0, 0, q.u0, q.v1}};
      v[0] = corners[0], v[1] = corners[1], v[2] = corners[2];
      v[3] = corners[0], v[4] = corners[2], v[5] = corners[3];
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(GfxVertex) * 6 * n, vertices);
    glDrawArrays(GL_TRIANGLES, 0, 6 * n);
  }
  glBindVertexArray(0);
  glDisable(GL_SCISSOR_TEST);
}
