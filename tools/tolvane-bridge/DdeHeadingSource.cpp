// Tolvane's heading as its DDE service serves it on Windows (service and topic Tolvane, item heading,
// CF_TEXT), timed on GetTickCount64 as Tolvane times it there. Every text is hostile: only a whole
// heading line counts; anything else leaves the read-back as it was.
#include "HeadingSource.h"

#include <QTimer>

#include <windows.h>

#include <ddeml.h>

#include <string>

#include "platform/HeadingText.h"

namespace {

constexpr DWORD TransactionTimeoutMs = 1000;
// Tolvane announces each change; the value is also asked for this often, so that an announcement lost
// costs no more than this, and the conversation's state looked at, as Wine's DDEML does not tell a
// client when its server leaves.
constexpr int RefreshMs = 500;
// Linking asks every window of the desktop and waits for each, so that a hung one stalls the bridge: it
// is done when Tolvane registers its service, as DDEML tells every instance, and otherwise only this
// seldom, should that notice be lost.
constexpr int RelinkMs = 5000;
// A heading line is some forty bytes; a longer value is not one.
constexpr DWORD LongestValue = 256;

class TDdeHeadingSource;
// DDEML's callback carries no pointer of ours; a bridge follows one Tolvane.
TDdeHeadingSource* Source = nullptr;

class TDdeHeadingSource final : public IHeadingSource {
public:
    TDdeHeadingSource() { Source = this; }
    ~TDdeHeadingSource() override
    {
        Unlink();
        if (Instance) {
            DdeFreeStringHandle(Instance, Name);
            DdeFreeStringHandle(Instance, Item);
            DdeUninitialize(Instance);
        }
        Source = nullptr;
    }

    bool Start() override
    {
        if (DdeInitializeA(&Instance, Callback, APPCMD_CLIENTONLY | CBF_SKIP_CONNECT_CONFIRMS | CBF_SKIP_UNREGISTRATIONS, 0) !=
            DMLERR_NO_ERROR) {
            Instance = 0;
            return false;
        }
        Name = DdeCreateStringHandleA(Instance, "Tolvane", CP_WINANSI);
        Item = DdeCreateStringHandleA(Instance, "heading", CP_WINANSI);
        QObject::connect(&Refresh, &QTimer::timeout, [this] {
            if (Conversation && !Linked())
                Unlink();
            if (Conversation)
                RequestValue();
        });
        Refresh.start(RefreshMs);
        QObject::connect(&Relink, &QTimer::timeout, [this] {
            if (!Linked())
                Link();
        });
        Relink.start(RelinkMs);
        Link();
        return true;
    }

    std::optional<TRotctlProtocol::TReadBack> Latest() const override { return ReadBack; }

    std::uint64_t Now() const override { return GetTickCount64(); }

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ service, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
    {
        if (!Source)
            return nullptr;
        // Not from inside DDEML's callback: linking starts transactions of its own.
        if (type == XTYP_REGISTER && DdeCmpStringHandles(service, Source->Name) == 0)
            QTimer::singleShot(0, [] {
                if (Source && !Source->Linked())
                    Source->Link();
            });
        if (type == XTYP_ADVDATA) {
            Source->Take(data);
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        if (type == XTYP_DISCONNECT)
            Source->Forget();
        return nullptr;
    }

    bool Linked() const
    {
        CONVINFO information{};
        information.cb = sizeof information;
        return Conversation && DdeQueryConvInfo(Conversation, QID_SYNC, &information) != 0 &&
               (information.wStatus & ST_CONNECTED) != 0;
    }

    void Link()
    {
        Unlink();
        Conversation = DdeConnect(Instance, Name, Name, nullptr);
        if (!Conversation)
            return;
        // The value now, then each change as Tolvane announces it.
        RequestValue();
        DdeClientTransaction(nullptr, 0, Conversation, Item, CF_TEXT, XTYP_ADVSTART, TransactionTimeoutMs, nullptr);
    }

    void RequestValue()
    {
        if (const HDDEDATA data =
                DdeClientTransaction(nullptr, 0, Conversation, Item, CF_TEXT, XTYP_REQUEST, TransactionTimeoutMs, nullptr)) {
            Take(data);
            DdeFreeDataHandle(data);
        }
    }

    void Unlink()
    {
        if (Conversation)
            DdeDisconnect(Conversation);
        Forget();
    }

    // Nobody serves the heading: p answers the commanded position, as when Tolvane is not running.
    void Forget()
    {
        Conversation = nullptr;
        ReadBack.reset();
    }

    void Take(HDDEDATA data)
    {
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        if (size == 0 || size > LongestValue)
            return;
        std::string text(size, '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
        // CF_TEXT ends at its NUL.
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        const std::optional<THeadingState> state = ParseHeadingText(text);
        if (!state)
            return;
        ReadBack = TRotctlProtocol::TReadBack{state->Known, TRotctlProtocol::THeading{state->Azimuth, state->UpdatedMs}};
    }

    DWORD Instance = 0;
    HSZ Name = nullptr;
    HSZ Item = nullptr;
    HCONV Conversation = nullptr;
    QTimer Refresh;
    QTimer Relink;
    std::optional<TRotctlProtocol::TReadBack> ReadBack;
};

}  // namespace

std::unique_ptr<IHeadingSource> CreateHeadingSource()
{
    return std::make_unique<TDdeHeadingSource>();
}
