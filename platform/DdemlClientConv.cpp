// The feed conversation over DDEML: link, advise loop with notices only, requests and the close notice.
#include "platform/DdeClientConv.h"

#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

constexpr DWORD TransactionTimeoutMs = 1000;
// A feed value is a few digits; anything longer is cut rather than trusted.
constexpr DWORD LargestValue = 4096;

// Posted to the conversation's own window, so the handlers run from the message loop, one at a
// time, never inside DDEML's callback (a handler may open a modal box or link again).
constexpr UINT ItemChangedNotice = WM_APP + 1;
constexpr UINT ServerLeftNotice = WM_APP + 2;
// Wine's DDEML tells a client nothing when its server leaves; the conversation's status does.
constexpr UINT_PTR ServerWatch = 1;
constexpr UINT ServerWatchMs = 200;

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
        // WinExec returns once a windowed program waits for input, by when Teskarn has registered its
        // service; a console program may not have yet, and the next attempt links.
        if (!linked && IsBareProgramName(service) && WinExec(service.c_str(), SW_SHOWMINNOACTIVE) >= 32)
            linked = Connect(service, topic);
        if (!linked) {
            Item.clear();
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
            return false;
        }
        if (item != Item) {
            StopAdvise();
            Item = item;
            SetItemHandle();
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
        if (link && message == WM_TIMER && wParam == ServerWatch) {
            if (link->Open && link->ServerLeft())
                link->Close();
            return 0;
        }
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

    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ item, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR)
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
            // The advise loop carries no data: data here is a late answer to a request (Wine hands one
            // over as advise data), not a change.
            if (!data && link->ItemHandle && DdeCmpStringHandles(item, link->ItemHandle) == 0)
                PostMessageW(link->Window, ItemChangedNotice, link->Generation, 0);
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        return nullptr;
    }

    HSZ StringHandle(const std::string& text) const
    {
        return Instance ? DdeCreateStringHandleA(Instance, text.c_str(), CP_WINANSI) : nullptr;
    }

    void SetItemHandle()
    {
        if (ItemHandle)
            DdeFreeStringHandle(Instance, ItemHandle);
        ItemHandle = Item.empty() ? nullptr : StringHandle(Item);
    }

    bool ServerLeft() const
    {
        if (!Conversation)
            return true;
        CONVINFO information{};
        information.cb = sizeof information;
        return DdeQueryConvInfo(Conversation, QID_SYNC, &information) == 0 ||
               !(information.wStatus & ST_CONNECTED);
    }

    // Each conversation has a DDEML instance of its own: under Wine a conversation that its server
    // ended stays in the instance, and no later DdeConnect of that instance succeeds.
    bool Connect(const std::string& service, const std::string& topic)
    {
        // A client only: no server transactions and no registration notices reach the callback, but
        // disconnects do.
        const DWORD flags = APPCLASS_STANDARD | APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS |
                            CBF_SKIP_UNREGISTRATIONS | CBF_SKIP_CONNECT_CONFIRMS;
        if (!Window || DdeInitializeA(&Instance, Callback, flags, 0) != DMLERR_NO_ERROR) {
            Instance = 0;
            return false;
        }
        const HSZ serviceHandle = StringHandle(service);
        const HSZ topicHandle = StringHandle(topic);
        HCONV conversation = nullptr;
        if (serviceHandle && topicHandle)
            conversation = DdeConnect(Instance, serviceHandle, topicHandle, nullptr);
        if (serviceHandle)
            DdeFreeStringHandle(Instance, serviceHandle);
        if (topicHandle)
            DdeFreeStringHandle(Instance, topicHandle);
        if (!conversation) {
            Uninitialize();
            return false;
        }
        Conversation = conversation;
        Open = true;
        Advising = false;
        ++Generation;
        SetItemHandle();
        SetTimer(Window, ServerWatch, ServerWatchMs, nullptr);
        return true;
    }

    void Close()
    {
        if (!Open)
            return;
        Open = false;
        ++Generation;
        KillTimer(Window, ServerWatch);
        if (Conversation && !ServerLeft()) {
            StopAdvise();
            DdeDisconnect(Conversation);
        }
        Conversation = nullptr;
        Uninitialize();
        if (OnClose)
            OnClose();
    }

    void Uninitialize()
    {
        if (ItemHandle)
            DdeFreeStringHandle(Instance, ItemHandle);
        ItemHandle = nullptr;
        Advising = false;
        if (Instance)
            DdeUninitialize(Instance);
        Instance = 0;
    }

    // Wine's DDEML server follows each answer to a request with an acknowledgement too; left in the
    // queue it would be taken for the answer to the next transaction. Ours are all synchronous, so
    // between them any acknowledgement waiting for the conversation is stale.
    void DropStaleAcknowledgements() const
    {
        CONVINFO information{};
        information.cb = sizeof information;
        if (!Conversation || !DdeQueryConvInfo(Conversation, QID_SYNC, &information) || !information.hwnd)
            return;
        MSG message;
        while (PeekMessageW(&message, information.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
            UINT_PTR status = 0;
            UINT_PTR item = 0;
            if (UnpackDDElParam(WM_DDE_ACK, message.lParam, &status, &item)) {
                FreeDDElParam(WM_DDE_ACK, message.lParam);
                GlobalDeleteAtom(static_cast<ATOM>(item));
            }
        }
    }

    HDDEDATA Transaction(UINT type)
    {
        DropStaleAcknowledgements();
        return DdeClientTransaction(nullptr, 0, Conversation, ItemHandle, CF_TEXT, type, TransactionTimeoutMs, nullptr);
    }

    // Notices only: the value is fetched by a request, as each notice arrives.
    void StartAdvise()
    {
        if (Advising || !Conversation || !ItemHandle)
            return;
        Advising = Transaction(XTYP_ADVSTART | XTYPF_NODATA) != nullptr;
    }

    void StopAdvise()
    {
        if (!Advising || !Conversation || !ItemHandle)
            return;
        Advising = false;
        Transaction(XTYP_ADVSTOP);
    }

    // A request that fails or times out delivers nothing and leaves the conversation open.
    void RequestAndDeliver()
    {
        if (!Conversation || !ItemHandle)
            return;
        // Synchronous: no other notice is handled in between.
        HDDEDATA data = Transaction(XTYP_REQUEST);
        // The acknowledgement that trails the previous answer under Wine may arrive while this request
        // waits, and reads as a refusal; the answer asked for once more is the real one.
        if (!data && Instance && DdeGetLastError(Instance) == DMLERR_NOTPROCESSED && Conversation)
            data = Transaction(XTYP_REQUEST);
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
