// The GL renderer behind the display device: one shader does the fixed-function work (per-vertex
// lights, fog, texture stage 0, alpha test and blend), built into a program for each set of the
// device's states it meets, which takes them as constants. Only state that changed is sent. Frames
// are drawn into an offscreen back buffer (multisampled when asked); at each present it becomes the
// front buffer (swapped, or resolved into it), which is read back for captures, and a window gets
// the frame in one copy.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gfx_internal.h"

constexpr int kMaxShaderLights = 16;
constexpr int kStreamVertices = 8192;  // the ring that text and fill quads stream through
constexpr int kQuadCapacity = kStreamVertices / 6;
constexpr int kMaxPendingClears = 64;
constexpr int kSamplerKeys = 6 * 2 * 3 * 3;  // min filter, mag filter, wrap s, wrap t
constexpr int kFramesQueued = 2;  // presented frames a headless device lets the rasteriser hold
constexpr GLuint kUnknown = 0xFFFFFFFFu;       // a cached binding or state not yet known

// A clear not yet done: clears are held until something draws, reads or presents, so that a run of
// rectangles (a frame's background bands) becomes one clear of depth and stencil and one draw.
struct PendingClear {
  D3DRECT rect;
  DWORD flags;
  D3DCOLOR color;
  float z;
  DWORD stencil;
};

// The values a program's uniforms were last given, so that a draw sends only what changed.
struct UniformShadow {
  float color[4];
  float world_view[16], projection[16], normal_matrix[9];
  float ambient[4], mat_diffuse[4], mat_ambient[4], mat_specular[4], mat_emissive[4], mat_power;
  float light_diffuse[kMaxShaderLights][4], light_specular[kMaxShaderLights][4],
      light_ambient[kMaxShaderLights][4], light_position[kMaxShaderLights][3],
      light_direction[kMaxShaderLights][3], light_atten[kMaxShaderLights][4], light_spot[kMaxShaderLights][3];
  float fog_params[3];
  float lod_bias;
  float texture_factor[4];
  float fog_color[3];
  float alpha_ref;
  D3DXMATRIX world_view_source;  // the world and view the normal matrix was made from
};

// Uniform locations, looked up once per program.
struct Uniforms {
  GLint target_size, color, world_view, projection, normal_matrix, remap_depth, ambient, mat_diffuse, mat_ambient,
      mat_specular, mat_emissive, mat_power, light_diffuse, light_specular, light_ambient, light_position,
      light_direction, light_atten, light_spot, fog_params, texture, lod_bias, texture_factor, fog_color, alpha_ref;
};

// What tells programs apart: their choices, packed (see KeyOf).
struct ProgramKey {
  uint64_t choices, light_types;
  bool operator==(const ProgramKey&) const = default;
};

// One program made for one set of the fixed-function choices that the shaders take as constants
// (its key), with its uniforms' places and last values.
struct GlProgram {
  ProgramKey key;
  GLuint id;
  Uniforms loc;
  UniformShadow shadow;
};
constexpr int kMaxPrograms = 64;

// What the context was last given, so that a draw sends only what changed.
struct GlCache {
  GLuint fbo, texture, sampler, vao;
  GLint depth_test, blend, cull, scissor;  // -1 not known
  GLenum depth_func, blend_src, blend_dst, cull_face, polygon_mode;
  GLint depth_mask;
  GLint scissor_box[4];
};

// What of the device's state a draw reads, compared bytewise: made from zero bytes.
struct DrawInputs {
  IDirect3DTexture8* texture;  // of stage 0
  D3DMATRIX transforms[D3DTS_COUNT];
  DWORD render_states[D3DRS_COUNT];
  DWORD stage_states[D3DTSS_COUNT];  // of stage 0
  D3DMATERIAL8 material;
  D3DLIGHT8 lights[GFX_MAX_LIGHTS];
  bool light_on[GFX_MAX_LIGHTS];
};
static_assert(sizeof(DrawInputs) == sizeof(IDirect3DTexture8*) + sizeof(D3DMATRIX) * D3DTS_COUNT +
                                        sizeof(DWORD) * D3DRS_COUNT + sizeof(DWORD) * D3DTSS_COUNT + sizeof(D3DMATERIAL8) +
                                        (sizeof(D3DLIGHT8) + sizeof(bool)) * GFX_MAX_LIGHTS,
              "no padding, which a bytewise comparison would read");

// One draw of a backdrop: what it reads (its inputs with what the draw leaves unread made zero),
// what it draws, and the serials of its mesh and of its texture's contents, which no other mesh or
// contents share; then its inputs as they were, to draw it again.
struct BackdropDraw {
  DrawInputs reads;
  GfxMeshBuffer* buffer;
  uint64_t mesh_serial, texture_serial;
  UINT first_index, index_count;
  DrawInputs in;  // not compared
};
static_assert(offsetof(BackdropDraw, in) == sizeof(DrawInputs) + sizeof(GfxMeshBuffer*) + 2 * sizeof(uint64_t) +
                                                2 * sizeof(UINT),
              "no padding in what is compared");
constexpr int kBackdropDraws = 8;

// A frame's run of backdrop draws: matching the kept draws so far, drawing the backdrop anew into its
// framebuffer, or watching: drawn into the frame as they come, while the backdrop changes from frame
// to frame (a camera in motion) and keeping it would only add a copy.
enum BackdropRun { RUN_NONE, RUN_MATCHING, RUN_DRAWING, RUN_WATCHING };
constexpr int kBackdropMisses = 2;  // frames in a row drawn anew before the next ones are watched

// The picture a frame starts with when its held clears reach every pixel and the draws after them
// neither test nor write depth (the sky and the stars behind the playfield), kept in a framebuffer
// of its own with what made it: while a frame's clears and draws are those, it is copied instead.
struct Backdrop {
  GLuint fbo, color;  // made when first needed
  bool valid;         // the framebuffer holds the clears and draws below
  PendingClear clears[kMaxPendingClears];
  int clear_count;
  BackdropDraw draws[kBackdropDraws];
  int draw_count;
  BackdropRun run;  // of the frame being drawn
  int run_draws;    // draws of the frame's run so far
  int misses;       // frames in a row whose backdrop was drawn anew
  bool same;        // watching: the frame's run so far is the last frame's
  int last_count;   // watching: the last frame's draws
};

// Where the centre of a texel of a mip level falls in the level above, along one axis: the texel
// before it, the one after (clamped) and the weight of that one in 256ths.
struct Tap {
  int before, after, weight;
};

struct GfxGlDevice {
  GlProgram programs[kMaxPrograms];
  int program_count;
  int program_evictions;
  GlProgram* program;  // in use
  GLuint back_fbo, back_color, back_depth;
  GLuint front_fbo, front_color;
  GLuint samplers[kSamplerKeys];  // made when first asked for
  GLuint quad_vao, fill_vao, stream_vbo;
  int stream_used;  // vertices of the ring handed out since it was last orphaned
  GLuint white_texture;
  bool remap_depth;  // no glClipControl: the shader maps D3D depth 0..1 to GL's -1..1
  bool texture_storage;  // glTexStorage2D makes a texture's levels at once
  bool front_stale;  // the last present went straight to the window; the back buffer holds it
  // Single-sampled with a back buffer discarded at each present: the two buffers trade places at a
  // present (both with the depth buffer) instead of the frame being copied.
  bool swap_buffers;
  GLsync presented[kFramesQueued];  // headless: the last frames presented, done when signalled
  int presented_next;
  int width, height, samples;
  int max_lights;
  PendingClear pending[kMaxPendingClears];
  int pending_count;
  Backdrop backdrop;
  bool to_backdrop;  // draws and clears go to the backdrop's framebuffer
  std::vector<BYTE> mip_levels;  // room for a texture's lower levels while they are made
  std::vector<Tap> mip_taps;     // and for the taps of a level's columns
  GlCache cache;
};

struct GfxGlTexture {
  GLuint id;
  bool opaque;  // every texel's alpha reads 1, so is every mip level's
  uint64_t serial;  // of its contents, new at each upload
};

struct GfxGlMesh {
  GLuint vao, vbo, ebo;
  float low[3], high[3];  // the box around its vertices, in model space
  GLuint color_vbo;       // 0 without vertex colours
  bool colors_opaque;     // every vertex colour has full alpha
  uint64_t serial;
};

static uint64_t last_serial;  // of meshes and texture contents, of every device

// ---- The program -------------------------------------------------------------------------------

// The choices a program is made for come in as macros named like the uniforms they stand for
// (u_mode, u_lighting, u_color_stage, ...), so that each program holds only the path it takes: no
// light loop without lights, no texture read where no stage reads it, no discard without an alpha
// test (which keeps the depth test ahead of the fragment shader).
static const char* kVertexShader = R"(
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec2 a_texcoord;
layout(location = 3) in vec4 a_color;

const int MAX_LIGHTS = 16;
uniform vec2 u_target_size;
uniform vec4 u_color;
uniform mat4 u_world_view;
uniform mat4 u_projection;
uniform mat3 u_normal_matrix;
uniform bool u_remap_depth;
uniform vec4 u_ambient;
uniform vec4 u_mat_diffuse, u_mat_ambient, u_mat_specular, u_mat_emissive;
uniform float u_mat_power;
uniform vec4 u_light_diffuse[MAX_LIGHTS];
uniform vec4 u_light_specular[MAX_LIGHTS];
uniform vec4 u_light_ambient[MAX_LIGHTS];
uniform vec3 u_light_position[MAX_LIGHTS];
uniform vec3 u_light_direction[MAX_LIGHTS];
uniform vec4 u_light_atten[MAX_LIGHTS];  // range, attenuation 0, 1, 2
uniform vec3 u_light_spot[MAX_LIGHTS];   // cos(theta / 2), cos(phi / 2), falloff
uniform vec3 u_fog_params;               // start, end, density

out vec4 v_diffuse;
flat out vec4 v_diffuse_flat;
out vec4 v_specular;
flat out vec4 v_specular_flat;
out vec2 v_texcoord;
out float v_fog;

