// The local web server of `mirav-cli view`: serves the page's two files and one WebSocket
// (/stream) per open page. A page asks for each frame ("next") once it has drawn the one before,
// and gets the newest frame there is: a fast stream never queues up behind a slow display.
// Everything runs on one thread of its own.
#ifndef MIRAV_CLI_VIEW_VIEW_SERVER_H
#define MIRAV_CLI_VIEW_VIEW_SERVER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mirav::cli {

struct ViewHandlers {
    // The scene message sent when a page connects (names, plates, units).
    std::function<std::string()> scene;
    // The newest frame message if it is newer than *sequence (then *sequence is updated);
    // false when there is none yet.
    std::function<bool(uint64_t* sequence, std::string* message)> newestFrame;
    // A command from a page other than "next" ("play", "pause", "seek N").
    std::function<void(const std::string&)> command;
};

class ViewServer {
public:
    ViewServer();
    ~ViewServer();
    ViewServer(const ViewServer&) = delete;
    ViewServer& operator=(const ViewServer&) = delete;

    // Listens on bindAddress:port (port 0: any free port) and serves index.html and view.js
    // from pageDir. False with a reason when the address cannot be used.
    bool Start(const std::string& bindAddress, uint16_t port, const std::string& pageDir,
               ViewHandlers handlers, std::string& error);
    uint16_t Port() const;
    // Pages connected now.
    int Pages() const;
    // Closes every connection and ends the server's thread.
    void Stop();

    // True when this build has the web server (it needs the Boost headers).
    static bool Available();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mirav::cli

#endif
