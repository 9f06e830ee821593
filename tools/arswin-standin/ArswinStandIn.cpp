// arswin-standin: stands in for ARSWIN, showing and logging every AZIMUTH message it receives.
//
// The window has class "ThunderForm" and title "ARSWIN", as Tolvane looks for it. Each AZIMUTH
// client message is printed on stdout as "AZIMUTH wParam=<n> lParam=<n>" (signed, flushed at
// once, so a test or a pipe sees it immediately) and the window shows the last azimuth.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct TFreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFreeDeleter>;

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name)
{
    TReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

void SetTextProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                     const std::string& value)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        static_cast<std::uint32_t>(value.size()), value.data());
}

class TStandInWindow {
public:
    explicit TStandInWindow(xcb_connection_t* connection) : Connection(connection)
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data;
        Window = xcb_generate_id(Connection);
        const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(Connection, XCB_COPY_FROM_PARENT, Window, screen->root, 40, 40, 260, 80, 1,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

        AzimuthAtom = InternAtom(Connection, "AZIMUTH");
        WmProtocolsAtom = InternAtom(Connection, "WM_PROTOCOLS");
        WmDeleteWindowAtom = InternAtom(Connection, "WM_DELETE_WINDOW");
        const xcb_atom_t netWmName = InternAtom(Connection, "_NET_WM_NAME");
        const xcb_atom_t utf8String = InternAtom(Connection, "UTF8_STRING");

        // WM_CLASS is "instance\0class\0"; Tolvane matches the class part.
        SetTextProperty(Connection, Window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                        std::string("arswin", 7) + std::string("ThunderForm", 12));
        SetTextProperty(Connection, Window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "ARSWIN");
        SetTextProperty(Connection, Window, netWmName, utf8String, "ARSWIN");
        xcb_change_property(Connection, XCB_PROP_MODE_REPLACE, Window, WmProtocolsAtom, XCB_ATOM_ATOM, 32, 1,
                            &WmDeleteWindowAtom);

        Font = xcb_generate_id(Connection);
        xcb_open_font(Connection, Font, 5, "fixed");
        Graphics = xcb_generate_id(Connection);
        const std::uint32_t graphicsValues[] = {screen->black_pixel, screen->white_pixel, Font};
        xcb_create_gc(Connection, Graphics, Window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_FONT,
                      graphicsValues);

        xcb_map_window(Connection, Window);
        xcb_flush(Connection);
    }

    // Runs until the window is closed or the display goes away.
    int Run()
    {
        while (xcb_generic_event_t* raw = xcb_wait_for_event(Connection)) {
            TReply<xcb_generic_event_t> event(raw);
            switch (event->response_type & 0x7F) {
            case XCB_EXPOSE:
                Draw();
                break;
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
                if (message->type == WmProtocolsAtom && message->data.data32[0] == WmDeleteWindowAtom)
                    return 0;
                if (message->type == AzimuthAtom && message->format == 32)
                    Receive(static_cast<std::int32_t>(message->data.data32[0]),
                            static_cast<std::int32_t>(message->data.data32[1]));
                break;
            }
            default:
                break;
            }
        }
        std::fprintf(stderr, "arswin-standin: the display connection was lost\n");
        return 1;
    }

private:
    void Receive(std::int32_t wParam, std::int32_t lParam)
    {
        std::printf("AZIMUTH wParam=%d lParam=%d\n", static_cast<int>(wParam), static_cast<int>(lParam));
        std::fflush(stdout);
        // wParam -1 (all bits set) is the stop command.
        Shown = wParam == -1 ? std::string("Stop") : "Azimuth " + std::to_string(wParam);
        xcb_clear_area(Connection, 0, Window, 0, 0, 0, 0);
        Draw();
    }

    void Draw()
    {
        xcb_image_text_8(Connection, static_cast<std::uint8_t>(Shown.size()), Window, Graphics, 20, 45,
                         Shown.c_str());
        xcb_flush(Connection);
    }

    xcb_connection_t* Connection;
    xcb_window_t Window = 0;
    xcb_font_t Font = 0;
    xcb_gcontext_t Graphics = 0;
    xcb_atom_t AzimuthAtom = XCB_ATOM_NONE;
    xcb_atom_t WmProtocolsAtom = XCB_ATOM_NONE;
    xcb_atom_t WmDeleteWindowAtom = XCB_ATOM_NONE;
    std::string Shown = "Waiting for Tolvane";
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        std::fprintf(stderr, "usage: %s\n  Shows an ARSWIN window on $DISPLAY and prints every AZIMUTH message.\n",
                     argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "arswin-standin: cannot open the display (DISPLAY=%s)\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        xcb_disconnect(connection);
        return 1;
    }
    int result = 0;
    {
        TStandInWindow window(connection);
        result = window.Run();
    }
    xcb_disconnect(connection);
    return result;
}
