// orvanta-wlinput [LAYOUT]: one virtual keyboard and one virtual pointer on
// the Wayland compositor of $WAYLAND_DISPLAY, driven by commands read line by
// line from standard input. Both devices stay attached until the tool ends:
// a compositor hands a window's keyboard focus to the keyboards present when
// the focus changes, so tests start this before the window they type into.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/toolusage.h"
#include "virtual-keyboard-v1-client.h"
#include "virtual-pointer-v1-client.h"

namespace {
constexpr const char* kUsage =
    "usage: orvanta-wlinput [LAYOUT]\n"
    "Attaches a virtual keyboard (xkb layout LAYOUT, \"us\" unless given) and a virtual\n"
    "pointer to the Wayland compositor of $WAYLAND_DISPLAY, then reads commands from\n"
    "standard input, one a line, and answers \"ok\" once each has reached the compositor:\n"
    "  key NAME          press and release the key of the xkb key name NAME (Escape, a, A)\n"
    "  press NAME        press it (a name that needs Shift: Shift stays down until release)\n"
    "  release NAME      release it\n"
    "  move DX DY        relative pointer motion in pixels\n"
    "  moveto X Y W H    the pointer to (X, Y) in an area W by H (the whole layout)\n"
    "  button B          press and release left, right or middle\n"
    "  quit              detach both devices and end\n"
    "Exit status: 0 after quit or the end of input, 1 on any error (one line on stderr),\n"
    "2 usage error.\n";

const char* gTool = "orvanta-wlinput";
constexpr long kFar = 1000000;  // pixels: beyond any layout, within the wire's number types

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", gTool, what.c_str());
    std::exit(1);
}

