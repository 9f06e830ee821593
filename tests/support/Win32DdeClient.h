// A DDE client as another program has one, for the Windows tests: requests, an advise loop with
// its data, and the server's end. One at a time in a process.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <string>
#include <vector>

class TDdeClient {
public:
    TDdeClient();
    ~TDdeClient();
    TDdeClient(const TDdeClient&) = delete;
    TDdeClient& operator=(const TDdeClient&) = delete;

    // A conversation on the service, whose topic has the service's name.
    bool Connect(const char* service);
    void Disconnect();
    // Wine's DDEML tells a client nothing when its server ends: the conversation's status does.
    bool IsConnected() const;
    // The item's text now; "<none>" when the server gives nothing.
    std::string Request(const char* item, UINT format = CF_TEXT);
    // An advise loop with data: each value the server announces lands in Advised.
    bool Advise(const char* item);

    std::vector<std::string> Advised;

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR);

    DWORD Instance = 0;
    HCONV Conversation = nullptr;
};
