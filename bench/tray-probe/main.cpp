// tray-probe: times tray icons on an X11 desktop for the footprint and responsiveness
// benchmarks. An icon counts as registered when its window (found by the owning process's
// _NET_WM_PID) has been embedded by the tray host and is viewable.
//
//   tray-probe start [--timeout SECONDS] [--log FILE] -- PROGRAM [ARG...]
//       starts PROGRAM, its output appended to FILE (default /dev/null, so that a caller
//       reading the probe's own output is not held open by the program), and prints
//       "icon_ms=<ms from the spawn to the icon> pid=<pid> spawned=<realtime seconds>"; the
//       program keeps running. On time-out it is killed and the exit status is 1.
//   tray-probe wait-tray [--timeout SECONDS]
//       waits until a tray host owns the screen's system tray selection.
//   tray-probe click PID
//       left-clicks the icon of PID through XTEST and prints "click=<realtime seconds>" taken
//       once the X server has processed the button press.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Windows may vanish between an event and the query about them; that is no error here.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*event*/) { return 0; }

std::optional<pid_t> WindowPid(Display* display, Window window) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success ||
        data == nullptr) {
        return std::nullopt;
    }
    std::optional<pid_t> pid;
    if (format == 32 && count == 1) pid = static_cast<pid_t>(*reinterpret_cast<long*>(data));
    XFree(data);
    return pid;
}

Window ParentOf(Display* display, Window window) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return None;
    if (children != nullptr) XFree(children);
    return parent;
}

// Whether `window` belongs to `pid`, sits inside another window (the tray host's socket)
// and can be seen.
bool IsEmbeddedIcon(Display* display, Window window, pid_t pid) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
    if (attributes.map_state != IsViewable) return false;
    const Window parent = ParentOf(display, window);
    if (parent == None || parent == DefaultRootWindow(display)) return false;
    return WindowPid(display, window) == pid;
}

std::optional<Window> FindIcon(Display* display, Window under, pid_t pid) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, under, &root, &parent, &children, &count) == 0) return std::nullopt;
    std::vector<Window> list(children, children + count);
    if (children != nullptr) XFree(children);
    for (const Window child : list) {
        if (IsEmbeddedIcon(display, child, pid)) return child;
        if (auto found = FindIcon(display, child, pid)) return found;
    }
    return std::nullopt;
}

double RealtimeSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct SpawnActions {
    posix_spawn_file_actions_t actions{};
    explicit SpawnActions(const char* logPath) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath,
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

int Start(double timeoutSeconds, const char* logPath, char** program) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("tray-probe: cannot open the display\n", stderr);
        return 2;
    }
    Display* d = display.get();
    XSetErrorHandler(IgnoreXError);
    // Every new top-level window is reported, so none of the program's is missed.
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);

    const SpawnActions output(logPath);
    const double spawnedAt = RealtimeSeconds();
    const Clock::time_point spawned = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, program[0], &output.actions, nullptr, program, environ) != 0) {
        std::fprintf(stderr, "tray-probe: cannot start %s\n", program[0]);
        return 2;
    }
    const Clock::time_point deadline = spawned + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(timeoutSeconds));
    std::set<Window> watched;
    while (Clock::now() < deadline) {
        while (XPending(d) > 0) {
            XEvent event{};
            XNextEvent(d, &event);
            Window window = None;
            if (event.type == CreateNotify) {
                window = event.xcreatewindow.window;
                XSelectInput(d, window, StructureNotifyMask | PropertyChangeMask);
                watched.insert(window);
            } else if (event.type == MapNotify) {
                window = event.xmap.window;
            } else if (event.type == ReparentNotify) {
                window = event.xreparent.window;
            } else if (event.type == PropertyNotify) {
                window = event.xproperty.window;
            }
            if (window != None && watched.contains(window) && IsEmbeddedIcon(d, window, pid)) {
                const std::chrono::duration<double, std::milli> elapsed = Clock::now() - spawned;
                std::printf("icon_ms=%.2f pid=%d spawned=%.6f\n", elapsed.count(),
                            static_cast<int>(pid), spawnedAt);
                return 0;
            }
        }
        pollfd connection{ConnectionNumber(d), POLLIN, 0};
        poll(&connection, 1, 5);
    }
    std::fprintf(stderr, "tray-probe: no icon from %s within %.1f s\n", program[0], timeoutSeconds);
    kill(pid, SIGKILL);
    return 1;
}

int Click(pid_t pid) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("tray-probe: cannot open the display\n", stderr);
        return 2;
    }
    Display* d = display.get();
    XSetErrorHandler(IgnoreXError);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor) == 0) {
        std::fputs("tray-probe: the X server has no XTEST extension\n", stderr);
        return 2;
    }
    const auto icon = FindIcon(d, DefaultRootWindow(d), pid);
    if (!icon) {
        std::fprintf(stderr, "tray-probe: process %d has no icon in the tray\n",
                     static_cast<int>(pid));
        return 1;
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, *icon, &attributes);
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(d, *icon, DefaultRootWindow(d), attributes.width / 2,
                          attributes.height / 2, &x, &y, &child);
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
    XTestFakeButtonEvent(d, Button1, True, CurrentTime);
    XSync(d, False);
    const double pressed = RealtimeSeconds();
    XTestFakeButtonEvent(d, Button1, False, CurrentTime);
    XSync(d, False);
    std::printf("click=%.6f\n", pressed);
    return 0;
}

int WaitTray(double timeoutSeconds) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("tray-probe: cannot open the display\n", stderr);
        return 2;
    }
    Display* d = display.get();
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(d));
    const Atom tray = XInternAtom(d, selection.c_str(), False);
    const Clock::time_point deadline =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds));
    while (XGetSelectionOwner(d, tray) == None) {
        if (Clock::now() >= deadline) {
            std::fputs("tray-probe: no tray host\n", stderr);
            return 1;
        }
        poll(nullptr, 0, 10);
    }
    return 0;
}

int Usage() {
    std::fputs(
        "usage: tray-probe start [--timeout SECONDS] [--log FILE] -- PROGRAM [ARG...]\n"
        "       tray-probe wait-tray [--timeout SECONDS]\n"
        "       tray-probe click PID\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "start") {
        double timeout = 10;
        const char* logPath = "/dev/null";
        std::size_t at = 1;
        while (at + 1 < args.size() && (args[at] == "--timeout" || args[at] == "--log")) {
            if (args[at] == "--timeout") {
                timeout = std::atof(argv[at + 2]);
            } else {
                logPath = argv[at + 2];
            }
            at += 2;
        }
        if (at >= args.size() || args[at] != "--" || at + 1 >= args.size()) return Usage();
        return Start(timeout, logPath, argv + at + 2);
    }
    if (!args.empty() && args[0] == "wait-tray") {
        if (args.size() == 1) return WaitTray(10);
        if (args.size() == 3 && args[1] == "--timeout") return WaitTray(std::atof(argv[3]));
        return Usage();
    }
    if (args.size() == 2 && args[0] == "click") {
        return Click(static_cast<pid_t>(std::atoi(argv[2])));
    }
    return Usage();
}
