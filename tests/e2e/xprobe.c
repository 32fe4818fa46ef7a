/* Looks at and pokes X windows the way a window manager or a user would, for
 * tests of the real program under an X server without a window manager:
 *   xprobe close WINDOW   asks the window to close (WM_DELETE_WINDOW), as a
 *                         close button does; xdotool's windowclose destroys
 *                         the window instead of asking
 *   xprobe cursor         exits 0 when the pointer shows a cursor, 1 when the
 *                         cursor under it is hidden (all transparent)
 *   xprobe visual WINDOW  prints the depth of the window's visual and the
 *                         alpha bits of that visual's GL pixel format, as
 *                         "depth D alpha A" */
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int closeWindow(Display* display, Window window) {
  XEvent event = {0};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return 0;
}

static int cursorShown(Display* display) {
  int eventBase, errorBase;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) return 2;
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) return 2;
  int shown = 0;
  for (int i = 0; i < image->width * image->height; ++i)
    if (image->pixels[i] >> 24) shown = 1;
  XFree(image);
  return shown ? 0 : 1;
}

static int describeVisual(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return 2;
  XVisualInfo wanted = {0};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int count = 0;
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
  if (!info || count < 1) return 2;
  int alpha = -1;
  const int failed = glXGetConfig(display, info, GLX_ALPHA_SIZE, &alpha);
  XFree(info);
  if (failed) return 2;
  printf("depth %d alpha %d\n", attributes.depth, alpha);
  return 0;
}

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xprobe: cannot open the display\n");
    return 2;
  }
  int status = 2;
  if (argc == 3 && strcmp(argv[1], "close") == 0)
    status = closeWindow(display, (Window)strtoul(argv[2], NULL, 0));
  else if (argc == 2 && strcmp(argv[1], "cursor") == 0)
    status = cursorShown(display);
  else if (argc == 3 && strcmp(argv[1], "visual") == 0)
    status = describeVisual(display, (Window)strtoul(argv[2], NULL, 0));
  else
    fprintf(stderr, "usage: xprobe close WINDOW | xprobe cursor | xprobe visual WINDOW\n");
  XCloseDisplay(display);
  return status;
}