// Light i, of the given D3DLIGHTTYPE, added to what reaches the vertex at p with normal n.
void AddLight(int i, int type, vec3 p, vec3 n, vec3 to_eye, inout vec3 lit, inout vec3 ambient, inout vec3 shine) {
  vec3 l;
  float atten = 1.0;
  if (type == 3) {
    l = -u_light_direction[i];
  } else {
    vec3 d = u_light_position[i] - p;
    float dist = length(d);
    float range = u_light_atten[i].x;
    if (dist > range) return;
    l = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);
    vec3 k = u_light_atten[i].yzw;
    float denominator = k.x + k.y * dist + k.z * dist * dist;
    // Without attenuation factors the light falls off linearly to its range.
    atten = denominator > 0.0 ? 1.0 / denominator : (range > 0.0 ? 1.0 - dist / range : 0.0);
    if (type == 2) {
      float rho = dot(-l, u_light_direction[i]);
      vec3 s = u_light_spot[i];
      if (rho <= s.y) return;
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

void main() {
  v_texcoord = a_texcoord;
  if (u_mode != 0) {
    vec2 ndc = vec2(a_position.x / u_target_size.x * 2.0 - 1.0, 1.0 - a_position.y / u_target_size.y * 2.0);
    gl_Position = vec4(ndc, 0.0, 1.0);
    vec4 color = u_mode == 2 ? a_color : u_color;
    v_diffuse = color;
    v_diffuse_flat = color;
    v_specular = vec4(0.0);
    v_specular_flat = vec4(0.0);
    v_fog = 1.0;
    return;
  }
  vec4 view_position = u_world_view * vec4(a_position, 1.0);
  gl_Position = u_projection * view_position;
  if (u_remap_depth) gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;

  // A vertex's own colour stands for white unlit and for the material's diffuse colour lit.
  vec4 diffuse = u_vertex_color ? a_color : vec4(1.0);
  vec4 specular = vec4(0.0);
  if (u_lighting) {
    vec4 mat_diffuse = u_vertex_color ? a_color : u_mat_diffuse;
    vec3 p = view_position.xyz;
    vec3 n = u_normal_matrix * a_normal;
    if (u_normalize && length(n) > 0.0) n = normalize(n);
    vec3 to_eye = length(p) > 0.0 ? normalize(-p) : vec3(0.0, 0.0, -1.0);
    vec3 lit = vec3(0.0);
    vec3 ambient = u_ambient.rgb;
    vec3 shine = vec3(0.0);
    LIGHTS  // AddLight(i, type, ...) for each light on, in order
    diffuse.rgb = u_mat_emissive.rgb + u_mat_ambient.rgb * ambient + mat_diffuse.rgb * lit;
    diffuse.a = mat_diffuse.a;
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

static const char* kFragmentShader = R"(
in vec4 v_diffuse;
flat in vec4 v_diffuse_flat;
in vec4 v_specular;
flat in vec4 v_specular_flat;
in vec2 v_texcoord;
in float v_fog;

uniform sampler2D u_texture;
uniform float u_lod_bias;
uniform vec4 u_texture_factor;
uniform vec3 u_fog_color;
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
#if TEXTURED && LOD_BIAS
  vec4 tex = texture(u_texture, v_texcoord, u_lod_bias);
#elif TEXTURED
  vec4 tex = texture(u_texture, v_texcoord);
#else
  vec4 tex = vec4(1.0);  // no stage reads the texture, or none is set: white
#endif
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


// The fixed-function choices a program is made for; values outside a shader's cases are folded
// onto one that does the same, so that equal work shares a program.
struct ProgramChoices {
  int mode = 0;  // 0 the world, 1 screen quads coloured u_color, 2 screen quads coloured per vertex
  int lighting = 0, specular = 0, normalize = 0, light_count = 0, fog_mode = 0, range_fog = 0;
  int flat = 0, textured = 0, fog = 0;
  int lod_bias = 0;  // the texture read takes a bias: with one the rasteriser works the level out per pixel
  int color_op = 0, color_arg1 = 0, color_arg2 = 0, alpha_op = 0, alpha_arg1 = 0, alpha_arg2 = 0;
  int alpha_func = 0;  // 0 no test, else D3DCMP_NEVER to D3DCMP_GREATEREQUAL
  int vertex_color = 0;  // the mesh's vertices carry a diffuse colour
  int light_types[kMaxShaderLights] = {};  // of the lights on, in order: 1 point, 2 spot, 3 directional
  bool vertex_alpha_full = false;  // every vertex colour has full alpha (no part of the key)
};


// Text: the glyphs' coverage times the colour, SELECTARG2 of (texture, diffuse) and alpha modulated.
constexpr ProgramChoices kTextChoices = {.mode = 1, .textured = 1, .color_op = D3DTOP_SELECTARG2,
                                         .alpha_op = D3DTOP_MODULATE, .alpha_arg1 = D3DTA_TEXTURE};
// Cleared rectangles: each vertex's colour as it is.
constexpr ProgramChoices kFillChoices = {.mode = 2, .flat = 1, .color_op = D3DTOP_SELECTARG1,
                                         .alpha_op = D3DTOP_SELECTARG1};

static ProgramKey KeyOf(const ProgramChoices& c) {
  const int fields[] = {c.mode,     c.lighting,   c.specular,   c.normalize, c.light_count, c.fog_mode,
                        c.range_fog, c.flat,      c.textured,   c.fog,       c.color_op,    c.color_arg1,
                        c.color_arg2, c.alpha_op, c.alpha_arg1, c.alpha_arg2, c.alpha_func, c.vertex_color,
                        c.lod_bias};
  const int bits[] = {2, 1, 1, 1, 5, 2, 1, 1, 1, 1, 4, 2, 2, 4, 2, 2, 3, 1, 1};
  uint64_t key = 0;
  for (size_t i = 0; i < sizeof fields / sizeof fields[0]; i++) key = (key << bits[i]) | static_cast<uint64_t>(fields[i]);
  uint64_t types = 0;
  for (int i = 0; i < c.light_count; i++) types |= static_cast<uint64_t>(c.light_types[i]) << (2 * i);
  return {key, types};
}

static GLuint Compile(GLenum kind, const char* header, const char* source) {
  GLuint shader = glCreateShader(kind);
  const char* sources[2] = {header, source};
  glShaderSource(shader, 2, sources, nullptr);
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

static bool LinkProgram(const ProgramChoices& c, GlProgram* out) {
  char vs_header[2048], fs_header[512];
  int length = std::snprintf(vs_header, sizeof vs_header,
                             "#version 330 core\n#define u_mode %d\n#define u_lighting %s\n#define u_specular_enable %s\n"
                             "#define u_normalize %s\n#define u_fog_mode %d\n#define u_range_fog %s\n#define u_vertex_color %s\n"
                             "#define LIGHTS",
                             c.mode, c.lighting ? "true" : "false", c.specular ? "true" : "false",
                             c.normalize ? "true" : "false", c.fog_mode, c.range_fog ? "true" : "false",
                             c.vertex_color ? "true" : "false");
  for (int i = 0; i < c.light_count; i++) {
    length += std::snprintf(vs_header + length, sizeof vs_header - length,
                            " AddLight(%d, %d, p, n, to_eye, lit, ambient, shine);", i, c.light_types[i]);
  }
  std::snprintf(vs_header + length, sizeof vs_header - length, "\n");
  std::snprintf(fs_header, sizeof fs_header,
                "#version 330 core\n#define u_flat %s\n#define TEXTURED %d\n#define LOD_BIAS %d\n#define u_fog_enable %s\n"
                "#define u_specular_enable %s\n#define u_color_stage ivec3(%d, %d, %d)\n"
                "#define u_alpha_stage ivec3(%d, %d, %d)\n#define u_alpha_func %d\n",
                c.flat ? "true" : "false", c.textured, c.lod_bias, c.fog ? "true" : "false",
                c.specular ? "true" : "false", c.color_op, c.color_arg1, c.color_arg2, c.alpha_op, c.alpha_arg1,
                c.alpha_arg2, c.alpha_func);
  GLuint vs = Compile(GL_VERTEX_SHADER, vs_header, kVertexShader);
  GLuint fs = Compile(GL_FRAGMENT_SHADER, fs_header, kFragmentShader);
  if (!vs || !fs) {
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return false;
  }
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
    return false;
  }
  auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
  out->key = KeyOf(c);
  out->id = program;
  out->loc = {at("u_target_size"),    at("u_color"),          at("u_world_view"),      at("u_projection"),
              at("u_normal_matrix"),  at("u_remap_depth"),    at("u_ambient"),         at("u_mat_diffuse"),
              at("u_mat_ambient"),    at("u_mat_specular"),   at("u_mat_emissive"),    at("u_mat_power"),
              at("u_light_diffuse"),  at("u_light_specular"),  at("u_light_ambient"),
              at("u_light_position"), at("u_light_direction"), at("u_light_atten"),    at("u_light_spot"),
              at("u_fog_params"),     at("u_texture"),        at("u_lod_bias"),        at("u_texture_factor"),
              at("u_fog_color"),      at("u_alpha_ref")};
  std::memset(&out->shadow, 0x7F, sizeof out->shadow);  // no uniform is ever given these bytes
  return true;
}

// ---- Devices -----------------------------------------------------------------------------------

static IDirect3DDevice8* current_gl;

static void MakeCurrent(IDirect3DDevice8* device) {
  if (current_gl == device) return;
  GlContextMakeCurrent(device);
  current_gl = device;
}

// Whether the context has the extension, or a version that made it core.
static bool Has(const char* extension, GLint core_major, GLint core_minor) {
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  if (major > core_major || (major == core_major && minor >= core_minor)) return true;
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; i++) {
    const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
    if (name && std::strcmp(name, extension) == 0) return true;
  }
  return false;
}

static void DestroyObjects(GfxGlDevice* g) {
  for (int i = 0; i < g->program_count; i++) glDeleteProgram(g->programs[i].id);
  glDeleteFramebuffers(1, &g->back_fbo);
  glDeleteFramebuffers(1, &g->front_fbo);
  glDeleteFramebuffers(1, &g->backdrop.fbo);
  GLuint renderbuffers[] = {g->back_color, g->back_depth, g->front_color, g->backdrop.color};
  glDeleteRenderbuffers(4, renderbuffers);
  for (GLuint& sampler : g->samplers) {
    if (sampler) glDeleteSamplers(1, &sampler);
  }
  GLuint arrays[] = {g->quad_vao, g->fill_vao};
  glDeleteVertexArrays(2, arrays);
  glDeleteBuffers(1, &g->stream_vbo);
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

// A corner of a filled rectangle: target pixels and a colour. As long as a GfxVertex, so that both
// stream through the one ring at vertex-sized steps.
struct FillVertex {
  float x, y;
  float r, g, b, a;
  float unused[2];
};
static_assert(sizeof(FillVertex) == sizeof(GfxVertex));

static void SetFillLayout() {
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(FillVertex), reinterpret_cast<void*>(0));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, sizeof(FillVertex), reinterpret_cast<void*>(8));
}

static void ForgetState(GfxGlDevice* g) {
  GlCache& c = g->cache;
  std::memset(&c, 0x7F, sizeof c);  // no uniform is ever given these bytes
  c.fbo = c.texture = c.sampler = c.vao = kUnknown;
  c.depth_test = c.blend = c.cull = c.scissor = c.depth_mask = -1;
  c.depth_func = c.blend_src = c.blend_dst = c.cull_face = c.polygon_mode = kUnknown;
}

// Makes a new program current with the uniforms that hold for the device's life.
static void SetDeviceUniforms(GfxGlDevice* g, GlProgram* p) {
  glUseProgram(p->id);
  glUniform2f(p->loc.target_size, static_cast<float>(g->width), static_cast<float>(g->height));
  glUniform1i(p->loc.remap_depth, g->remap_depth);
  glUniform1i(p->loc.texture, 0);
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
  g->samples = samples;
  HRESULT result = S_OK;
  if (samples > max_samples) result = D3DERR_INVALIDCALL;
  if (g->width > max_size || g->height > max_size) result = D3DERR_INVALIDCALL;
  if (SUCCEEDED(result)) {
    // One program up front, so that a context whose compiler fails us is found now.
    if (LinkProgram(kTextChoices, &g->programs[0])) {
      g->program_count = 1;
    } else {
      result = D3DERR_NOTAVAILABLE;
    }
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
    g->swap_buffers = samples <= 1 && p.SwapEffect == D3DSWAPEFFECT_DISCARD;
    if (g->swap_buffers) {
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, g->back_depth);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) result = D3DERR_OUTOFVIDEOMEMORY;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, g->back_fbo);
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
  ForgetState(g);
  D3DCAPS8 caps;
  GetDeviceCaps(device->direct3d, 0, D3DDEVTYPE_HAL, &caps);
  g->max_lights = static_cast<int>(std::min<DWORD>(caps.MaxActiveLights, kMaxShaderLights));
  g->remap_depth = !Has("GL_ARB_clip_control", 4, 5);
  g->texture_storage = Has("GL_ARB_texture_storage", 4, 2);
  if (!g->remap_depth) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // Never changed after this: every write reaches all channels and all stencil bits.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilMask(0xFF);
  glActiveTexture(GL_TEXTURE0);
  g->program = &g->programs[0];
  SetDeviceUniforms(g, g->program);
  glGenTextures(1, &g->white_texture);
  glBindTexture(GL_TEXTURE_2D, g->white_texture);
  const BYTE white[4] = {255, 255, 255, 255};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  g->cache.texture = g->white_texture;
  glGenBuffers(1, &g->stream_vbo);
  glBindBuffer(GL_ARRAY_BUFFER, g->stream_vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(GfxVertex) * kStreamVertices, nullptr, GL_STREAM_DRAW);
  glGenVertexArrays(1, &g->quad_vao);
  glBindVertexArray(g->quad_vao);
  SetVertexLayout();
  glGenVertexArrays(1, &g->fill_vao);
  glBindVertexArray(g->fill_vao);
  SetFillLayout();
  g->cache.vao = g->fill_vao;
  return S_OK;
}

void GlReleaseDevice(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  for (GLsync& fence : g->presented) {
    if (fence) glDeleteSync(fence);
  }
  DestroyObjects(g);
  GlContextDestroy(device);
  current_gl = nullptr;
  delete g;
  device->gl = nullptr;
}

// ---- The state cache ---------------------------------------------------------------------------

static void BindFramebuffer(GfxGlDevice* g, GLuint fbo) {
  if (g->cache.fbo == fbo) return;
  g->cache.fbo = fbo;
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
}

// Draws and clears go to the back buffer (or the backdrop's framebuffer) over its whole size.
static void BindBack(GfxGlDevice* g) {
  GLuint target = g->to_backdrop ? g->backdrop.fbo : g->back_fbo;
  if (g->cache.fbo == target) return;
  BindFramebuffer(g, target);
  glViewport(0, 0, g->width, g->height);
}

static void BindTexture(GfxGlDevice* g, GLuint id) {
  if (g->cache.texture == id) return;
  g->cache.texture = id;
  glBindTexture(GL_TEXTURE_2D, id);
}

static void BindVertexArray(GfxGlDevice* g, GLuint vao) {
  if (g->cache.vao == vao) return;
  g->cache.vao = vao;
  glBindVertexArray(vao);
}

static void Toggle(GLint& cached, GLenum cap, bool on) {
  if (cached == static_cast<GLint>(on)) return;
  cached = on;
  if (on) {
    glEnable(cap);
  } else {
    glDisable(cap);
  }
}

static void SetDepthMask(GfxGlDevice* g, bool on) {
  if (g->cache.depth_mask == static_cast<GLint>(on)) return;
  g->cache.depth_mask = on;
  glDepthMask(on ? GL_TRUE : GL_FALSE);
}

static void SetPolygonMode(GfxGlDevice* g, GLenum mode) {
  if (g->cache.polygon_mode == mode) return;
  g->cache.polygon_mode = mode;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
}

static void SetScissor(GfxGlDevice* g, int x, int y, int w, int h) {
  GLint box[4] = {x, y, w, h};
  Toggle(g->cache.scissor, GL_SCISSOR_TEST, true);
  if (std::memcmp(g->cache.scissor_box, box, sizeof box) == 0) return;
  std::memcpy(g->cache.scissor_box, box, sizeof box);
  glScissor(x, y, w, h);
}

// Copies `value` into `cached` and says whether that changed it (bitwise, so -0 and NaN count too).
template <typename T>
static bool Changed(T& cached, const T& value) {
  if (std::memcmp(&cached, &value, sizeof(T)) == 0) return false;
  std::memcpy(&cached, &value, sizeof(T));
  return true;
}

static void Uniform1f(GLint location, float& cached, float value) {
  if (Changed(cached, value)) glUniform1f(location, value);
}

static void Uniform3f(GLint location, float (&cached)[3], const float (&value)[3]) {
  if (Changed(cached, value)) glUniform3fv(location, 1, value);
}

static void Uniform4f(GLint location, float (&cached)[4], const float (&value)[4]) {
  if (Changed(cached, value)) glUniform4fv(location, 1, value);
}

// Makes the program for those choices current, linking it when first asked for (when all are
// taken, one of them makes room). Null when it cannot be made.
static GlProgram* UseProgram(GfxGlDevice* g, const ProgramChoices& choices) {
  ProgramKey key = KeyOf(choices);
  if (g->program && g->program->key == key) return g->program;
  GlProgram* p = nullptr;
  for (int i = 0; i < g->program_count && !p; i++) {
    if (g->programs[i].key == key) p = &g->programs[i];
  }
  if (!p) {
    if (g->program_count < kMaxPrograms) {
      p = &g->programs[g->program_count++];
    } else {
      p = &g->programs[1 + g->program_evictions++ % (kMaxPrograms - 1)];  // the text program stays
      glDeleteProgram(p->id);
    }
    if (!LinkProgram(choices, p)) {
      p->key = {~uint64_t{0}, 0};  // no choices have this key
      p->id = 0;
      g->program = nullptr;
      return nullptr;
    }
    SetDeviceUniforms(g, p);
  } else {
    glUseProgram(p->id);
  }
  g->program = p;
  return p;
}

// ---- The call log -------------------------------------------------------------------------------

static GfxGlCall gl_calls[GFX_GL_CALL_CAPACITY];
static int gl_call_total;  // calls since the last clear; the ring keeps the newest

int GfxGlCallCount() { return std::min(gl_call_total, GFX_GL_CALL_CAPACITY); }

const GfxGlCall* GfxGlCallAt(int index) {
  if (index < 0 || index >= GfxGlCallCount()) return nullptr;
  return &gl_calls[(gl_call_total - GfxGlCallCount() + index) % GFX_GL_CALL_CAPACITY];
}

void GfxGlClearCalls() { gl_call_total = 0; }

static void LogCall(GfxGlOp op, DWORD flags, const D3DRECT& rect, int count) {
  gl_calls[gl_call_total % GFX_GL_CALL_CAPACITY] = {op, flags, rect, count};
  if (++gl_call_total >= 2 * GFX_GL_CALL_CAPACITY) gl_call_total -= GFX_GL_CALL_CAPACITY;
}

// ---- Clears and presents -----------------------------------------------------------------------

static void EndBackdrop(IDirect3DDevice8* device);

static void ChannelsOf(D3DCOLOR c, float out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f;
  out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f;
  out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

// Room for `count` vertices in the stream ring, as the index of the first. Written unsynchronized:
// a range is handed out once per orphaning, so no draw still queued reads it.
static GfxVertex* MapStream(GfxGlDevice* g, int count, GLint* first) {
  glBindBuffer(GL_ARRAY_BUFFER, g->stream_vbo);
  if (g->stream_used + count > kStreamVertices) {
    glBufferData(GL_ARRAY_BUFFER, sizeof(GfxVertex) * kStreamVertices, nullptr, GL_STREAM_DRAW);
    g->stream_used = 0;
  }
  *first = g->stream_used;
  void* p = glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(sizeof(GfxVertex)) * g->stream_used,
                             static_cast<GLsizeiptr>(sizeof(GfxVertex)) * count,
                             GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
  g->stream_used += count;
  return static_cast<GfxVertex*>(p);
}

static void ClearNow(GfxGlDevice* g, const PendingClear& c) {
  BindBack(g);
  const D3DRECT& r = c.rect;
  if (r.x1 == 0 && r.y1 == 0 && r.x2 == g->width && r.y2 == g->height) {
    Toggle(g->cache.scissor, GL_SCISSOR_TEST, false);
  } else {
    SetScissor(g, r.x1, g->height - r.y2, r.x2 - r.x1, r.y2 - r.y1);
  }
  SetDepthMask(g, true);
  LogCall(GFX_GL_CLEAR, c.flags, r, 0);
  GLbitfield bits = 0;
  if (c.flags & D3DCLEAR_TARGET) {
    float rgba[4];
    ChannelsOf(c.color, rgba);
    glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (c.flags & D3DCLEAR_ZBUFFER) {
    glClearDepth(c.z);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (c.flags & D3DCLEAR_STENCIL) {
    glClearStencil(static_cast<GLint>(c.stencil & 0xFF));
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  glClear(bits);
}

static bool CoversTarget(const GfxGlDevice* g, const D3DRECT& r) {
  return r.x1 == 0 && r.y1 == 0 && r.x2 == g->width && r.y2 == g->height;
}

// Whether the clears of `part` in the list are rows across the whole width that together reach
// every row of the target.
static bool RowsReachEveryRow(const GfxGlDevice* g, const PendingClear* list, int count, DWORD part) {
  int rows[kMaxPendingClears][2];
  int n = 0;
  for (int i = 0; i < count; i++) {
    const PendingClear& c = list[i];
    if (!(c.flags & part)) continue;
    if (c.rect.x1 != 0 || c.rect.x2 != g->width) return false;
    // Insertion by top edge.
    int k = n++;
    for (; k > 0 && rows[k - 1][0] > c.rect.y1; k--) {
      rows[k][0] = rows[k - 1][0];
      rows[k][1] = rows[k - 1][1];
    }
    rows[k][0] = c.rect.y1;
    rows[k][1] = c.rect.y2;
  }
  int reached = 0;
  for (int i = 0; i < n; i++) {
    if (rows[i][0] > reached) return false;
    reached = std::max(reached, rows[i][1]);
  }
  return reached >= g->height;
}

// Whether the clears' depth and stencil parts, all alike, together reach every pixel (or there are
// none): then they are one clear of the whole target, whatever their order.
static bool DepthPartsAreOneClear(const GfxGlDevice* g, const PendingClear* list, int count) {
  const PendingClear& first = list[0];
  DWORD parts = first.flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
  for (int i = 0; i < count; i++) {
    const PendingClear& c = list[i];
    if ((c.flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != parts) return false;
    if ((parts & D3DCLEAR_ZBUFFER) && std::memcmp(&c.z, &first.z, sizeof c.z) != 0) return false;
    if ((parts & D3DCLEAR_STENCIL) && (c.stencil & 0xFF) != (first.stencil & 0xFF)) return false;
  }
  return parts == 0 || RowsReachEveryRow(g, list, count, parts);
}

// Does clears whose depth parts are one clear: that clear once for the whole target, then the
// colour rectangles after the last colour clear of the whole target, filled in order by one draw.
// `parts` picks what is done of them: the colour, the depth and stencil, or all.
static void MergedClears(GfxGlDevice* g, const PendingClear* list, int count, DWORD parts) {
  // Colour cleared before the last clear of the whole target is painted over by it.
  int start = 0;
  for (int i = 0; i < count; i++) {
    if ((list[i].flags & D3DCLEAR_TARGET) && CoversTarget(g, list[i].rect)) start = i;
  }
  PendingClear whole = list[start];
  whole.rect = {0, 0, g->width, g->height};
  if (!CoversTarget(g, list[start].rect) || !(whole.flags & D3DCLEAR_TARGET)) {
    whole.flags &= ~D3DCLEAR_TARGET;
  } else {
    start++;
  }
  whole.flags |= list[0].flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
  whole.flags &= parts;
  whole.z = list[0].z;
  whole.stencil = list[0].stencil;
  if (whole.flags) ClearNow(g, whole);
  if (!(parts & D3DCLEAR_TARGET)) return;
  int rects = 0;
  for (int i = start; i < count; i++) rects += (list[i].flags & D3DCLEAR_TARGET) != 0;
  if (rects == 0) return;
  GLint first = 0;
  auto* v = reinterpret_cast<FillVertex*>(MapStream(g, rects * 6, &first));
  if (!v) return;
  for (int i = start; i < count; i++) {
    const PendingClear& c = list[i];
    if (!(c.flags & D3DCLEAR_TARGET)) continue;
    float rgba[4];
    ChannelsOf(c.color, rgba);
    float x0 = static_cast<float>(c.rect.x1), x1 = static_cast<float>(c.rect.x2);
    float y0 = static_cast<float>(c.rect.y1), y1 = static_cast<float>(c.rect.y2);
    const float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
    for (const auto& corner : corners) *v++ = {corner[0], corner[1], rgba[0], rgba[1], rgba[2], rgba[3], {0, 0}};
  }
  glUnmapBuffer(GL_ARRAY_BUFFER);
  // The fill replaces what is there: nothing tested, blended or culled, depth and stencil untouched.
  BindBack(g);
  if (!UseProgram(g, kFillChoices)) return;
  GlCache& c = g->cache;
  Toggle(c.depth_test, GL_DEPTH_TEST, false);
  Toggle(c.blend, GL_BLEND, false);
  Toggle(c.cull, GL_CULL_FACE, false);
  Toggle(c.scissor, GL_SCISSOR_TEST, false);
  SetPolygonMode(g, GL_FILL);
  BindVertexArray(g, g->fill_vao);
  LogCall(GFX_GL_FILL, 0, {0, 0, g->width, g->height}, rects);
  glDrawArrays(GL_TRIANGLES, first, rects * 6);
}

// Does the held clears: merged where their depth parts are one clear, otherwise each as it came.
static void FlushClears(GfxGlDevice* g) {
  int count = g->pending_count;
  if (count == 0) return;
  const bool one_clear = DepthPartsAreOneClear(g, g->pending, count);
  g->pending_count = 0;
  if (!one_clear) {
    for (int i = 0; i < count; i++) ClearNow(g, g->pending[i]);
    return;
  }
  MergedClears(g, g->pending, count, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
}

void GlClear(IDirect3DDevice8* device, const D3DRECT* r, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  EndBackdrop(device);
  if (g->pending_count == kMaxPendingClears) FlushClears(g);
  g->pending[g->pending_count++] = {*r, flags, color, z, stencil};
}

// The back buffer into the front buffer, resolving samples.
static void ResolveFront(GfxGlDevice* g) {
  Toggle(g->cache.scissor, GL_SCISSOR_TEST, false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, g->back_fbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g->front_fbo);
  g->cache.fbo = kUnknown;
  glBlitFramebuffer(0, 0, g->width, g->height, 0, 0, g->width, g->height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  g->front_stale = false;
}

// Nothing paces a headless run: Mesa's rasteriser would take up to 64 frames into its queue, each
// holding its scene's memory. A present waits until the frame kFramesQueued presents back is done.
static void LimitQueuedFrames(GfxGlDevice* g) {
  GLsync& oldest = g->presented[g->presented_next];
  if (oldest) {
    glClientWaitSync(oldest, GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
    glDeleteSync(oldest);
  }
  oldest = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  g->presented_next = (g->presented_next + 1) % kFramesQueued;
}

// The frame just drawn becomes the front buffer, without a copy where the buffers can trade places.
static void ShowFront(GfxGlDevice* g) {
  if (!g->swap_buffers) {
    ResolveFront(g);
    return;
  }
  std::swap(g->back_fbo, g->front_fbo);
  std::swap(g->back_color, g->front_color);
  g->cache.fbo = kUnknown;
  g->front_stale = false;
}

void GlPresent(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  EndBackdrop(device);
  FlushClears(g);
  int window_w = 0, window_h = 0;
  if (!GlContextWindowSize(device, &window_w, &window_h) || window_w <= 0 || window_h <= 0) {
    ShowFront(g);  // headless: the front buffer is what is on screen
    LimitQueuedFrames(g);
    return;
  }
  Toggle(g->cache.scissor, GL_SCISSOR_TEST, false);
  // Scaled to the window keeping the aspect; the rest stays black.
  double scale = std::min(static_cast<double>(window_w) / g->width, static_cast<double>(window_h) / g->height);
  int w = static_cast<int>(g->width * scale), h = static_cast<int>(g->height * scale);
  int x = (window_w - w) / 2, y = (window_h - h) / 2;
  bool same_size = w == g->width && h == g->height;
  // Samples are resolved at their own size; a single-sampled frame goes to the window in one copy.
  GLuint source = g->back_fbo;
  if (g->samples > 1 || !same_size) {
    if (g->samples > 1) {
      ResolveFront(g);
      source = g->front_fbo;
    }
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  g->cache.fbo = kUnknown;
  if (w != window_w || h != window_h) {
    glViewport(0, 0, window_w, window_h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glBlitFramebuffer(0, 0, g->width, g->height, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT,
                    same_size ? GL_NEAREST : GL_LINEAR);
  GlContextSwap(device);
  if (g->swap_buffers) {
    ShowFront(g);
  } else if (source == g->back_fbo) {
    g->front_stale = true;
  }
}

HRESULT GlReadFrame(IDirect3DDevice8* device, BYTE* rgba) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  EndBackdrop(device);
  // A frame shown straight from the back buffer is still there: frames are read between passes.
  if (g->front_stale) ResolveFront(g);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, g->front_fbo);
  g->cache.fbo = kUnknown;
  glReadPixels(0, 0, g->width, g->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
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

// Whether every texel of level 0 has full alpha; the generated levels average it and keep it.
static bool TexelsOpaque(const IDirect3DTexture8* texture, const GlFormat& f) {
  if (f.opaque) return true;
  if (f.alpha_only || texture->format != D3DFMT_A8R8G8B8 || !texture->pixels) return false;
  const BYTE* p = texture->pixels;
  const size_t count = static_cast<size_t>(texture->width) * texture->height;
  for (size_t i = 0; i < count; i++) {
    if (p[i * 4 + 3] != 0xFF) return false;
  }
  return true;
}

// ---- Mip levels ----------------------------------------------------------------------------------
// The lower levels of a texture of four-byte texels are made here from level 0, not by GL: Mesa's
// rasteriser would compile a shader for its mipmap blit at every start. Each texel is the bilinear
// sample of the level above at the texel's centre, clamped to the edge, with weights in 256ths and
// each of the three lerps rounded, which is what that blit makes of them too.

static bool MadeHere(const IDirect3DTexture8* texture) {
  return texture->levels != 1 && texture->bytes_per_pixel == 4;
}

static int LevelSize(UINT size, int level) { return std::max(1, static_cast<int>(size >> level)); }

static int LevelCount(const IDirect3DTexture8* texture) {
  int levels = 1;
  while (LevelSize(texture->width, levels - 1) > 1 || LevelSize(texture->height, levels - 1) > 1) levels++;
  return levels;
}

// Of texel i of a row of `to` texels, in a row of `from`.
static Tap TapOf(int i, int from, int to) {
  const double at = (i + 0.5) * from / to - 0.5;
  const int before = static_cast<int>(std::floor(at));
  const int weight = static_cast<int>(std::floor((at - before) * 256 + 0.5));
  return {std::clamp(before, 0, from - 1), std::clamp(before + 1, 0, from - 1), weight};
}

static int Lerp(int a, int b, int weight) { return a + (((b - a) * weight + 128) >> 8); }

// `columns` has room for a tap of each column of the level made.
static void NextLevel(const BYTE* from, int from_w, int from_h, BYTE* to, int to_w, int to_h, Tap* columns) {
  for (int x = 0; x < to_w; x++) columns[x] = TapOf(x, from_w, to_w);
  for (int y = 0; y < to_h; y++) {
    const Tap ty = TapOf(y, from_h, to_h);
    const BYTE* upper = from + static_cast<size_t>(ty.before) * from_w * 4;
    const BYTE* lower = from + static_cast<size_t>(ty.after) * from_w * 4;
    for (int x = 0; x < to_w; x++) {
      const Tap& tx = columns[x];
      for (int c = 0; c < 4; c++) {
        const int top = Lerp(upper[tx.before * 4 + c], upper[tx.after * 4 + c], tx.weight);
        const int bottom = Lerp(lower[tx.before * 4 + c], lower[tx.after * 4 + c], tx.weight);
        *to++ = static_cast<BYTE>(Lerp(top, bottom, ty.weight));
      }
    }
  }
}

// A new texture's levels: its texels are all zero still, and so are the levels made from them.
// Made at once where the context can (level by level, GL would hold the levels apart and copy them
// into one texture at its first use).
static void DefineLevels(const GfxGlDevice* g, IDirect3DTexture8* texture, const GlFormat& f) {
  const int w = static_cast<int>(texture->width), h = static_cast<int>(texture->height);
  if (!MadeHere(texture)) {
    glTexImage2D(GL_TEXTURE_2D, 0, f.internal, w, h, 0, f.format, f.type, texture->pixels);
    if (texture->levels != 1) glGenerateMipmap(GL_TEXTURE_2D);
    return;
  }
  const int count = LevelCount(texture);
  if (g->texture_storage) glTexStorage2D(GL_TEXTURE_2D, count, f.internal, w, h);
  for (int level = 0; level < count; level++) {
    const int lw = LevelSize(w, level), lh = LevelSize(h, level);
    if (g->texture_storage) {
      glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, lw, lh, f.format, f.type, texture->pixels);
    } else {
      glTexImage2D(GL_TEXTURE_2D, level, f.internal, lw, lh, 0, f.format, f.type, texture->pixels);
    }
  }
}

// Level 0 from the texture's texels and the levels below it from that.
static void SendLevels(GfxGlDevice* g, IDirect3DTexture8* texture, const GlFormat& f) {
  const int w = static_cast<int>(texture->width), h = static_cast<int>(texture->height);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, f.format, f.type, texture->pixels);
  if (texture->levels == 1) return;
  if (!MadeHere(texture)) {
    glGenerateMipmap(GL_TEXTURE_2D);
    return;
  }
  // Made in turns into two places: each level from the one made before it.
  const size_t odd = static_cast<size_t>(LevelSize(w, 1)) * LevelSize(h, 1) * 4;
  const size_t even = static_cast<size_t>(LevelSize(w, 2)) * LevelSize(h, 2) * 4;
  if (g->mip_levels.size() < odd + even) g->mip_levels.resize(odd + even);
  if (g->mip_taps.size() < static_cast<size_t>(LevelSize(w, 1))) g->mip_taps.resize(LevelSize(w, 1));
  BYTE* places[2] = {g->mip_levels.data(), g->mip_levels.data() + odd};
  const BYTE* above = texture->pixels;
  for (int level = 1, count = LevelCount(texture); level < count; level++) {
    BYTE* made = places[(level - 1) % 2];
    const int lw = LevelSize(w, level), lh = LevelSize(h, level);
    NextLevel(above, LevelSize(w, level - 1), LevelSize(h, level - 1), made, lw, lh, g->mip_taps.data());
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, lw, lh, f.format, f.type, made);
    above = made;
  }
}

HRESULT GlCreateTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  EndBackdrop(texture->device);
  GfxGlDevice* g = texture->device->gl;
  auto* t = new (std::nothrow) GfxGlTexture{};
  if (!t) return E_OUTOFMEMORY;
  GlFormat f = FormatOf(texture->format);
  glGenTextures(1, &t->id);
  BindTexture(g, t->id);
  if (f.alpha_only) {
    const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  } else if (f.opaque) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, texture->levels == 1 ? 0 : 1000);
  DefineLevels(g, texture, f);
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &t->id);
    g->cache.texture = kUnknown;
    delete t;
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  t->opaque = TexelsOpaque(texture, f);
  t->serial = ++last_serial;
  texture->gl = t;
  return S_OK;
}

void GlUploadTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  EndBackdrop(texture->device);
  GlFormat f = FormatOf(texture->format);
  BindTexture(texture->device->gl, texture->gl->id);
  SendLevels(texture->device->gl, texture, f);
  texture->gl->opaque = TexelsOpaque(texture, f);
  texture->gl->serial = ++last_serial;
}

void GlReadTextureLevel(IDirect3DTexture8* texture, int level, BYTE* out) {
  MakeCurrent(texture->device);
  texture->device->gl->cache.texture = texture->gl->id;  // whatever the caller bound since
  glBindTexture(GL_TEXTURE_2D, texture->gl->id);
  GlFormat f = FormatOf(texture->format);
  glGetTexImage(GL_TEXTURE_2D, level, f.format, f.type, out);
}

void GlUploadTextureLevel(IDirect3DTexture8* texture, UINT level, UINT width, UINT height, const BYTE* pixels) {
  MakeCurrent(texture->device);
  EndBackdrop(texture->device);
  GlFormat f = FormatOf(texture->format);
  BindTexture(texture->device->gl, texture->gl->id);
  glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, width, height, f.format, f.type, pixels);
  if (texture->format == D3DFMT_A8R8G8B8) {
    for (size_t i = 0; i < static_cast<size_t>(width) * height && texture->gl->opaque; i++) {
      texture->gl->opaque = pixels[i * 4 + 3] == 0xFF;
    }
  }
  texture->gl->serial = ++last_serial;
}

UINT GlMaxTextureSize(IDirect3DDevice8* device) {
  MakeCurrent(device);
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return static_cast<UINT>(size);
}

void GlReleaseTexture(IDirect3DTexture8* texture) {
  MakeCurrent(texture->device);
  EndBackdrop(texture->device);
  GfxGlDevice* g = texture->device->gl;
  if (g->cache.texture == texture->gl->id) g->cache.texture = kUnknown;
  glDeleteTextures(1, &texture->gl->id);
  delete texture->gl;
  texture->gl = nullptr;
}

HRESULT GlCreateMesh(GfxMeshBuffer* buffer, const GfxVertex* vertices, const DWORD* indices, const D3DCOLOR* colors) {
  MakeCurrent(buffer->device);
  EndBackdrop(buffer->device);
  GfxGlDevice* g = buffer->device->gl;
  auto* m = new (std::nothrow) GfxGlMesh{};
  if (!m) return E_OUTOFMEMORY;
  for (int k = 0; k < 3; k++) m->low[k] = m->high[k] = (&vertices[0].x)[k];
  for (UINT i = 1; i < buffer->vertex_count; i++) {
    const float* p = &vertices[i].x;
    for (int k = 0; k < 3; k++) {
      m->low[k] = std::min(m->low[k], p[k]);
      m->high[k] = std::max(m->high[k], p[k]);
    }
  }
  glGenVertexArrays(1, &m->vao);
  BindVertexArray(g, m->vao);
  glGenBuffers(1, &m->vbo);
  glBindBuffer(GL_ARRAY_BUFFER, m->vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(GfxVertex) * buffer->vertex_count, vertices, GL_STATIC_DRAW);
  glGenBuffers(1, &m->ebo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m->ebo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(DWORD) * buffer->index_count, indices, GL_STATIC_DRAW);
  SetVertexLayout();
  if (colors) {
    // Bytes B, G, R, A as a D3DCOLOR holds them, read in GL's BGRA order.
    glGenBuffers(1, &m->color_vbo);
    glBindBuffer(GL_ARRAY_BUFFER, m->color_vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(D3DCOLOR) * buffer->vertex_count, colors, GL_STATIC_DRAW);
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(D3DCOLOR), nullptr);
    m->colors_opaque = true;
    for (UINT i = 0; i < buffer->vertex_count; i++) m->colors_opaque &= (colors[i] >> 24) == 0xFF;
  }
  if (glGetError() != GL_NO_ERROR) {
    glDeleteBuffers(1, &m->color_vbo);
    glDeleteBuffers(1, &m->vbo);
    glDeleteBuffers(1, &m->ebo);
    glDeleteVertexArrays(1, &m->vao);
    g->cache.vao = kUnknown;
    delete m;
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  m->serial = ++last_serial;
  buffer->gl = m;
  return S_OK;
}

void GlReleaseMesh(GfxMeshBuffer* buffer) {
  MakeCurrent(buffer->device);
  EndBackdrop(buffer->device);
  GfxGlDevice* g = buffer->device->gl;
  GfxGlMesh* m = buffer->gl;
  if (g->cache.vao == m->vao) g->cache.vao = kUnknown;
  glDeleteBuffers(1, &m->color_vbo);
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

// Sampler states as small numbers, which pick one of the device's sampler objects.
static int AddressIndex(DWORD address) {
  if (address == D3DTADDRESS_CLAMP) return 1;
  if (address == D3DTADDRESS_MIRROR) return 2;
  return 0;
}
constexpr GLenum kAddressModes[3] = {GL_REPEAT, GL_CLAMP_TO_EDGE, GL_MIRRORED_REPEAT};

static int MinFilterIndex(DWORD min, DWORD mip, bool has_mips) {
  int linear = min != D3DTEXF_POINT && min != D3DTEXF_NONE;
  if (!has_mips || mip == D3DTEXF_NONE) return linear;
  if (mip == D3DTEXF_POINT) return 2 + linear;
  return 4 + linear;
}
constexpr GLenum kMinFilters[6] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                                   GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};

static void BindSampler(GfxGlDevice* g, int min, bool mag_linear, int wrap_s, int wrap_t) {
  int key = ((min * 2 + mag_linear) * 3 + wrap_s) * 3 + wrap_t;
  GLuint& sampler = g->samplers[key];
  if (!sampler) {
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, kMinFilters[min]);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, mag_linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, kAddressModes[wrap_s]);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, kAddressModes[wrap_t]);
  }
  if (g->cache.sampler == sampler) return;
  g->cache.sampler = sampler;
  glBindSampler(0, sampler);
}

static void ColorUniform(GLint location, float (&cached)[4], const D3DCOLORVALUE& c) {
  const float value[4] = {c.r, c.g, c.b, c.a};
  Uniform4f(location, cached, value);
}

static void PackedColorUniform(GLint location, float (&cached)[4], D3DCOLOR color) {
  float value[4];
  ChannelsOf(color, value);
  Uniform4f(location, cached, value);
}

// A texture stage's operation and arguments as the shader tells them apart: an operation it does
// not know works as SELECTARG1, an argument other than the texture or the factor is the diffuse,
// and an argument the operation does not read is left out.
static void StageChoices(DWORD op, DWORD arg1, DWORD arg2, int* out_op, int* out_arg1, int* out_arg2) {
  int o = op == 1 || (op >= 2 && op <= 8) || op == 10 ? static_cast<int>(op) : D3DTOP_SELECTARG1;
  auto which = [](DWORD a) { return (a & 15) == 2 || (a & 15) == 3 ? static_cast<int>(a & 15) : 0; };
  *out_op = o;
  *out_arg1 = o == 1 || o == D3DTOP_SELECTARG2 ? 0 : which(arg1);
  *out_arg2 = o == 1 || o == D3DTOP_SELECTARG1 ? 0 : which(arg2);
}

// The lights that are on, in index order, up to what the device draws: how many, and their types.
static int LightsOn(IDirect3DDevice8* device, int types[kMaxShaderLights]) {
  int n = 0;
  for (DWORD i = 0; i < GFX_MAX_LIGHTS && n < device->gl->max_lights; i++) {
    if (!device->light_on[i]) continue;
    D3DLIGHTTYPE type = device->lights[i].Type;
    types[n++] = type == D3DLIGHT_SPOT || type == D3DLIGHT_DIRECTIONAL ? static_cast<int>(type) : D3DLIGHT_POINT;
  }
  return n;
}

static ProgramChoices MeshChoices(IDirect3DDevice8* device) {
  const DWORD* rs = device->render_states;
  const DWORD* ts = device->stage_states[0];
  ProgramChoices c = {};
  c.lighting = rs[D3DRS_LIGHTING] != 0;
  c.specular = rs[D3DRS_SPECULARENABLE] != 0;
  if (c.lighting) {
    c.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
    c.light_count = LightsOn(device, c.light_types);
  }
  DWORD fog_mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
  c.fog = rs[D3DRS_FOGENABLE] && fog_mode != D3DFOG_NONE;
  if (c.fog && fog_mode <= D3DFOG_LINEAR) {  // another mode leaves the colour unfogged
    c.fog_mode = static_cast<int>(fog_mode);
    c.range_fog = rs[D3DRS_RANGEFOGENABLE] != 0;
  }
  c.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  StageChoices(ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2], &c.color_op, &c.color_arg1,
               &c.color_arg2);
  if (c.color_op == 1) {
    c.alpha_op = 1;  // a disabled stage does no alpha either
  } else {
    StageChoices(ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2], &c.alpha_op, &c.alpha_arg1,
                 &c.alpha_arg2);
  }
  IDirect3DTexture8* texture = device->textures[0];
  bool reads = c.color_arg1 == 2 || c.color_arg2 == 2 || c.alpha_arg1 == 2 || c.alpha_arg2 == 2;
  c.textured = reads && texture && texture->gl;  // without a texture the stage reads white
  c.lod_bias = c.textured && BitsFloat(ts[D3DTSS_MIPMAPLODBIAS]) != 0.0f;
  DWORD func = rs[D3DRS_ALPHAFUNC];
  c.alpha_func = rs[D3DRS_ALPHATESTENABLE] && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS ? static_cast<int>(func) : 0;
  return c;
}

