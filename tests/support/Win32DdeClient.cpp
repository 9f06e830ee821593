// The Windows tests' DDE client.
#include "support/Win32DdeClient.h"

namespace {

// DDEML's callback carries no pointer of ours.
TDdeClient* Current = nullptr;

std::string Text(HDDEDATA data)
{
    char buffer[256] = {};
    DdeGetData(data, reinterpret_cast<LPBYTE>(buffer), sizeof buffer - 1, 0);
    return buffer;
}

}  // namespace

TDdeClient::TDdeClient()
{
    Current = this;
    DdeInitializeA(&Instance, Callback, APPCMD_CLIENTONLY, 0);
}

TDdeClient::~TDdeClient()
{
    Disconnect();
    DdeUninitialize(Instance);
    Current = nullptr;
}

bool TDdeClient::Connect(const char* service)
{
    const HSZ name = DdeCreateStringHandleA(Instance, service, CP_WINANSI);
    Conversation = DdeConnect(Instance, name, name, nullptr);
    DdeFreeStringHandle(Instance, name);
    return Conversation != nullptr;
}

void TDdeClient::Disconnect()
{
    if (Conversation)
        DdeDisconnect(Conversation);
    Conversation = nullptr;
}

bool TDdeClient::IsConnected() const
{
    CONVINFO information{};
    information.cb = sizeof information;
    return Conversation && DdeQueryConvInfo(Conversation, QID_SYNC, &information) != 0 &&
           (information.wStatus & ST_CONNECTED) != 0;
}

std::string TDdeClient::Request(const char* item, UINT format)
{
    const HSZ name = DdeCreateStringHandleA(Instance, item, CP_WINANSI);
    const HDDEDATA data = DdeClientTransaction(nullptr, 0, Conversation, name, format, XTYP_REQUEST, 2000, nullptr);
    DdeFreeStringHandle(Instance, name);
    if (!data)
        return "<none>";
    const std::string text = Text(data);
    DdeFreeDataHandle(data);
    return text;
}

bool TDdeClient::Advise(const char* item)
{
    const HSZ name = DdeCreateStringHandleA(Instance, item, CP_WINANSI);
    const bool started =
        DdeClientTransaction(nullptr, 0, Conversation, name, CF_TEXT, XTYP_ADVSTART, 2000, nullptr) != nullptr;
    DdeFreeStringHandle(Instance, name);
    return started;
}

HDDEDATA CALLBACK TDdeClient::Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
{
    if (type == XTYP_ADVDATA && Current) {
        Current->Advised.push_back(Text(data));
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    if (type == XTYP_DISCONNECT && Current)
        Current->Conversation = nullptr;
    return nullptr;
}
