// A DDEML server of one item, driven by the thread's message loop (Qt's, in the programs). The
// servers of a process share one DDEML instance, so that a transaction's topic, which is the service's
// name, tells whose it is.
#include "platform/DdemlServer.h"

#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <vector>

struct TDdemlServer::TState {
    std::string ServiceName;
    std::string ItemName;
    std::string Text;
    HSZ Service = nullptr;
    HSZ Item = nullptr;
    bool Registered = false;
    std::vector<HCONV> Conversations;  // ended when the service is withdrawn
};

namespace {

// DDEML calls back on the thread that started the instance, the one thread that uses the servers.
DWORD Instance = 0;
std::vector<TDdemlServer::TState*> Servers;

bool Same(HSZ handle, HSZ ours)
{
    return handle && ours && DdeCmpStringHandles(handle, ours) == 0;
}

HDDEDATA Answer(bool yes)
{
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(yes ? TRUE : FALSE));
}

// The server whose service the topic names, while it is registered.
TDdemlServer::TState* ServerOf(HSZ topic)
{
    const auto found = std::find_if(Servers.begin(), Servers.end(), [topic](const TDdemlServer::TState* state) {
        return state->Registered && Same(topic, state->Service);
    });
    return found == Servers.end() ? nullptr : *found;
}

void Forget(HCONV conversation)
{
    for (TDdemlServer::TState* state : Servers) {
        auto& conversations = state->Conversations;
        conversations.erase(std::remove(conversations.begin(), conversations.end(), conversation), conversations.end());
    }
}

HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ second, HDDEDATA, ULONG_PTR,
                           ULONG_PTR)
{
    if (type == XTYP_DISCONNECT) {
        Forget(conversation);
        return nullptr;
    }
    TDdemlServer::TState* const state = ServerOf(topic);
    if (!state)
        return type == XTYP_CONNECT ? Answer(false) : nullptr;
    switch (type) {
    case XTYP_CONNECT:
        return Answer(Same(second, state->Service));
    case XTYP_CONNECT_CONFIRM:
        state->Conversations.push_back(conversation);
        return nullptr;
    case XTYP_ADVSTART:
        return Answer(Same(second, state->Item) && format == CF_TEXT);
    case XTYP_REQUEST:
    case XTYP_ADVREQ:
        if (!Same(second, state->Item) || format != CF_TEXT)
            return nullptr;
        // CF_TEXT carries its terminating NUL.
        return DdeCreateDataHandle(Instance, reinterpret_cast<LPBYTE>(const_cast<char*>(state->Text.c_str())),
                                   static_cast<DWORD>(state->Text.size() + 1), 0, state->Item, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

bool StartInstance()
{
    if (Instance)
        return true;
    // Pokes and executes are refused: the item is read-only. A client in this process is another
    // program's business (Tolvane's feed), never this server's.
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_SELFCONNECTIONS | CBF_FAIL_POKES | CBF_FAIL_EXECUTES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeA(&Instance, Callback, flags, 0) != DMLERR_NO_ERROR) {
        Instance = 0;
        return false;
    }
    return true;
}

}  // namespace

TDdemlServer::TDdemlServer(std::string service, std::string item) : State(std::make_unique<TState>())
{
    State->ServiceName = std::move(service);
    State->ItemName = std::move(item);
    Servers.push_back(State.get());
}

TDdemlServer::~TDdemlServer()
{
    Unregister();
    if (Instance) {
        if (State->Item)
            DdeFreeStringHandle(Instance, State->Item);
        if (State->Service)
            DdeFreeStringHandle(Instance, State->Service);
    }
    Servers.erase(std::remove(Servers.begin(), Servers.end(), State.get()), Servers.end());
    if (Servers.empty() && Instance) {
        DdeUninitialize(Instance);
        Instance = 0;
    }
}

bool TDdemlServer::ServedElsewhere()
{
    if (!StartInstance())
        return false;
    const HSZ service = DdeCreateStringHandleA(Instance, State->ServiceName.c_str(), CP_WINANSI);
    const HCONV conversation = service ? DdeConnect(Instance, service, service, nullptr) : nullptr;
    if (conversation)
        DdeDisconnect(conversation);
    if (service)
        DdeFreeStringHandle(Instance, service);
    return conversation != nullptr;
}

bool TDdemlServer::Register()
{
    if (State->Registered)
        return true;
    if (!StartInstance())
        return false;
    if (!State->Service)
        State->Service = DdeCreateStringHandleA(Instance, State->ServiceName.c_str(), CP_WINANSI);
    if (!State->Item)
        State->Item = DdeCreateStringHandleA(Instance, State->ItemName.c_str(), CP_WINANSI);
    if (!State->Service || !State->Item || !DdeNameService(Instance, State->Service, nullptr, DNS_REGISTER))
        return false;
    State->Registered = true;
    return true;
}

void TDdemlServer::Unregister()
{
    if (!State->Registered)
        return;
    State->Registered = false;
    // Withdrawing the name leaves the conversations open: its clients learn it from their end.
    const std::vector<HCONV> conversations = State->Conversations;
    State->Conversations.clear();
    for (const HCONV conversation : conversations)
        DdeDisconnect(conversation);
    DdeNameService(Instance, State->Service, nullptr, DNS_UNREGISTER);
}

bool TDdemlServer::IsRegistered() const
{
    return State->Registered;
}

void TDdemlServer::Publish(const std::string& text)
{
    State->Text = text;
    // Each client with an advise loop on the item is told, and asks for the value.
    if (State->Registered)
        DdePostAdvise(Instance, State->Service, State->Item);
}

const std::string& TDdemlServer::Value() const
{
    return State->Text;
}