// Texture stage 0: the bound texture (opaque white without one) and its sampler states.
static void BindStage0(IDirect3DDevice8* device, GlProgram* p) {
  GfxGlDevice* g = device->gl;
  IDirect3DTexture8* texture = device->textures[0];
  const DWORD* ts = device->stage_states[0];
  BindTexture(g, texture && texture->gl ? texture->gl->id : g->white_texture);
  bool mips = texture && texture->levels != 1;
  bool mag_linear = ts[D3DTSS_MAGFILTER] != D3DTEXF_POINT && ts[D3DTSS_MAGFILTER] != D3DTEXF_NONE;
  BindSampler(g, MinFilterIndex(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER], mips), mag_linear,
              AddressIndex(ts[D3DTSS_ADDRESSU]), AddressIndex(ts[D3DTSS_ADDRESSV]));
  if (p->loc.lod_bias >= 0) Uniform1f(p->loc.lod_bias, p->shadow.lod_bias, BitsFloat(ts[D3DTSS_MIPMAPLODBIAS]));
}

// Whether every fragment of the draw comes out with full alpha: blending by source alpha then gives
// the source itself, and the rasteriser can skip reading the target.
static bool FullAlpha(IDirect3DDevice8* device, const ProgramChoices& c) {
  const bool diffuse = c.vertex_color ? c.vertex_alpha_full
                                      : !c.lighting || device->material.Diffuse.a >= 1.0f;  // unlit: white
  auto full = [&](int arg) {
    if (arg == 2) return !c.textured || device->textures[0]->gl->opaque;  // without a texture: white
    if (arg == 3) return (device->render_states[D3DRS_TEXTUREFACTOR] >> 24) == 0xFF;
    return diffuse;
  };
  if (c.alpha_op == D3DTOP_DISABLE) return diffuse;
  if (c.alpha_op == D3DTOP_SELECTARG1) return full(c.alpha_arg1);
  if (c.alpha_op == D3DTOP_SELECTARG2) return full(c.alpha_arg2);
  if (c.alpha_op == D3DTOP_MODULATE) return full(c.alpha_arg1) && full(c.alpha_arg2);
  return false;
}

