#include "platform/headless/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;
EGLSurface surface = EGL_NO_SURFACE;
int depthBits = 0;

bool hasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t n = std::strlen(name);
  for (const char* p = std::strstr(list, name); p; p = std::strstr(p + n, name)) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  }
  return false;
}

// Prefers a GPU's EGL device where there is one, then Mesa's surfaceless
// platform, which needs no device at all.
EGLDisplay openDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  if (hasExtension(clientExtensions, "EGL_EXT_platform_device")) {
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryDeviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLDeviceEXT devices[8];
    EGLint count = 0;
    if (queryDevices && queryDeviceString && queryDevices(8, devices, &count)) {
      for (EGLint i = 0; i < count; ++i) {
        // A device with a DRM node is real hardware; the software device has none.
        const char* extensions = queryDeviceString(devices[i], EGL_EXTENSIONS);
        if (!hasExtension(extensions, "EGL_EXT_device_drm")) continue;
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr)) return d;
      }
    }
  }
  if (hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d != EGL_NO_DISPLAY && eglInitialize(d, nullptr, nullptr)) return d;
  }
  return EGL_NO_DISPLAY;
}

bool chooseConfig(EGLDisplay d, EGLConfig* config, int* depth) {
  static const int kDepths[] = {32, 24, 16};
  for (int wanted : kDepths) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                 EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, wanted,
                                 EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(d, attributes, configs, 64, &count)) continue;
    // eglChooseConfig treats the depth as a minimum and sorts deeper colour
    // first; take the first whose depth is exactly the one asked for.
    for (EGLint i = 0; i < count; ++i) {
      EGLint got = 0;
      eglGetConfigAttrib(d, configs[i], EGL_DEPTH_SIZE, &got);
      if (got == wanted) {
        *config = configs[i];
        *depth = got;
        return true;
      }
    }
  }
  return false;
}
}  // namespace

int eglContextCreate(int width, int height) {
  eglContextDestroy();
  display = openDisplay();
  if (display == EGL_NO_DISPLAY) {
    std::fprintf(stderr, "EGL: no display without a window system is available\n");
    return 0;
  }
  EGLConfig config{};
  if (!chooseConfig(display, &config, &depthBits) || !eglBindAPI(EGL_OPENGL_API)) {
    std::fprintf(stderr, "EGL: no RGBA pbuffer configuration for desktop GL\n");
    eglContextDestroy();
    return 0;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
      !eglMakeCurrent(display, surface, surface, context)) {
    std::fprintf(stderr, "EGL: cannot create a %dx%d GL context (error 0x%x)\n", width, height,
                 eglGetError());
    eglContextDestroy();
    return 0;
  }
  return 1;
}

int eglContextMakeCurrent(bool current) {
  if (display == EGL_NO_DISPLAY) return 0;
  if (current) return eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
  return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
}

void eglContextDestroy() {
  if (display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
  eglTerminate(display);
  display = EGL_NO_DISPLAY;
  context = EGL_NO_CONTEXT;
  surface = EGL_NO_SURFACE;
  depthBits = 0;
}

int eglContextDepthBits() { return depthBits; }

void eglContextSwap() {
  if (display != EGL_NO_DISPLAY) eglSwapBuffers(display, surface);
}
