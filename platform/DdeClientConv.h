// The azimuth feed's client conversation: one service and topic, one item, text values.
#pragma once

#include <functional>
#include <memory>
#include <string>

class IDdeClientConv {
public:
    virtual ~IDdeClientConv() = default;

    // Ends the current conversation (OnClose runs), then connects; when nobody answers,
    // starts the program named by the service once and tries again at once.
    // OnOpen runs on success; on failure the item name is dropped. Returns success.
    virtual bool SetLink(const std::string& service, const std::string& topic) = 0;
    // With a conversation open: subscribes to the item and requests its value at once
    // (OnItemChange runs before this returns when the value arrives). Otherwise dropped.
    virtual bool SetItemName(const std::string& item) = 0;
    // Ends the conversation; OnClose runs if one was open.
    virtual void CloseLink() = 0;
    virtual bool IsOpen() const = 0;

    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    // The item's new text, control characters already turned into spaces.
    std::function<void(const std::string& text)> OnItemChange;
};

// The platform's: the D-Bus session bus on Linux, DDEML on Windows.
std::unique_ptr<IDdeClientConv> CreateDdeClientConv();