struct Globals {
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* g = static_cast<Globals*>(data);
    // Version 1 of each is all this tool asks for.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        g->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        g->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}

// libwayland's own messages would add lines before the one that tells the failure.
void quietLog(const char*, va_list) {}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

uint32_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// Where a key name is on the keymap: its evdev code and the modifiers that
// select the level carrying it (none for the first level).
struct KeyPlace {
    uint32_t evdev = 0;
    xkb_mod_mask_t mods = 0;
};

class Devices {
public:
    Devices(wl_display* display, const Globals& g, const char* layout) : display_(display) {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context_) fail("cannot make an xkb context");
        xkb_context_set_log_level(context_, XKB_LOG_LEVEL_CRITICAL);  // a failure is told in one line below
        const xkb_rule_names names = {nullptr, nullptr, layout, nullptr, nullptr};
        keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap_) fail(std::string("no xkb keymap for the layout \"") + layout + "\"");
        state_ = xkb_state_new(keymap_);
        if (!state_) fail("cannot make an xkb state");
        keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g.keyboards, g.seat);
        pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.pointers, g.seat);
        sendKeymap();
        sync("attaching the devices");
    }

    ~Devices() {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        zwlr_virtual_pointer_v1_destroy(pointer_);
        wl_display_roundtrip(display_);
        xkb_state_unref(state_);
        xkb_keymap_unref(keymap_);
        xkb_context_unref(context_);
    }

    // Carries out one command line; false for "quit".
    bool run(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        if (verb == "quit") return false;
        if (verb == "key" || verb == "press" || verb == "release") {
            std::string name;
            if (!(in >> name) || !atEnd(in)) fail("\"" + verb + "\" takes one key name: " + line);
            const KeyPlace place = find(name);
            if (verb != "release") sendKey(place, WL_KEYBOARD_KEY_STATE_PRESSED);
            if (verb != "press") sendKey(place, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else if (verb == "move") {
            double dx = 0, dy = 0;
            if (!(in >> dx >> dy) || !atEnd(in) || std::abs(dx) > kFar || std::abs(dy) > kFar)
                fail("\"move\" takes DX DY of at most a million pixels each: " + line);
            zwlr_virtual_pointer_v1_motion(pointer_, nowMs(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
            zwlr_virtual_pointer_v1_frame(pointer_);
        } else if (verb == "moveto") {
            long x = 0, y = 0, w = 0, h = 0;
            if (!(in >> x >> y >> w >> h) || !atEnd(in) || x < 0 || y < 0 || w <= 0 || h <= 0 || x > w || y > h ||
                w > kFar || h > kFar)
                fail("\"moveto\" takes X Y W H with 0 <= X <= W and 0 <= Y <= H: " + line);
            zwlr_virtual_pointer_v1_motion_absolute(pointer_, nowMs(), static_cast<uint32_t>(x),
                                                    static_cast<uint32_t>(y), static_cast<uint32_t>(w),
                                                    static_cast<uint32_t>(h));
            zwlr_virtual_pointer_v1_frame(pointer_);
        } else if (verb == "button") {
            std::string which;
            in >> which;
            const uint32_t code = which == "left"     ? BTN_LEFT
                                  : which == "right"  ? BTN_RIGHT
                                  : which == "middle" ? BTN_MIDDLE
                                                      : 0;
            if (!code || !atEnd(in)) fail("\"button\" takes left, right or middle: " + line);
            for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
                zwlr_virtual_pointer_v1_button(pointer_, nowMs(), code, state);
                zwlr_virtual_pointer_v1_frame(pointer_);
            }
        } else {
            fail("unknown command: " + line);
        }
        sync(line);
        return true;
    }

private:
    static bool atEnd(std::istringstream& in) {
        std::string rest;
        return !(in >> rest);
    }

    void sendKeymap() {
        char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
        if (!text) fail("cannot write the xkb keymap out");
        const size_t size = std::strlen(text) + 1;  // the receiver expects the terminating NUL
        const int fd = memfd_create("orvanta-wlinput-keymap", MFD_CLOEXEC);
        if (fd < 0) fail(std::string("memfd_create: ") + std::strerror(errno));
        for (size_t done = 0; done < size;) {
            const ssize_t n = write(fd, text + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail(std::string("writing the keymap: ") + std::strerror(errno));
            done += static_cast<size_t>(n);
        }
        std::free(text);
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
        close(fd);  // the request carried a duplicate of it
    }

    KeyPlace find(const std::string& name) const {
        xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (sym == XKB_KEY_NoSymbol) sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
        if (sym == XKB_KEY_NoSymbol) fail("no xkb key is named \"" + name + "\"");
        // The first level that carries the symbol wins, on the lowest key code.
        for (xkb_level_index_t level = 0; level < 4; ++level) {
            for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_);
                 ++code) {
                const xkb_keysym_t* syms = nullptr;
                if (level >= xkb_keymap_num_levels_for_key(keymap_, code, 0)) continue;
                const int n = xkb_keymap_key_get_syms_by_level(keymap_, code, 0, level, &syms);
                if (n != 1 || syms[0] != sym) continue;
                xkb_mod_mask_t mods = 0;
                if (level > 0 && xkb_keymap_key_get_mods_for_level(keymap_, code, 0, level, &mods, 1) < 1) continue;
                return {code - 8, mods};  // xkb key codes are evdev codes plus 8
            }
        }
        fail("the keymap has no key for \"" + name + "\"");
    }

    // The compositor takes the modifier state only from modifiers requests,
    // never from the keys: this keyboard's own xkb state follows every key
    // (so that "press Control_L" holds Control) and is sent after each one.
    // A key on a higher level adds that level's modifiers while it is down.
    void sendKey(const KeyPlace& place, uint32_t state) {
        const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
        if (place.mods && down) sendModifiers(place.mods);
        zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), place.evdev, state);
        xkb_state_update_key(state_, place.evdev + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        sendModifiers(down ? place.mods : 0);
    }

    void sendModifiers(xkb_mod_mask_t extra) {
        zwp_virtual_keyboard_v1_modifiers(keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED) | extra,
                                          xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                                          xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
                                          xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
    }

    void sync(const std::string& what) {
        if (wl_display_roundtrip(display_) >= 0) return;
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        if (interface)
            fail("the compositor refused \"" + what + "\": protocol error " + std::to_string(code) + " on " +
                 interface->name);
        fail("lost the compositor connection at \"" + what + "\": " + std::strerror(wl_display_get_error(display_)));
    }

    wl_display* display_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
};
}  // namespace

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, gTool, kUsage)) return *status;
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [LAYOUT]\n", argv[0]);
        return 2;
    }
    wl_log_set_handler_client(quietLog);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) fail("cannot connect to the Wayland display (is WAYLAND_DISPLAY set?)");
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    if (wl_display_roundtrip(display) < 0) fail("lost the compositor connection while listing its globals");
    if (!globals.seat) fail("the compositor offers no wl_seat");
    if (!globals.keyboards) fail("the compositor offers no zwp_virtual_keyboard_manager_v1");
    if (!globals.pointers) fail("the compositor offers no zwlr_virtual_pointer_manager_v1");
    {
        Devices devices(display, globals, argc == 2 ? argv[1] : "us");
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            if (!devices.run(line)) break;
            std::cout << "ok" << std::endl;
        }
    }
    zwlr_virtual_pointer_manager_v1_destroy(globals.pointers);
    wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
