// GL contexts for the display device: OpenGL 3.3 core in the program's SDL window, or on a
// surfaceless EGL display (Mesa's llvmpipe does here) for headless runs. Also the SDL side of the
// adapter: the desktop's modes, the window's size, full screen on the desktop.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gfx_internal.h"
#include "platform/win.h"

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

// ---- Mesa's rasteriser threads --------------------------------------------------------------------

// Mesa's software rasteriser hands every scene to LP_NUM_THREADS threads of its own (one per core
// unless told), read when the process's first GL screen is made; a number the user set is kept.
// One thread, the program's own, draws a frame of 640 x 480 pixels (multisampled too) well inside
// a pass of 50 ms, and handing scenes on costs more than it saves; each 640 x 480 pixels more get a
// thread, so that 1152 x 864 with anti-aliasing keeps its pace. The count holds for the process:
// a larger mode applied later draws on the threads its start chose.
void GlChooseRasteriserThreads(int width, int height) {
  const long frame = 640L * 480;
  const long pixels = static_cast<long>(width) * height;
  char threads[16];
  std::snprintf(threads, sizeof threads, "%ld", pixels <= frame ? 0 : (pixels + frame - 1) / frame);
  setenv("LP_NUM_THREADS", threads, 0);
}

// ---- EGL -----------------------------------------------------------------------------------------

static EGLDisplay egl_display = EGL_NO_DISPLAY;
static bool egl_tried;
static int egl_usable = -1;  // -1 not yet known

static bool HasWord(const char* list, const char* word) {
  if (!list) return false;
  size_t n = std::strlen(word);
  for (const char* p = std::strstr(list, word); p; p = std::strstr(p + 1, word)) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
  }
  return false;
}

static EGLDisplay EglDisplay() {
  if (egl_tried) return egl_display;
  egl_tried = true;
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasWord(client, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
  auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!get_display) return EGL_NO_DISPLAY;
  EGLDisplay display = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
  if (!HasWord(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ||
      !eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(display);
    return EGL_NO_DISPLAY;
  }
  egl_display = display;
  return egl_display;
}

static EGLContext EglCreateContext() {
  EGLDisplay display = EglDisplay();
  if (display == EGL_NO_DISPLAY) return EGL_NO_CONTEXT;
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  if (!HasWord(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_no_config_context")) {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &count) || count < 1) return EGL_NO_CONTEXT;
  }
  return eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
}

bool GfxEglAvailable() {
  if (egl_usable >= 0) return egl_usable == 1;
  EGLContext context = EglCreateContext();
  egl_usable = context != EGL_NO_CONTEXT;
  if (context != EGL_NO_CONTEXT) eglDestroyContext(egl_display, context);
  return egl_usable == 1;
}

// ---- Per device ----------------------------------------------------------------------------------

// The device's context: an EGLContext or an SDL_GLContext, by backend. Kept here, by device slot.
struct ContextSlot {
  IDirect3DDevice8* device;
  void* context;
  SDL_Window* window;
};
static ContextSlot contexts[4];

static ContextSlot* SlotOf(IDirect3DDevice8* device) {
  for (ContextSlot& slot : contexts) {
    if (slot.device == device) return &slot;
  }
  return nullptr;
}

bool GlContextCreate(IDirect3DDevice8* device) {
  ContextSlot* slot = SlotOf(nullptr);
  if (!slot) return false;
  if (device->backend == GFX_BACKEND_EGL) {
    EGLContext context = EglCreateContext();
    if (context == EGL_NO_CONTEXT) return false;
    if (!eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
      eglDestroyContext(egl_display, context);
      return false;
    }
    *slot = {device, context, nullptr};
    return true;
  }
  SDL_Window* window = WindowSdl(device->window);
  if (!window) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    std::fprintf(stderr, "gfx: no OpenGL 3.3 context: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_MakeCurrent(window, context);
  bool full_screen = !device->params.Windowed;
  bool vsync = full_screen && device->params.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
  SDL_GL_SetSwapInterval(vsync ? 1 : 0);
  *slot = {device, context, window};
  return true;
}

void GlContextDestroy(IDirect3DDevice8* device) {
  ContextSlot* slot = SlotOf(device);
  if (!slot) return;
  if (device->backend == GFX_BACKEND_EGL) {
    eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl_display, static_cast<EGLContext>(slot->context));
  } else {
    SDL_GL_MakeCurrent(slot->window, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(slot->context));
  }
  *slot = {};
}

void GlContextMakeCurrent(IDirect3DDevice8* device) {
  ContextSlot* slot = SlotOf(device);
  if (!slot) return;
  if (device->backend == GFX_BACKEND_EGL) {
    eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(slot->context));
  } else {
    SDL_GL_MakeCurrent(slot->window, static_cast<SDL_GLContext>(slot->context));
  }
}

bool GlContextWindowSize(IDirect3DDevice8* device, int* width, int* height) {
  ContextSlot* slot = SlotOf(device);
  if (!slot || !slot->window) return false;
  SDL_GL_GetDrawableSize(slot->window, width, height);
  return true;
}

void GlContextSwap(IDirect3DDevice8* device) {
  ContextSlot* slot = SlotOf(device);
  if (slot && slot->window) SDL_GL_SwapWindow(slot->window);
}

// ---- SDL adapter and window --------------------------------------------------------------------

static D3DFORMAT FormatOfSdl(Uint32 format) {
  switch (SDL_BITSPERPIXEL(format)) {
    case 15:
      return D3DFMT_X1R5G5B5;
    case 16:
      return D3DFMT_R5G6B5;
    case 24:
      return SDL_BYTESPERPIXEL(format) == 4 ? D3DFMT_X8R8G8B8 : D3DFMT_R8G8B8;
    default:
      return SDL_ISPIXELFORMAT_ALPHA(format) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  }
}

static D3DDISPLAYMODE ModeOfSdl(const SDL_DisplayMode& m) {
  return {.Width = static_cast<UINT>(m.w), .Height = static_cast<UINT>(m.h),
          .RefreshRate = static_cast<UINT>(m.refresh_rate), .Format = FormatOfSdl(m.format)};
}

bool SdlAdapterModes(D3DDISPLAYMODE* modes, UINT capacity, UINT* count, D3DDISPLAYMODE* desktop) {
  *count = 0;
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
  *desktop = ModeOfSdl(mode);
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n && *count < capacity; i++) {
    if (SDL_GetDisplayMode(0, i, &mode) == 0) modes[(*count)++] = ModeOfSdl(mode);
  }
  return true;
}

