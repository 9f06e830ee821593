// The feed conversation over DDEML: link, advise loop with notices only, requests and the close notice.
#include "platform/DdeClientConv.h"

#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace {

constexpr DWORD TransactionTimeoutMs = 1000;
// A feed value is a few digits; anything longer is cut rather than trusted.
constexpr DWORD LargestValue = 4096;

// Posted to the conversation's own window, so the handlers run from the message loop, one at a
// time, never inside DDEML's callback (a handler may open a modal box or link again).
constexpr UINT ItemChangedNotice = WM_APP + 1;
constexpr UINT ServerLeftNotice = WM_APP + 2;

// Control characters would confuse the readout and the box.
std::string CleanedValue(std::string text)
{
    for (char& character : text) {
        const auto code = static_cast<unsigned char>(character);
        if (code >= 1 && code <= 31)
            character = ' ';
    }
    return text;
}

// WinExec runs whatever a command line names: only a bare program name is started.
bool IsBareProgramName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\\/:\" \t") == std::string::npos;
}

class TDdemlLink;

// DDEML's callback carries no pointer of ours: the conversation handle leads to its link.
std::mutex LinksLock;
std::vector<TDdemlLink*> Links;

class TDdemlLink final : public IDdeClientConv {
public:
    TDdemlLink()
    {
        Window = CreateWindowExW(0, WindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (Window)
            SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // A client only: no server transactions and no registration notices reach the callback, but
        // disconnects do.
        const DWORD flags = APPCLASS_STANDARD | APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS |
                            CBF_SKIP_UNREGISTRATIONS | CBF_SKIP_CONNECT_CONFIRMS;
        if (!Window || DdeInitializeA(&Instance, Callback, flags, 0) != DMLERR_NO_ERROR)
            Instance = 0;
        const std::lock_guard<std::mutex> lock(LinksLock);
        Links.push_back(this);
    }

    ~TDdemlLink() override
    {
        // The owner of the callbacks may already be going away: close without telling it.
        OnOpen = nullptr;
        OnClose = nullptr;
        OnItemChange = nullptr;
        Close();
        SetItemHandle({});
        if (Instance)
            DdeUninitialize(Instance);
        {
            const std::lock_guard<std::mutex> lock(LinksLock);
            Links.erase(std::remove(Links.begin(), Links.end(), this), Links.end());
        }
        if (Window)
            DestroyWindow(Window);
    }

    TDdemlLink(const TDdemlLink&) = delete;
    TDdemlLink& operator=(const TDdemlLink&) = delete;

    bool SetLink(const std::string& service, const std::string& topic) override
    {
        Close();
        bool linked = Connect(service, topic);
        // WinExec returns once the program waits for input, so a Teskarn started here has usually
        // registered its service by then.
        if (!linked && IsBareProgramName(service) && WinExec(service.c_str(), SW_SHOWMINNOACTIVE) >= 32)
            linked = Connect(service, topic);
        if (!linked) {
            Item.clear();
            SetItemHandle({});
            return false;
        }
        const unsigned generation = Generation;
        if (OnOpen)
            OnOpen();
        // As DDE components do on opening, an item already named is advised and fetched once more.
        if (generation == Generation && !Item.empty()) {
            StartAdvise();
            RequestAndDeliver();
        }
        return IsOpen();
    }

    bool SetItemName(const std::string& item) override
    {
        if (!IsOpen()) {
            Item.clear();
            SetItemHandle({});
            return false;
        }
        if (item != Item) {
            StopAdvise();
            Item = item;
            SetItemHandle(item);
        }
        if (!Item.empty()) {
            StartAdvise();
            RequestAndDeliver();
        }
        return true;
    }

    void CloseLink() override { Close(); }

    bool IsOpen() const override { return Open; }

private:
    static const wchar_t* WindowClass()
    {
        static const ATOM atom = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProcedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"TolvaneDdeClientConv";
            return RegisterClassExW(&windowClass);
        }();
        return atom ? reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom)) : L"TolvaneDdeClientConv";
    }

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* link = reinterpret_cast<TDdemlLink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (link && (message == ItemChangedNotice || message == ServerLeftNotice)) {
            // A notice from an earlier conversation is stale.
            if (link->Open && static_cast<unsigned>(wParam) == link->Generation) {
                if (message == ItemChangedNotice)
                    link->RequestAndDeliver();
                else
                    link->Close();
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ item, HDDEDATA, ULONG_PTR,
                                      ULONG_PTR)
    {
        if (type != XTYP_ADVDATA && type != XTYP_DISCONNECT)
            return nullptr;
        const std::lock_guard<std::mutex> lock(LinksLock);
        for (TDdemlLink* link : Links) {
            if (!link->Open || link->Conversation != conversation)
                continue;
            if (type == XTYP_DISCONNECT) {
                // DDEML frees the conversation when this returns: it must not be used again.
                link->Conversation = nullptr;
                PostMessageW(link->Window, ServerLeftNotice, link->Generation, 0);
                return nullptr;
            }
            if (link->ItemHandle && DdeCmpStringHandles(item, link->ItemHandle) == 0)
                PostMessageW(link->Window, ItemChangedNotice, link->Generation, 0);
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        return nullptr;
    }

    HSZ StringHandle(const std::string& text) const
    {
        return Instance ? DdeCreateStringHandleA(Instance, text.c_str(), CP_WINANSI) : nullptr;
    }

    void SetItemHandle(const std::optional<std::string>& item)
    {
        if (ItemHandle)
            DdeFreeStringHandle(Instance, ItemHandle);
        ItemHandle = item ? StringHandle(*item) : nullptr;
    }

    bool Connect(const std::string& service, const std::string& topic)
    {
        const HSZ serviceHandle = StringHandle(service);
        const HSZ topicHandle = StringHandle(topic);
        HCONV conversation = nullptr;
        if (serviceHandle && topicHandle)
            conversation = DdeConnect(Instance, serviceHandle, topicHandle, nullptr);
        if (serviceHandle)
            DdeFreeStringHandle(Instance, serviceHandle);
        if (topicHandle)
            DdeFreeStringHandle(Instance, topicHandle);
        if (!conversation)
            return false;
        Conversation = conversation;
        Open = true;
        Advising = false;
        ++Generation;
        return true;
    }

    void Close()
    {
        if (!Open)
            return;
        Open = false;
        ++Generation;
        if (Conversation) {
            StopAdvise();
            DdeDisconnect(Conversation);
            Conversation = nullptr;
        }
        if (OnClose)
            OnClose();
    }

    // Notices only: the value is fetched by a request, as each notice arrives.
    void StartAdvise()
    {
        if (Advising || !Conversation || !ItemHandle)
            return;
        Advising = DdeClientTransaction(nullptr, 0, Conversation, ItemHandle, CF_TEXT, XTYP_ADVSTART | XTYPF_NODATA,
                                        TransactionTimeoutMs, nullptr) != nullptr;
    }

    void StopAdvise()
    {
        if (!Advising || !Conversation || !ItemHandle)
            return;
        Advising = false;
        DdeClientTransaction(nullptr, 0, Conversation, ItemHandle, CF_TEXT, XTYP_ADVSTOP, TransactionTimeoutMs,
                             nullptr);
    }

    // A request that fails or times out delivers nothing and leaves the conversation open.
    void RequestAndDeliver()
    {
        if (!Conversation || !ItemHandle)
            return;
        // Synchronous: no other notice is handled in between.
        const HDDEDATA data = DdeClientTransaction(nullptr, 0, Conversation, ItemHandle, CF_TEXT, XTYP_REQUEST,
                                                   TransactionTimeoutMs, nullptr);
        if (!data)
            return;
        const DWORD size = std::min(DdeGetData(data, nullptr, 0, 0), LargestValue);
        std::string text(size, '\0');
        const DWORD copied = size ? DdeGetData(data, reinterpret_cast<LPBYTE>(&text[0]), size, 0) : 0;
        DdeFreeDataHandle(data);
        text.resize(std::min(copied, size));
        // CF_TEXT ends at its first NUL.
        text.resize(std::min(text.size(), text.find('\0')));
        if (Open && OnItemChange)
            OnItemChange(CleanedValue(std::move(text)));
    }

    HWND Window = nullptr;
    DWORD Instance = 0;
    HCONV Conversation = nullptr;  // null once the server has left, until Close runs
    HSZ ItemHandle = nullptr;
    std::string Item;
    bool Open = false;
    bool Advising = false;
    // Changes with every open and close, so a notice or callback from an earlier conversation is noticed.
    unsigned Generation = 0;
};

}  // namespace

std::unique_ptr<IDdeClientConv> CreateDdeClientConv()
{
    return std::make_unique<TDdemlLink>();
}
