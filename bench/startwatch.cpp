// Times a program's start as the user sees it on an X server: starts PROGRAM and watches two
// screen pixels, the first for anything drawn (not black: the window is there), the second for a
// colour (the page is painted). Prints "WINDOW_MS PAGE_MS" and ends the program with SIGTERM.
// Polling the pixels in process keeps the resolution at 5 ms; looking more often would slow
// the X server the program draws through.
//   bench_startwatch WX WY PX PY RRGGBB TIMEOUT_MS PROGRAM [ARGUMENTS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
unsigned long pixel(Display *display, Window root, int x, int y)
{
    XImage *image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return value;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 8) {
        std::fputs("usage: bench_startwatch WX WY PX PY RRGGBB TIMEOUT_MS PROGRAM [ARGS...]\n",
                   stderr);
        return 2;
    }
    const int wx = std::atoi(argv[1]), wy = std::atoi(argv[2]);
    const int px = std::atoi(argv[3]), py = std::atoi(argv[4]);
    const unsigned long colour = std::strtoul(argv[5], nullptr, 16);
    const auto timeout = std::chrono::milliseconds(std::atol(argv[6]));
    // The X server may still be starting.
    Display *display = nullptr;
    for (int i = 0; i < 500 && !(display = XOpenDisplay(nullptr)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!display) {
        std::fputs("bench_startwatch: no X display\n", stderr);
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const unsigned long background = pixel(display, root, wx, wy);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // The program's own output would mix with the figures.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[7], argv + 7);
        _exit(127);
    }
    long window = -1, page = -1;
    const auto since = [start] {
        return long(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    while (page < 0 && Clock::now() - start < timeout) {
        if (window < 0 && pixel(display, root, wx, wy) != background)
            window = since();
        if (pixel(display, root, px, py) == colour)
            page = since();
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fputs("bench_startwatch: the program ended before its page appeared\n", stderr);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    if (page < 0)
        return 1;
    std::printf("%ld %ld\n", window < 0 ? page : window, page);
    return 0;
}
