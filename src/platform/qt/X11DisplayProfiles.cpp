#include "platform/qt/X11DisplayProfiles.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace zarovia::platform {

struct X11DisplayProfiles::State {
    Listener listener;
    std::string display;
    bool namedDisplay = false;
    int stopPipe[2] = {-1, -1};
    std::mutex mutex;  // held while the listener runs, and to stop it
    bool stopped = false;

    void report(const std::vector<QByteArray>& byScreen) {
        const std::lock_guard lock(mutex);
        if (!stopped && listener) listener(byScreen);
    }
    void run();
};

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const std::string& name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The property's bytes when it is a list of 8-bit items no larger than the limit.
QByteArray readProfile(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t atom) {
    const uint32_t maxLongs = X11DisplayProfiles::kMaxProfileBytes / 4;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, maxLongs);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    QByteArray bytes;
    // More left over than one read takes: larger than any profile we accept.
    if (reply && reply->format == 8 && reply->bytes_after == 0) {
        const int length = xcb_get_property_value_length(reply);
        if (length > 0 && static_cast<unsigned>(length) <= X11DisplayProfiles::kMaxProfileBytes)
            bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    }
    std::free(reply);
    return bytes;
}

}  // namespace

void X11DisplayProfiles::State::run() {
    xcb_connection_t* connection = xcb_connect(namedDisplay ? display.c_str() : nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        report({});
        return;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t root = screen->root;
    std::vector<xcb_atom_t> atoms;
    for (int i = 0; i < kScreens; ++i)
        atoms.push_back(internAtom(connection, i == 0 ? std::string("_ICC_PROFILE")
                                                      : "_ICC_PROFILE_" + std::to_string(i)));
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const auto readAll = [&] {
        std::vector<QByteArray> byScreen;
        for (const xcb_atom_t atom : atoms) byScreen.push_back(readProfile(connection, root, atom));
        report(byScreen);
    };
    readAll();
    pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    // Events that came in while the properties were read wait in xcb's own queue, not on the
    // socket: they are taken before each poll.
    const auto takeEvents = [&] {
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                for (const xcb_atom_t atom : atoms)
                    if (notify->atom == atom) changed = true;
            }
            std::free(event);
        }
        return changed;
    };
    while (!xcb_connection_has_error(connection)) {
        while (takeEvents()) readAll();
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) break;
    }
    xcb_disconnect(connection);
}

X11DisplayProfiles::X11DisplayProfiles(Listener listener, const char* display)
    : state_(std::make_shared<State>()) {
    state_->listener = std::move(listener);
    if (display != nullptr) {
        state_->display = display;
        state_->namedDisplay = true;
    }
    if (pipe(state_->stopPipe) != 0) {
        state_->report({});
        return;
    }
    // Detached: it holds the state it needs, so quitting never waits for the X server.
    std::thread([state = state_] {
        state->run();
        close(state->stopPipe[0]);
    }).detach();
}

X11DisplayProfiles::~X11DisplayProfiles() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopped = true;
    }
    if (state_->stopPipe[1] >= 0) {
        const char stop = 1;
        (void)!write(state_->stopPipe[1], &stop, 1);
        close(state_->stopPipe[1]);
    }
}

}  // namespace zarovia::platform
