// orvo_close_window <window id>: asks an X11 window to close, as a window
// manager's close button does (WM_DELETE_WINDOW). The virtual screen of the
// window check runs no window manager to do it.
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvo_close_window <window id>\n");
        return 2;
    }
    char *end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "orvo_close_window: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "orvo_close_window: cannot open the display\n");
        return 1;
    }
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(id);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, Window(id), False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
