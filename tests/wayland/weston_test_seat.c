/* A seat for weston's headless backend, so that the Wayland tests give the window real input
 * through the compositor: pointer moves, button presses and keys reach the client as they would
 * from a mouse and a keyboard, with the serials a compositor checks before it grants a popup grab
 * or an interactive move.
 *
 * weston loads it with --modules=/path/weston_test_seat.so. It adds the seat "korvante-test"
 * (pointer and keyboard) and listens on the Unix socket named by $KORVANTE_TEST_SEAT. One line per
 * command; each is answered "ok" (or "error ...") after weston has sent the clients what the
 * command caused:
 *   move X Y           the pointer to (X, Y), compositor coordinates
 *   button CODE 1|0    a pointer button pressed (1) or released (0), Linux input codes (BTN_LEFT 272)
 *   key CODE 1|0       a key pressed or released, Linux key codes (KEY_ESC 1)
 *   grab               "ok 1" while a grab holds the pointer (an interactive move, a popup), else "ok 0"
 */
#define _GNU_SOURCE /* accept4 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <libweston/libweston.h>
#include <libweston/version.h>
#include <wayland-server.h>

#if WESTON_VERSION_MAJOR != 10
#error "written against libweston 10 (Debian 12): the seat and input calls below change in later versions"
#endif

/* Exported by libweston 10 for its backends, not declared in its installed headers. */
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec, const char *seat_name);
int weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);
void weston_seat_repick(struct weston_seat *seat);
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x, double y);
void notify_button(struct weston_seat *seat, const struct timespec *time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_pointer_frame(struct weston_seat *seat);
void notify_key(struct weston_seat *seat, const struct timespec *time, uint32_t key,
                enum wl_keyboard_key_state state, enum weston_key_state_update update_state);

struct test_seat {
    struct weston_compositor *compositor;
    struct weston_seat seat;
    struct wl_event_loop *loop;
    int listener;
    struct wl_event_source *listen_source;
    int connection;
    struct wl_event_source *connection_source;
    char line[256];
    size_t used;
    char answer[64];
};

static void close_connection(struct test_seat *ts) {
    if (ts->connection_source) wl_event_source_remove(ts->connection_source);
    if (ts->connection >= 0) close(ts->connection);
    ts->connection_source = NULL;
    ts->connection = -1;
    ts->used = 0;
}

/* Answers once the loop comes round again: by then weston has flushed the events the command
 * caused to the clients' sockets, so a test that reads the answer finds them there. */
static void answer_later(void *data) {
    struct test_seat *ts = data;
    if (ts->connection < 0) return;
    const size_t length = strlen(ts->answer);
    if (write(ts->connection, ts->answer, length) != (ssize_t)length) close_connection(ts);
}

static void run_command(struct test_seat *ts, const char *command) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    double x, y;
    int code, pressed;
    snprintf(ts->answer, sizeof ts->answer, "ok\n");
    if (sscanf(command, "move %lf %lf", &x, &y) == 2) {
        notify_motion_absolute(&ts->seat, &now, x, y);
        notify_pointer_frame(&ts->seat);
        weston_seat_repick(&ts->seat);
    } else if (sscanf(command, "button %d %d", &code, &pressed) == 2) {
        notify_button(&ts->seat, &now, code,
                      pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        notify_pointer_frame(&ts->seat);
    } else if (sscanf(command, "key %d %d", &code, &pressed) == 2 && code >= 0) {
        notify_key(&ts->seat, &now, (uint32_t)code,
                   pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED,
                   STATE_UPDATE_AUTOMATIC);
    } else if (strcmp(command, "grab") == 0) {
        const struct weston_pointer *pointer = ts->seat.pointer_state;
        snprintf(ts->answer, sizeof ts->answer, "ok %d\n", pointer != NULL && pointer->grab != &pointer->default_grab);
    } else {
        snprintf(ts->answer, sizeof ts->answer, "error unknown command\n");
    }
    weston_compositor_schedule_repaint(ts->compositor);
    wl_event_loop_add_idle(ts->loop, answer_later, ts);
}

static int on_readable(int fd, uint32_t mask, void *data) {
    struct test_seat *ts = data;
    if (mask & (WL_EVENT_HANGUP | WL_EVENT_ERROR)) {
        close_connection(ts);
        return 0;
    }
    const ssize_t got = read(fd, ts->line + ts->used, sizeof ts->line - 1 - ts->used);
    if (got <= 0) {
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
        close_connection(ts);
        return 0;
    }
    ts->used += (size_t)got;
    ts->line[ts->used] = 0;
    /* One command at a time: the test waits for each answer before it sends the next. */
    char *end = strchr(ts->line, '\n');
    if (end == NULL) {
        if (ts->used == sizeof ts->line - 1) close_connection(ts); /* no line fits: not a test */
        return 0;
    }
    *end = 0;
    run_command(ts, ts->line);
    const size_t rest = ts->used - (size_t)(end + 1 - ts->line);
    memmove(ts->line, end + 1, rest);
    ts->used = rest;
    return 0;
}

static int on_connection(int fd, uint32_t mask, void *data) {
    struct test_seat *ts = data;
    (void)mask;
    const int connection = accept4(fd, NULL, NULL, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0) return 0;
    close_connection(ts); /* the newest test connection replaces an older one */
    ts->connection = connection;
    ts->connection_source =
        wl_event_loop_add_fd(ts->loop, connection, WL_EVENT_READABLE, on_readable, ts);
    return 0;
}

/* The socket appears under its name only once it listens (bound under another name, then
 * renamed), so a test that sees the name can connect at once. */
static int listen_at(const char *path) {
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    if (snprintf(address.sun_path, sizeof address.sun_path, "%s.new", path) >= (int)sizeof address.sun_path)
        return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    unlink(address.sun_path);
    if (bind(fd, (struct sockaddr *)&address, sizeof address) != 0 || listen(fd, 4) != 0 ||
        rename(address.sun_path, path) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[]) {
    (void)argc;
    (void)argv;
    const char *path = getenv("KORVANTE_TEST_SEAT");
    if (path == NULL || *path == 0) {
        weston_log("test seat: KORVANTE_TEST_SEAT names no socket\n");
        return -1;
    }
    struct test_seat *ts = calloc(1, sizeof *ts);
    if (ts == NULL) return -1;
    ts->compositor = compositor;
    ts->loop = wl_display_get_event_loop(compositor->wl_display);
    ts->connection = -1;
    ts->listener = listen_at(path);
    if (ts->listener < 0) {
        weston_log("test seat: cannot listen at %s: %s\n", path, strerror(errno));
        free(ts);
        return -1;
    }
    weston_seat_init(&ts->seat, compositor, "korvante-test");
    weston_seat_init_pointer(&ts->seat);
    if (weston_seat_init_keyboard(&ts->seat, NULL) < 0) weston_log("test seat: no keyboard\n");
    ts->listen_source = wl_event_loop_add_fd(ts->loop, ts->listener, WL_EVENT_READABLE, on_connection, ts);
    weston_log("test seat: listening at %s\n", path);
    return 0;
}
