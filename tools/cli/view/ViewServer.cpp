#include "ViewServer.h"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace mirav::cli {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr auto kFramePoll = std::chrono::milliseconds(4);
constexpr size_t kRequestLimit = 8192;  // requests carry no body worth the name
constexpr size_t kMessageLimit = 4096;  // page commands are a few bytes

struct Shared {
    ViewHandlers handlers;
    std::string index, script;  // the page's files
    std::atomic<int> pages{0};
};

// A page may come only from this server: a WebSocket is not bound by the browser's same-origin
// rule, so any other site the user has open could otherwise read the stream.
bool SameOrigin(const http::request<http::string_body>& request) {
    const auto origin = request.find(http::field::origin);
    if (origin == request.end()) return true;  // not a browser page
    return origin->value() == "http://" + std::string(request[http::field::host]);
}

class StreamSession : public std::enable_shared_from_this<StreamSession> {
public:
    StreamSession(tcp::socket socket, std::shared_ptr<Shared> shared)
        : ws_(std::move(socket)), timer_(ws_.get_executor()), shared_(std::move(shared)) {}
    ~StreamSession() {
        if (accepted_) --shared_->pages;
    }

    void Run(http::request<http::string_body> request) {
        ws_.read_message_max(kMessageLimit);
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
            if (ec) return;
            self->accepted_ = true;
            ++self->shared_->pages;
            self->Send(self->shared_->handlers.scene());
            self->Read();
        });
    }

private:
    void Read() {
        ws_.async_read(in_, [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec) {
                self->closed_ = true;
                self->timer_.cancel();
                return;
            }
            const std::string text = beast::buffers_to_string(self->in_.data());
            self->in_.consume(self->in_.size());
            if (text == "next") {
                self->wantFrame_ = true;
                self->SendFrame();
            } else if (self->shared_->handlers.command) {
                self->shared_->handlers.command(text);
            }
            self->Read();
        });
    }

    // Sends the newest frame if the page wants one and it is new; otherwise looks again soon.
    void SendFrame() {
        if (closed_ || writing_ || !wantFrame_ || waiting_) return;
        std::string message;
        if (shared_->handlers.newestFrame(&sequence_, &message)) {
            wantFrame_ = false;
            Send(std::move(message));
            return;
        }
        waiting_ = true;
        timer_.expires_after(kFramePoll);
        timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            self->waiting_ = false;
            if (!ec) self->SendFrame();
        });
    }

    void Send(std::string message) {
        out_ = std::move(message);
        writing_ = true;
        ws_.text(true);
        ws_.async_write(net::buffer(out_),
                        [self = shared_from_this()](beast::error_code ec, size_t) {
                            self->writing_ = false;
                            if (ec) {
                                self->closed_ = true;
                                return;
                            }
                            self->SendFrame();
                        });
    }

    websocket::stream<beast::tcp_stream> ws_;
    net::steady_timer timer_;
    std::shared_ptr<Shared> shared_;
    beast::flat_buffer in_;
    std::string out_;
    uint64_t sequence_ = 0;
    bool accepted_ = false, closed_ = false, writing_ = false, wantFrame_ = false, waiting_ = false;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(tcp::socket socket, std::shared_ptr<Shared> shared)
        : stream_(std::move(socket)), shared_(std::move(shared)) {}

    void Read() {
        parser_.emplace();
        parser_->header_limit(kRequestLimit);
        parser_->body_limit(kRequestLimit);
        stream_.expires_after(kIdleTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, size_t) {
                             if (!ec) self->OnRequest(self->parser_->release());
                         });
    }

private:
    void OnRequest(http::request<http::string_body> request) {
        if (websocket::is_upgrade(request)) {
            if (request.target() == "/stream" && SameOrigin(request)) {
                stream_.expires_never();
                std::make_shared<StreamSession>(stream_.release_socket(), shared_)
                    ->Run(std::move(request));
            }
            return;
        }
        auto response = std::make_shared<http::response<http::string_body>>(Answer(request));
        http::async_write(stream_, *response,
                          [self = shared_from_this(), response](beast::error_code ec, size_t) {
                              if (!ec && response->keep_alive()) self->Read();
                          });
    }

    // Only the page's two files exist; nothing is looked up on disk from a request.
    http::response<http::string_body> Answer(const http::request<http::string_body>& request) {
        http::response<http::string_body> response;
        response.version(request.version());
        response.keep_alive(request.keep_alive());
        response.set(http::field::cache_control, "no-store");
        const auto target = request.target();
        const std::string* body = nullptr;
        const char* type = "text/plain";
        if (target == "/" || target == "/index.html") {
            body = &shared_->index;
            type = "text/html; charset=utf-8";
        } else if (target == "/view.js") {
            body = &shared_->script;
            type = "text/javascript; charset=utf-8";
        }
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            response.result(http::status::method_not_allowed);
            response.body() = "only GET\n";
        } else if (body == nullptr) {
            response.result(http::status::not_found);
            response.body() = "not found\n";
        } else {
            response.result(http::status::ok);
            response.set(http::field::content_type, type);
            if (request.method() == http::verb::get) response.body() = *body;
        }
        response.prepare_payload();
        if (request.method() == http::verb::head) response.body().clear();
        return response;
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::shared_ptr<Shared> shared_;
};

bool ReadWhole(const std::string& path, std::string& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    out = text.str();
    return true;
}

}  // namespace

struct ViewServer::Impl {
    net::io_context io{1};
    std::unique_ptr<tcp::acceptor> acceptor;
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::thread thread;

    void Accept() {
        acceptor->async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec) return;  // closed by Stop
            std::make_shared<HttpSession>(std::move(socket), shared)->Read();
            Accept();
        });
    }
};

ViewServer::ViewServer() : impl_(std::make_unique<Impl>()) {}
ViewServer::~ViewServer() { Stop(); }

bool ViewServer::Available() { return true; }

bool ViewServer::Start(const std::string& bindAddress, uint16_t port, const std::string& pageDir,
                       ViewHandlers handlers, std::string& error) {
    if (!ReadWhole(pageDir + "/index.html", impl_->shared->index) ||
        !ReadWhole(pageDir + "/view.js", impl_->shared->script)) {
        error = "the page is missing from " + pageDir +
                " (it is built when Node.js and npm are present)";
        return false;
    }
    impl_->shared->handlers = std::move(handlers);
    beast::error_code ec;
    const auto address = net::ip::make_address(bindAddress, ec);
    if (ec) {
        error = "--bind needs an IP address, not " + bindAddress;
        return false;
    }
    auto acceptor = std::make_unique<tcp::acceptor>(impl_->io);
    const tcp::endpoint endpoint(address, port);
    acceptor->open(endpoint.protocol(), ec);
    if (!ec) acceptor->set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor->bind(endpoint, ec);
    if (!ec) acceptor->listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        error =
            "cannot listen on " + bindAddress + ":" + std::to_string(port) + ": " + ec.message();
        return false;
    }
    impl_->acceptor = std::move(acceptor);
    impl_->Accept();
    impl_->thread = std::thread([this] { impl_->io.run(); });
    return true;
}

uint16_t ViewServer::Port() const {
    return impl_->acceptor ? impl_->acceptor->local_endpoint().port() : 0;
}

int ViewServer::Pages() const { return impl_->shared->pages.load(); }

void ViewServer::Stop() {
    if (!impl_->thread.joinable()) return;
    impl_->io.stop();
    impl_->thread.join();
    impl_->acceptor.reset();
}

}  // namespace mirav::cli