static void ApplyRenderStates(IDirect3DDevice8* device, const ProgramChoices& choices) {
  GfxGlDevice* g = device->gl;
  GlCache& c = g->cache;
  const DWORD* rs = device->render_states;
  bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE && device->params.EnableAutoDepthStencil;
  Toggle(c.depth_test, GL_DEPTH_TEST, depth);
  if (depth) {
    GLenum func = CompareOf(rs[D3DRS_ZFUNC]);
    if (c.depth_func != func) {
      c.depth_func = func;
      glDepthFunc(func);
    }
    SetDepthMask(g, rs[D3DRS_ZWRITEENABLE] != 0);
  }
  GLenum src = BlendOf(rs[D3DRS_SRCBLEND]), dst = BlendOf(rs[D3DRS_DESTBLEND]);
  bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0 &&
               !(src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA && FullAlpha(device, choices));
  Toggle(c.blend, GL_BLEND, blend);
  if (blend) {
    if (c.blend_src != src || c.blend_dst != dst) {
      c.blend_src = src;
      c.blend_dst = dst;
      glBlendFunc(src, dst);
    }
  }
  // Front faces run clockwise on screen; the window keeps the screen's orientation (GL_CCW, the
  // default front face, is never changed).
  Toggle(c.cull, GL_CULL_FACE, rs[D3DRS_CULLMODE] != D3DCULL_NONE);
  if (rs[D3DRS_CULLMODE] != D3DCULL_NONE) {
    GLenum face = rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_BACK : GL_FRONT;
    if (c.cull_face != face) {
      c.cull_face = face;
      glCullFace(face);
    }
  }
  SetPolygonMode(g, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                    : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                              : GL_FILL);
}

