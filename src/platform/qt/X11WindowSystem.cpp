#include "platform/qt/X11WindowSystem.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zarovia {

namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The values of a property of 32-bit items (windows or atoms), at most `maxItems`.
std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window,
                                 xcb_atom_t property, xcb_atom_t type, uint32_t maxItems) {
    std::vector<uint32_t> values;
    if (property == XCB_ATOM_NONE) return values;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, property, type, 0, maxItems);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply && reply->format == 32) {
        const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        values.assign(items, items + count);
    }
    std::free(reply);
    return values;
}

class X11WindowSystem : public WindowSystem {
public:
    explicit X11WindowSystem(xcb_connection_t* connection) : connection_(connection) {}

    // EWMH: the root names a check window that names itself; a stale property left by a window
    // manager that has gone names a window that no longer answers.
    bool hasWindowManager() const override {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        if (!screen) return false;
        const xcb_atom_t check = atomNamed(connection_, "_NET_SUPPORTING_WM_CHECK");
        const auto onRoot = property32(connection_, screen->root, check, XCB_ATOM_WINDOW, 1);
        if (onRoot.empty()) return false;
        const auto onChild = property32(connection_, onRoot[0], check, XCB_ATOM_WINDOW, 1);
        return !onChild.empty() && onChild[0] == onRoot[0];
    }

    std::optional<bool> managerFullScreen(const QWidget& window) const override {
        if (!window.internalWinId()) return std::nullopt;
        const auto id = static_cast<xcb_window_t>(window.internalWinId());
        const xcb_atom_t state = atomNamed(connection_, "_NET_WM_STATE");
        const xcb_atom_t fullScreen = atomNamed(connection_, "_NET_WM_STATE_FULLSCREEN");
        for (uint32_t atom : property32(connection_, id, state, XCB_ATOM_ATOM, 64))
            if (atom == fullScreen) return true;
        return false;
    }

private:
    xcb_connection_t* connection_;
};

class OtherWindowSystem : public WindowSystem {
public:
    bool hasWindowManager() const override {
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    }
    std::optional<bool> managerFullScreen(const QWidget&) const override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<WindowSystem> platformWindowSystem() {
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (xcb_connection_t* connection = x11->connection())
            return std::make_unique<X11WindowSystem>(connection);
    }
    return std::make_unique<OtherWindowSystem>();
}

}  // namespace zarovia
