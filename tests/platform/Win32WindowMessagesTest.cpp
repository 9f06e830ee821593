// The Windows window messages against a window of the test's own: finding it, registering, posting.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <windows.h>

#include "platform/WindowMessages.h"

namespace {

constexpr char TargetClass[] = "TolvaneMessageTarget";

// A hidden top-level window of this thread, which FindWindowA sees like ARSWIN's.
class TTargetWindow {
public:
    explicit TTargetWindow(const char* title)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = TargetClass;
        ::RegisterClassA(&windowClass);  // fails harmlessly when an earlier test registered it
        Window = ::CreateWindowExA(0, TargetClass, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
    }
    ~TTargetWindow() { Destroy(); }
    TTargetWindow(const TTargetWindow&) = delete;
    TTargetWindow& operator=(const TTargetWindow&) = delete;

    HWND Handle() const { return Window; }
    void Destroy()
    {
        if (Window)
            ::DestroyWindow(Window);
        Window = nullptr;
    }

private:
    HWND Window = nullptr;
};

}  // namespace

TEST(Win32WindowMessages, FindsAWindowOnlyByItsClassAndTitleTogether)
{
    TTargetWindow target("ARSWIN test");
    ASSERT_NE(target.Handle(), nullptr);
    const auto messages = CreateWindowMessages();
    struct Row {
        const char* Name;
        const char* ClassName;
        const char* Title;
        bool Found;
    } rows[] = {
        {"both match", TargetClass, "ARSWIN test", true},
        {"another title", TargetClass, "ARSWIN", false},
        {"another class", "ThunderForm", "ARSWIN test", false},
    };
    for (const Row& row : rows) {
        const TWindowHandle found = messages->FindWindowA(row.ClassName, row.Title);
        EXPECT_EQ(found != 0, row.Found) << row.Name;
        if (row.Found) {  // the 32-bit handle widens back to the very window
            EXPECT_EQ(reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(found))),
                      target.Handle()) << row.Name;
        }
    }
}

TEST(Win32WindowMessages, ARegisteredNameGivesOneIdentifier)
{
    const auto messages = CreateWindowMessages();
    const std::uint32_t azimuth = messages->RegisterWindowMessageA("AZIMUTH");
    EXPECT_GE(azimuth, 0xC000u);  // the registered range
    EXPECT_EQ(messages->RegisterWindowMessageA("AZIMUTH"), azimuth);
    EXPECT_NE(messages->RegisterWindowMessageA("TolvaneOtherMessage"), azimuth);
}

TEST(Win32WindowMessages, APostedMessageArrivesWithItsSignedParameters)
{
    TTargetWindow target("ARSWIN post test");
    ASSERT_NE(target.Handle(), nullptr);
    const auto messages = CreateWindowMessages();
    const TWindowHandle window = messages->FindWindowA(TargetClass, "ARSWIN post test");
    const std::uint32_t azimuth = messages->RegisterWindowMessageA("AZIMUTH");
    struct Row {
        const char* Name;
        std::int32_t WParam;
        std::int32_t LParam;
        WPARAM ExpectedWParam;
    } rows[] = {
        {"an azimuth", 235, 0, 235},
        {"stop: -1 arrives as all bits set", -1, 0, ~WPARAM{0}},
        {"the largest", 0x7FFFFFFF, -2, 0x7FFFFFFF},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(messages->PostMessageA(window, azimuth, row.WParam, row.LParam)) << row.Name;
        MSG message{};
        ASSERT_TRUE(::PeekMessageA(&message, target.Handle(), azimuth, azimuth, PM_REMOVE)) << row.Name;
        EXPECT_EQ(message.wParam, row.ExpectedWParam) << row.Name;
        EXPECT_EQ(message.lParam, static_cast<LPARAM>(row.LParam)) << row.Name;
    }
}

TEST(Win32WindowMessages, NothingIsPostedWhereNoWindowIs)
{
    const auto messages = CreateWindowMessages();
    const std::uint32_t azimuth = messages->RegisterWindowMessageA("AZIMUTH");
    TTargetWindow target("ARSWIN gone");
    const TWindowHandle window = messages->FindWindowA(TargetClass, "ARSWIN gone");
    ASSERT_NE(window, 0u);
    target.Destroy();
    EXPECT_FALSE(messages->PostMessageA(window, azimuth, 90, 0)) << "a window that went away";
    EXPECT_FALSE(messages->PostMessageA(0, azimuth, 90, 0)) << "no window at all";
    MSG message{};
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, azimuth, azimuth, PM_REMOVE)) << "posted to this thread";
    EXPECT_FALSE(messages->PostMessageA(0xFFFF, azimuth, 90, 0)) << "the broadcast handle";
}
