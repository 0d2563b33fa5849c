// What the desktop tests ask of the X server that xdotool cannot:
//   x_probe bells FILE   appends a line to FILE for every bell any client
//                        rings (the server's XKB bell events), until killed
//   x_probe close WINDOW asks the window (a decimal X id) to close, as a
//                        window manager's close button does (WM_DELETE_WINDOW)
// Exit 0 on success, 1 when the X server cannot be reached or refuses, 2 for
// a wrong command line.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int CountBells(Display* display, const char* file) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "x_probe: the X server has no XKB\n");
        return 1;
    }
    XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(display, False);
    std::printf("x_probe: listening for bells\n");
    std::fflush(stdout);
    for (;;) {
        XEvent next;
        XNextEvent(display, &next);
        if (next.type == event) {
            const auto* xkb = reinterpret_cast<const XkbAnyEvent*>(&next);
            if (xkb->xkb_type == XkbBellNotify) {
                std::FILE* out = std::fopen(file, "a");
                if (out == nullptr) {
                    return 1;
                }
                std::fputs("bell\n", out);
                std::fclose(out);
            }
        }
    }
}

int AskToClose(Display* display, const char* id) {
    const Window window = std::strtoul(id, nullptr, 10);
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &message);
    XSync(display, False);
    return sent != 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "bells") != 0 && std::strcmp(argv[1], "close") != 0)) {
        std::fprintf(stderr, "usage: x_probe bells FILE | x_probe close WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open the display\n");
        return 1;
    }
    const int status = std::strcmp(argv[1], "bells") == 0 ? CountBells(display, argv[2])
                                                          : AskToClose(display, argv[2]);
    XCloseDisplay(display);
    return status;
}