// The matrices; the normal matrix (an inverse) is made again only when world or view changed.
static void UploadTransforms(IDirect3DDevice8* device, GlProgram* p, const D3DXMATRIX& world_view) {
  UniformShadow& s = p->shadow;
  D3DXMATRIX inverse, normal;
  if (Changed(s.world_view_source, world_view)) {
    glUniformMatrix4fv(p->loc.world_view, 1, GL_FALSE, &world_view.m[0][0]);
    if (!D3DXMatrixInverse(&inverse, nullptr, &world_view)) D3DXMatrixIdentity(&inverse);
    D3DXMatrixTranspose(&normal, &inverse);
    float n[9];
    for (int r = 0; r < 3; r++) {
      for (int col = 0; col < 3; col++) n[r * 3 + col] = normal.m[r][col];
    }
    if (Changed(s.normal_matrix, n)) glUniformMatrix3fv(p->loc.normal_matrix, 1, GL_FALSE, n);
  }
  float projection[16];
  std::memcpy(projection, &device->transforms[D3DTS_PROJECTION].m[0][0], sizeof projection);
  if (Changed(s.projection, projection)) glUniformMatrix4fv(p->loc.projection, 1, GL_FALSE, projection);
}

template <typename T, size_t N>
static bool ChangedPrefix(T (&cached)[N], const T (&value)[N], int n) {
  if (std::memcmp(cached, value, sizeof(T) * n) == 0) return false;
  std::memcpy(cached, value, sizeof(T) * n);
  return true;
}

