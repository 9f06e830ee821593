// FindWindowA, RegisterWindowMessageA and PostMessageA on X11 through xcb.
#include "platform/XcbWindowMessages.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// Longer values cannot equal a window class or title anyone looks for; bytes_after tells.
constexpr std::uint32_t PropertyLongs = 1024;

struct TWindowProperties {
    xcb_get_property_cookie_t WmClass;
    xcb_get_property_cookie_t WmName;
    xcb_get_property_cookie_t NetWmName;
};

// The whole value of a property, or false when it is missing or too long to read at once.
bool TakePropertyValue(xcb_connection_t* connection, xcb_get_property_cookie_t cookie,
                       std::string& value)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return false;
    const bool complete = reply->type != XCB_ATOM_NONE && reply->format == 8 && reply->bytes_after == 0;
    if (complete) {
        const char* bytes = static_cast<const char*>(xcb_get_property_value(reply));
        value.assign(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return complete;
}

// Some clients store a terminating NUL with their title.
std::string WithoutTrailingNuls(std::string text)
{
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// WM_CLASS holds "instance\0class\0"; the class part is the second string.
bool ClassPartEquals(const std::string& wmClass, const std::string& className)
{
    const std::size_t separator = wmClass.find('\0');
    if (separator == std::string::npos)
        return false;
    const std::string rest = wmClass.substr(separator + 1);
    return rest.substr(0, rest.find('\0')) == className;
}
}  // namespace

class TXcbWindowMessages::TConnection {
public:
    TConnection() = default;
    ~TConnection() { Close(); }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // The live connection, opened again after a break; nullptr without a reachable display.
    xcb_connection_t* Get()
    {
        if (Handle && xcb_connection_has_error(Handle))
            Close();
        if (!Handle)
            Open();
        return Handle;
    }

    const std::vector<xcb_window_t>& Roots() const { return RootWindows; }
    xcb_atom_t NetWmName() const { return NetWmNameAtom; }

    xcb_atom_t Intern(const std::string& name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            Handle, xcb_intern_atom(Handle, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr);
        if (!reply)
            return XCB_ATOM_NONE;
        const xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    }

private:
    void Open()
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            return;
        Handle = xcb_connect(display, nullptr);
        if (xcb_connection_has_error(Handle)) {
            Close();
            return;
        }
        for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(Handle)); screen.rem;
             xcb_screen_next(&screen))
            RootWindows.push_back(screen.data->root);
        NetWmNameAtom = Intern("_NET_WM_NAME");
    }

    void Close()
    {
        if (Handle)
            xcb_disconnect(Handle);
        Handle = nullptr;
        RootWindows.clear();
        NetWmNameAtom = XCB_ATOM_NONE;
    }

    xcb_connection_t* Handle = nullptr;
    std::vector<xcb_window_t> RootWindows;
    xcb_atom_t NetWmNameAtom = XCB_ATOM_NONE;
};

TXcbWindowMessages::TXcbWindowMessages() : Connection(std::make_unique<TConnection>()) {}

TXcbWindowMessages::~TXcbWindowMessages() = default;

TWindowHandle TXcbWindowMessages::FindWindowA(const std::string& className, const std::string& title)
{
    xcb_connection_t* connection = Connection->Get();
    if (!connection)
        return 0;
    // Breadth first, one round trip per level: a window manager puts the program's window
    // inside its own frame, so the match is rarely a direct child of the root.
    std::vector<xcb_window_t> level = Connection->Roots();
    while (!level.empty()) {
        std::vector<TWindowProperties> properties;
        properties.reserve(level.size());
        for (const xcb_window_t window : level) {
            properties.push_back(
                {xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_ANY, 0, PropertyLongs),
                 xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, PropertyLongs),
                 xcb_get_property(connection, 0, window, Connection->NetWmName(), XCB_ATOM_ANY, 0,
                                  PropertyLongs)});
        }
        std::vector<xcb_query_tree_cookie_t> trees;
        trees.reserve(level.size());
        for (const xcb_window_t window : level)
            trees.push_back(xcb_query_tree(connection, window));

        TWindowHandle found = 0;
        for (std::size_t i = 0; i < level.size(); ++i) {
            // Every reply is collected, even after a match, so none is left pending.
            std::string wmClass, wmName, netWmName;
            const bool classMatches = TakePropertyValue(connection, properties[i].WmClass, wmClass) &&
                                      ClassPartEquals(wmClass, className);
            const bool nameMatches = TakePropertyValue(connection, properties[i].WmName, wmName) &&
                                     WithoutTrailingNuls(wmName) == title;
            const bool netNameMatches = TakePropertyValue(connection, properties[i].NetWmName, netWmName) &&
                                        WithoutTrailingNuls(netWmName) == title;
            if (!found && classMatches && (nameMatches || netNameMatches))
                found = level[i];
        }
        std::vector<xcb_window_t> next;
        for (const xcb_query_tree_cookie_t cookie : trees) {
            // A window that vanished meanwhile has no reply and no children to visit.
            xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, cookie, nullptr);
            if (!tree)
                continue;
            const xcb_window_t* children = xcb_query_tree_children(tree);
            next.insert(next.end(), children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        if (found)
            return found;
        level.swap(next);
    }
    return 0;
}

std::uint32_t TXcbWindowMessages::RegisterWindowMessageA(const std::string& name)
{
    xcb_connection_t* connection = Connection->Get();
    if (!connection || name.empty() || name.size() > 0xFFFF)
        return 0;
    return Connection->Intern(name);
}

bool TXcbWindowMessages::PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                                      std::int32_t lParam)
{
    xcb_connection_t* connection = Connection->Get();
    if (!connection || window == 0)
        return false;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = message;
    // Two's complement, so a stop's -1 arrives with all bits set.
    event.data.data32[0] = static_cast<std::uint32_t>(wParam);
    event.data.data32[1] = static_cast<std::uint32_t>(lParam);
    // An empty event mask delivers the event to the window's own client only.
    const xcb_void_cookie_t cookie = xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                            reinterpret_cast<const char*>(&event));
    // The check waits for the server's answer, so a window that is gone shows up as an error here.
    if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
        std::free(error);
        return false;
    }
    return !xcb_connection_has_error(connection);
}

std::unique_ptr<IWindowMessages> CreateWindowMessages()
{
    return std::make_unique<TXcbWindowMessages>();
}
