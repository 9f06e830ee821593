// One text item served over DDE, under a service whose topic has the service's name, as Teskarn
// serves its azimuth: requests and advise loops, CF_TEXT.
#pragma once

#include <memory>
#include <string>

class TDdemlServer {
public:
    TDdemlServer(std::string service, std::string item);
    ~TDdemlServer();
    TDdemlServer(const TDdemlServer&) = delete;
    TDdemlServer& operator=(const TDdemlServer&) = delete;

    // Whether another program answers for the service now. It asks every top-level window, so it
    // must not run while a program that started this one waits for it to become idle.
    bool ServedElsewhere();
    // Registers the service: clients may connect from now on. False when DDE cannot be used.
    bool Register();
    // Ends every conversation and withdraws the name.
    void Unregister();
    bool IsRegistered() const;
    // The item's text from now on; clients with an advise loop are told at once.
    void Publish(const std::string& text);
    const std::string& Value() const;

    // What DDEML's callback, which carries no pointer of ours, finds of each server.
    struct TState;

private:
    std::unique_ptr<TState> State;
};