// The material and the lights that are on (as many as the program was made for), in view space.
static void UploadLighting(IDirect3DDevice8* device, GlProgram* p) {
  GfxGlDevice* g = device->gl;
  const Uniforms& u = p->loc;
  UniformShadow& s = p->shadow;
  const DWORD* rs = device->render_states;
  PackedColorUniform(u.ambient, s.ambient, rs[D3DRS_AMBIENT]);
  const D3DMATERIAL8& m = device->material;
  ColorUniform(u.mat_diffuse, s.mat_diffuse, m.Diffuse);
  ColorUniform(u.mat_ambient, s.mat_ambient, m.Ambient);
  ColorUniform(u.mat_specular, s.mat_specular, m.Specular);
  ColorUniform(u.mat_emissive, s.mat_emissive, m.Emissive);
  Uniform1f(u.mat_power, s.mat_power, m.Power);
  float diffuse[kMaxShaderLights][4], specular[kMaxShaderLights][4], ambient[kMaxShaderLights][4];
  float position[kMaxShaderLights][3], direction[kMaxShaderLights][3], atten[kMaxShaderLights][4];
  float spot[kMaxShaderLights][3];
  const D3DXMATRIX& view = device->transforms[D3DTS_VIEW];
  int n = 0;
  for (DWORD i = 0; i < GFX_MAX_LIGHTS && n < g->max_lights; i++) {
    if (!device->light_on[i]) continue;
    const D3DLIGHT8& l = device->lights[i];
    const D3DCOLORVALUE* colours[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
    float (*targets[3])[4] = {diffuse, specular, ambient};
    for (int k = 0; k < 3; k++) {
      targets[k][n][0] = colours[k]->r;
      targets[k][n][1] = colours[k]->g;
      targets[k][n][2] = colours[k]->b;
      targets[k][n][3] = colours[k]->a;
    }
    D3DXVECTOR3 position_view, direction_view;
    D3DXVec3TransformCoord(&position_view, &l.Position, &view);
    D3DXVec3TransformNormal(&direction_view, &l.Direction, &view);
    D3DXVec3Normalize(&direction_view, &direction_view);
    position[n][0] = position_view.x, position[n][1] = position_view.y, position[n][2] = position_view.z;
    direction[n][0] = direction_view.x, direction[n][1] = direction_view.y, direction[n][2] = direction_view.z;
    atten[n][0] = l.Range, atten[n][1] = l.Attenuation0, atten[n][2] = l.Attenuation1, atten[n][3] = l.Attenuation2;
    spot[n][0] = std::cos(l.Theta / 2), spot[n][1] = std::cos(l.Phi / 2), spot[n][2] = l.Falloff;
    n++;
  }
  if (n == 0) return;
  if (ChangedPrefix(s.light_diffuse, diffuse, n)) glUniform4fv(u.light_diffuse, n, &diffuse[0][0]);
  if (ChangedPrefix(s.light_specular, specular, n)) glUniform4fv(u.light_specular, n, &specular[0][0]);
  if (ChangedPrefix(s.light_ambient, ambient, n)) glUniform4fv(u.light_ambient, n, &ambient[0][0]);
  if (ChangedPrefix(s.light_position, position, n)) glUniform3fv(u.light_position, n, &position[0][0]);
  if (ChangedPrefix(s.light_direction, direction, n)) glUniform3fv(u.light_direction, n, &direction[0][0]);
  if (ChangedPrefix(s.light_atten, atten, n)) glUniform4fv(u.light_atten, n, &atten[0][0]);
  if (ChangedPrefix(s.light_spot, spot, n)) glUniform3fv(u.light_spot, n, &spot[0][0]);
}

static void UploadFogAndAlpha(IDirect3DDevice8* device, GlProgram* p) {
  const Uniforms& u = p->loc;
  UniformShadow& s = p->shadow;
  const DWORD* rs = device->render_states;
  const float fog_params[3] = {BitsFloat(rs[D3DRS_FOGSTART]), BitsFloat(rs[D3DRS_FOGEND]),
                               BitsFloat(rs[D3DRS_FOGDENSITY])};
  Uniform3f(u.fog_params, s.fog_params, fog_params);
  float fog_color[4];
  ChannelsOf(rs[D3DRS_FOGCOLOR], fog_color);
  const float fog_rgb[3] = {fog_color[0], fog_color[1], fog_color[2]};
  Uniform3f(u.fog_color, s.fog_color, fog_rgb);
  PackedColorUniform(u.texture_factor, s.texture_factor, rs[D3DRS_TEXTUREFACTOR]);
  Uniform1f(u.alpha_ref, s.alpha_ref, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
}

// Whether the mesh's box lies wholly beyond one side of the view volume, so that its draw could not
// touch a pixel. Tested on the box's corners in clip space, which holds whatever their w; the sides
// are widened a little so that rounding never leaves out a mesh that grazes the edge.
static bool OutsideView(const D3DXMATRIX& world_view, const D3DXMATRIX& projection, const GfxGlMesh* m) {
  D3DXMATRIX to_clip;
  D3DXMatrixMultiply(&to_clip, &world_view, &projection);
  unsigned outside_all = 0x3F;
  for (int corner = 0; corner < 8 && outside_all; corner++) {
    const float p[3] = {corner & 1 ? m->high[0] : m->low[0], corner & 2 ? m->high[1] : m->low[1],
                        corner & 4 ? m->high[2] : m->low[2]};
    float c[4];
    for (int k = 0; k < 4; k++) {
      c[k] = p[0] * to_clip.m[0][k] + p[1] * to_clip.m[1][k] + p[2] * to_clip.m[2][k] + to_clip.m[3][k];
    }
    const float slack = 1e-4f * std::fabs(c[3]) + 1e-6f, w = c[3] + slack;
    const unsigned outside = (c[0] < -w ? 1u : 0u) | (c[0] > w ? 2u : 0u) | (c[1] < -w ? 4u : 0u) |
                             (c[1] > w ? 8u : 0u) | (c[2] < -slack ? 16u : 0u) | (c[2] > w ? 32u : 0u);
    outside_all &= outside;
  }
  return outside_all != 0;
}

// Draws with the device's state as it stands into the back buffer, or into the backdrop while one
// is being drawn.
static void DrawNow(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count,
                    const D3DXMATRIX& world_view) {
  GfxGlDevice* g = device->gl;
  FlushClears(g);
  BindBack(g);
  Toggle(g->cache.scissor, GL_SCISSOR_TEST, false);
  ProgramChoices choices = MeshChoices(device);
  choices.vertex_color = buffer->gl->color_vbo != 0;
  choices.vertex_alpha_full = buffer->gl->colors_opaque;
  GlProgram* p = UseProgram(g, choices);
  if (!p) return;
  ApplyRenderStates(device, choices);
  UploadTransforms(device, p, world_view);
  if (choices.lighting) UploadLighting(device, p);
  UploadFogAndAlpha(device, p);
  BindStage0(device, p);
  BindVertexArray(g, buffer->gl->vao);
  LogCall(GFX_GL_DRAW, 0, {0, 0, g->width, g->height}, static_cast<int>(index_count));
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(index_count), GL_UNSIGNED_INT,
                 reinterpret_cast<void*>(static_cast<uintptr_t>(first_index) * sizeof(DWORD)));
}

// ---- The backdrop ------------------------------------------------------------------------------

static void ReadInputs(const IDirect3DDevice8* device, DrawInputs* in) {
  std::memcpy(&in->texture, &device->textures[0], sizeof in->texture);
  std::memcpy(in->transforms, device->transforms, sizeof in->transforms);
  std::memcpy(in->render_states, device->render_states, sizeof in->render_states);
  std::memcpy(in->stage_states, device->stage_states[0], sizeof in->stage_states);
  std::memcpy(&in->material, &device->material, sizeof in->material);
  std::memcpy(in->lights, device->lights, sizeof in->lights);
  std::memcpy(in->light_on, device->light_on, sizeof in->light_on);
}

static void WriteInputs(IDirect3DDevice8* device, const DrawInputs& in) {
  device->textures[0] = in.texture;
  std::memcpy(device->transforms, in.transforms, sizeof in.transforms);
  std::memcpy(device->render_states, in.render_states, sizeof in.render_states);
  std::memcpy(device->stage_states[0], in.stage_states, sizeof in.stage_states);
  device->material = in.material;
  std::memcpy(device->lights, in.lights, sizeof in.lights);
  std::memcpy(device->light_on, in.light_on, sizeof in.light_on);
}

// Zero in the inputs of a draw without depth what its program and states leave unread, so that
// inputs that differ only there compare the same: fog states without fog, lights and material
// unlit, the texture and its sampling where no stage reads it, and so on.
static void LeaveWhatIsRead(const ProgramChoices& c, DrawInputs* in) {
  DWORD* rs = in->render_states;
  DWORD* ts = in->stage_states;
  for (D3DRENDERSTATETYPE unread : {D3DRS_ZFUNC, D3DRS_ZWRITEENABLE, D3DRS_DITHERENABLE, D3DRS_EDGEANTIALIAS}) {
    rs[unread] = 0;
  }
  if (!rs[D3DRS_ALPHABLENDENABLE]) rs[D3DRS_SRCBLEND] = rs[D3DRS_DESTBLEND] = 0;
  if (!c.fog) {
    for (D3DRENDERSTATETYPE fog : {D3DRS_FOGENABLE, D3DRS_FOGCOLOR, D3DRS_FOGTABLEMODE, D3DRS_FOGVERTEXMODE,
                                   D3DRS_FOGSTART, D3DRS_FOGEND, D3DRS_FOGDENSITY, D3DRS_RANGEFOGENABLE}) {
      rs[fog] = 0;
    }
  }
  if (!c.alpha_func) rs[D3DRS_ALPHATESTENABLE] = rs[D3DRS_ALPHAFUNC] = rs[D3DRS_ALPHAREF] = 0;
  bool factor = false;
  for (int arg : {c.color_arg1, c.color_arg2, c.alpha_arg1, c.alpha_arg2}) factor |= arg == D3DTA_TFACTOR;
  if (!factor) rs[D3DRS_TEXTUREFACTOR] = 0;
  for (DWORD i = 0; i < GFX_MAX_LIGHTS; i++) {
    if (!c.lighting || !in->light_on[i]) {
      std::memset(&in->lights[i], 0, sizeof in->lights[i]);
      in->light_on[i] = false;
    }
  }
  if (!c.lighting) {
    rs[D3DRS_AMBIENT] = rs[D3DRS_NORMALIZENORMALS] = 0;
    std::memset(&in->material, 0, sizeof in->material);
  }
  if (!c.textured) {
    in->texture = nullptr;
    for (D3DTEXTURESTAGESTATETYPE sampling : {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV, D3DTSS_MAGFILTER, D3DTSS_MINFILTER,
                                              D3DTSS_MIPFILTER, D3DTSS_MIPMAPLODBIAS}) {
      ts[sampling] = 0;
    }
  }
}

static void DescribeDraw(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count,
                         BackdropDraw* out) {
  std::memset(out, 0, sizeof *out);
  ReadInputs(device, &out->in);
  std::memcpy(&out->reads, &out->in, sizeof out->reads);
  const ProgramChoices choices = MeshChoices(device);
  LeaveWhatIsRead(choices, &out->reads);
  const IDirect3DTexture8* texture = device->textures[0];
  out->buffer = buffer;
  out->mesh_serial = buffer->gl->serial;
  out->texture_serial = choices.textured ? texture->gl->serial : 0;
  out->first_index = first_index;
  out->index_count = index_count;
}

// Whether two draws read and draw the same.
static bool SameDraw(const BackdropDraw& a, const BackdropDraw& b) {
  return std::memcmp(&a, &b, offsetof(BackdropDraw, in)) == 0;
}

// Draws a kept draw again, with its inputs in place of the device's for the time.
static void Redraw(IDirect3DDevice8* device, const BackdropDraw& draw) {
  DrawInputs saved;  // the device's own, put back after
  ReadInputs(device, &saved);
  WriteInputs(device, draw.in);
  D3DXMATRIX world_view;
  D3DXMatrixMultiply(&world_view, &device->transforms[D3DTS_WORLD], &device->transforms[D3DTS_VIEW]);
  DrawNow(device, draw.buffer, draw.first_index, draw.index_count, world_view);
  WriteInputs(device, saved);
}

// The backdrop's framebuffer again from its clears and its first `draws` draws.
static void RedrawBackdrop(IDirect3DDevice8* device, int draws) {
  GfxGlDevice* g = device->gl;
  Backdrop& b = g->backdrop;
  g->to_backdrop = true;
  MergedClears(g, b.clears, b.clear_count, D3DCLEAR_TARGET);
  for (int i = 0; i < draws; i++) Redraw(device, b.draws[i]);
  b.draw_count = draws;
}

static bool MakeBackdrop(GfxGlDevice* g) {
  Backdrop& b = g->backdrop;
  glGenRenderbuffers(1, &b.color);
  glBindRenderbuffer(GL_RENDERBUFFER, b.color);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, g->samples, GL_RGBA8, g->width, g->height);
  glGenFramebuffers(1, &b.fbo);
  BindFramebuffer(g, b.fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, b.color);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return true;
  glDeleteFramebuffers(1, &b.fbo);
  glDeleteRenderbuffers(1, &b.color);
  b.fbo = b.color = 0;
  g->cache.fbo = kUnknown;
  return false;
}