bool WindowClientSize(HWND window, UINT* width, UINT* height) {
  RECT client;
  if (!GetClientRect(window, &client)) return false;
  *width = static_cast<UINT>(client.right - client.left);
  *height = static_cast<UINT>(client.bottom - client.top);
  return true;
}

void SdlSetFullScreen(HWND window, bool full_screen) {
  SDL_Window* sdl = WindowSdl(window);
  if (sdl) SDL_SetWindowFullscreen(sdl, full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

// ---- Multisampling ------------------------------------------------------------------------------

static bool HasGlExtension(const char* name, void* (*proc)(const char*)) {
  auto get_integer = reinterpret_cast<PFNGLGETINTEGERVPROC>(proc("glGetIntegerv"));
  auto get_string = reinterpret_cast<PFNGLGETSTRINGIPROC>(proc("glGetStringi"));
  if (!get_integer || !get_string) return false;
  GLint count = 0;
  get_integer(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; i++) {
    const GLubyte* extension = get_string(GL_EXTENSIONS, static_cast<GLuint>(i));
    if (extension && std::strcmp(reinterpret_cast<const char*>(extension), name) == 0) return true;
  }
  return false;
}

// The most samples the current context can give the device's back buffer (a colour and a depth
// renderbuffer): GL_MAX_SAMPLES, and no more than the most that each of the two formats offers
// where the GL lists its sample counts by format (GL 4.2, or ARB_internalformat_query).
static UINT CurrentContextMaxSamples(void* (*proc)(const char*)) {
  auto get_integer = reinterpret_cast<PFNGLGETINTEGERVPROC>(proc("glGetIntegerv"));
  if (!get_integer) return 0;
  GLint most = 0, major = 0, minor = 0;
  get_integer(GL_MAX_SAMPLES, &most);
  get_integer(GL_MAJOR_VERSION, &major);
  get_integer(GL_MINOR_VERSION, &minor);
  auto query = reinterpret_cast<PFNGLGETINTERNALFORMATIVPROC>(proc("glGetInternalformativ"));
  bool by_format = major > 4 || (major == 4 && minor >= 2) || HasGlExtension("GL_ARB_internalformat_query", proc);
  if (query && by_format) {
    for (GLenum format : {GL_RGBA8, GL_DEPTH24_STENCIL8}) {
      GLint counts = 0, format_most = 0;
      query(GL_RENDERBUFFER, format, GL_NUM_SAMPLE_COUNTS, 1, &counts);
      // The counts come largest first.
      if (counts > 0) query(GL_RENDERBUFFER, format, GL_SAMPLES, 1, &format_most);
      most = std::min(most, format_most);
    }
  }
  return most > 0 ? static_cast<UINT>(most) : 0;
}

static void* EglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }
static void* SdlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

// Read once per backend on a context of its own (a hidden window's for SDL), so that it is known
// before any device exists; the context current before is current again after.
UINT GlMaxSamples(int backend) {
  static int sdl_most = -1, egl_most = -1;
  int& most = backend == GFX_BACKEND_EGL ? egl_most : sdl_most;
  if (most >= 0) return static_cast<UINT>(most);
  if (backend != GFX_BACKEND_EGL && !SDL_WasInit(SDL_INIT_VIDEO)) return 0;  // asked again once it is up
  most = 0;
  if (backend == GFX_BACKEND_EGL) {
    EGLContext context = EglCreateContext();
    if (context == EGL_NO_CONTEXT) return 0;
    EGLDisplay display = eglGetCurrentDisplay();
    EGLContext before = eglGetCurrentContext();
    EGLSurface draw = eglGetCurrentSurface(EGL_DRAW), read = eglGetCurrentSurface(EGL_READ);
    if (eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
      most = static_cast<int>(CurrentContextMaxSamples(EglProc));
    }
    if (before != EGL_NO_CONTEXT) eglMakeCurrent(display, draw, read, before);
    else eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl_display, context);
    return static_cast<UINT>(most);
  }
  SDL_Window* before_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext before = SDL_GL_GetCurrentContext();
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!probe) return 0;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext context = SDL_GL_CreateContext(probe);
  if (context) most = static_cast<int>(CurrentContextMaxSamples(SdlProc));
  SDL_GL_MakeCurrent(before_window, before);
  if (context) SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(probe);
  return static_cast<UINT>(most);
}