// A frame's first draw after held clears that reach every pixel with one depth clear: their colour
// is the backdrop's start, their depth and stencil go to the frame after the backdrop.
static bool StartBackdrop(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  Backdrop& b = g->backdrop;
  const int count = g->pending_count;
  if (count == 0 || !DepthPartsAreOneClear(g, g->pending, count) ||
      !RowsReachEveryRow(g, g->pending, count, D3DCLEAR_TARGET)) {
    return false;
  }
  if (!b.fbo && !MakeBackdrop(g)) return false;
  g->pending_count = 0;
  b.run_draws = 0;
  const bool same = count == b.clear_count && std::memcmp(g->pending, b.clears, sizeof(PendingClear) * count) == 0;
  if (b.valid && same && b.misses < kBackdropMisses) {
    b.run = RUN_MATCHING;
    return true;
  }
  std::copy(g->pending, g->pending + count, b.clears);
  b.clear_count = count;
  b.valid = false;
  if (b.misses >= kBackdropMisses) {
    b.run = RUN_WATCHING;
    b.same = same;
    b.last_count = b.draw_count;
    MergedClears(g, b.clears, count, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
    return true;
  }
  b.run = RUN_DRAWING;
  RedrawBackdrop(device, 0);
  return true;
}

// Takes a draw that neither tests nor writes depth into the backdrop's run: true when the kept
// backdrop already holds it, false when the caller draws it (into the backdrop when it joins it).
static bool BackdropHolds(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count) {
  GfxGlDevice* g = device->gl;
  Backdrop& b = g->backdrop;
  if (b.run == RUN_NONE && !StartBackdrop(device)) return false;
  BackdropDraw draw;
  DescribeDraw(device, buffer, first_index, index_count, &draw);
  const int i = b.run_draws;
  if (b.run == RUN_WATCHING) {
    if (i == kBackdropDraws) {
      EndBackdrop(device);
      return false;
    }
    b.same = b.same && i < b.last_count && SameDraw(draw, b.draws[i]);
    b.draws[i] = draw;
    b.draw_count = b.run_draws = i + 1;
    return false;
  }
  if (b.run == RUN_MATCHING) {
    if (i < b.draw_count && SameDraw(draw, b.draws[i])) {
      b.run_draws++;
      return true;
    }
    // From here the frame differs: what it shares with the kept backdrop is drawn again under it.
    if (i < b.draw_count) RedrawBackdrop(device, i);
    b.valid = false;
    b.run = RUN_DRAWING;
  }
  if (i == kBackdropDraws) {
    EndBackdrop(device);
    return false;
  }
  b.draws[i] = draw;
  b.draw_count = b.run_draws = i + 1;
  g->to_backdrop = true;
  return false;
}

// The frame's backdrop is complete: kept, and copied into the frame, whose depth and stencil are
// cleared after it (the copy so finds nothing drawn into the frame yet that it would wait for).
static void EndBackdrop(IDirect3DDevice8* device) {
  GfxGlDevice* g = device->gl;
  Backdrop& b = g->backdrop;
  if (b.run == RUN_NONE) return;
  if (b.run == RUN_WATCHING) {
    // Once a frame's backdrop is the last one's, the next is drawn to be kept.
    if (b.same && b.run_draws == b.last_count) b.misses = 0;
    b.run = RUN_NONE;
    return;
  }
  const bool found = b.run == RUN_MATCHING && b.run_draws == b.draw_count;
  b.misses = found ? 0 : b.misses + 1;
  if (b.run == RUN_MATCHING && b.run_draws < b.draw_count) RedrawBackdrop(device, b.run_draws);
  b.run = RUN_NONE;
  b.valid = true;
  g->to_backdrop = false;
  Toggle(g->cache.scissor, GL_SCISSOR_TEST, false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, b.fbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g->back_fbo);
  g->cache.fbo = kUnknown;
  LogCall(GFX_GL_COPY, 0, {0, 0, g->width, g->height}, b.draw_count);
  glBlitFramebuffer(0, 0, g->width, g->height, 0, 0, g->width, g->height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  MergedClears(g, b.clears, b.clear_count, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
}

static bool DepthFree(const IDirect3DDevice8* device) {
  return device->render_states[D3DRS_ZENABLE] == D3DZB_FALSE || !device->params.EnableAutoDepthStencil;
}

void GlDrawMesh(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count) {
  MakeCurrent(device);
  D3DXMATRIX world_view;
  D3DXMatrixMultiply(&world_view, &device->transforms[D3DTS_WORLD], &device->transforms[D3DTS_VIEW]);
  if (OutsideView(world_view, device->transforms[D3DTS_PROJECTION], buffer->gl)) return;
  if (!DepthFree(device)) {
    EndBackdrop(device);
  } else if (BackdropHolds(device, buffer, first_index, index_count)) {
    return;
  }
  DrawNow(device, buffer, first_index, index_count, world_view);
}

void GlDrawScreenQuads(IDirect3DDevice8* device, IDirect3DTexture8* texture, const GfxScreenQuad* quads, int count,
                       D3DCOLOR color, const RECT* clip) {
  GfxGlDevice* g = device->gl;
  MakeCurrent(device);
  EndBackdrop(device);
  FlushClears(g);
  BindBack(g);
  GlProgram* p = UseProgram(g, kTextChoices);
  if (!p) return;
  PackedColorUniform(p->loc.color, p->shadow.color, color);
  GlCache& c = g->cache;
  Toggle(c.depth_test, GL_DEPTH_TEST, false);
  Toggle(c.cull, GL_CULL_FACE, false);
  SetPolygonMode(g, GL_FILL);
  Toggle(c.blend, GL_BLEND, true);
  if (c.blend_src != GL_SRC_ALPHA || c.blend_dst != GL_ONE_MINUS_SRC_ALPHA) {
    c.blend_src = GL_SRC_ALPHA;
    c.blend_dst = GL_ONE_MINUS_SRC_ALPHA;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if (clip) {
    int x1 = std::clamp<int>(clip->left, 0, g->width), x2 = std::clamp<int>(clip->right, 0, g->width);
    int y1 = std::clamp<int>(clip->top, 0, g->height), y2 = std::clamp<int>(clip->bottom, 0, g->height);
    SetScissor(g, x1, g->height - y2, std::max(0, x2 - x1), std::max(0, y2 - y1));
  } else {
    Toggle(c.scissor, GL_SCISSOR_TEST, false);
  }
  BindTexture(g, texture->gl->id);
  BindSampler(g, 0, false, 1, 1);  // point sampled, clamped
  BindVertexArray(g, g->quad_vao);
  for (int start = 0; start < count; start += kQuadCapacity) {
    int n = std::min(kQuadCapacity, count - start);
    GLint first = 0;
    GfxVertex* v = MapStream(g, 6 * n, &first);
    if (!v) return;
    for (int i = 0; i < n; i++, v += 6) {
      const GfxScreenQuad& q = quads[start + i];
      const GfxVertex corners[4] = {{q.x0, q.y0, 0, 0, 0, 0, q.u0, q.v0},
                                    {q.x1, q.y0, 0, 0, 0, 0, q.u1, q.v0},
                                    {q.x1, q.y1, 0, 0, 0, 0, q.u1, q.v1},
                                    {q.x0, q.y1, 0, 0, 0, 0, q.u0, q.v1}};
      v[0] = corners[0], v[1] = corners[1], v[2] = corners[2];
      v[3] = corners[0], v[4] = corners[2], v[5] = corners[3];
    }
    glUnmapBuffer(GL_ARRAY_BUFFER);
    glDrawArrays(GL_TRIANGLES, first, 6 * n);
  }
}
