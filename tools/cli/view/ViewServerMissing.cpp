// The web server where the build had no Boost headers: `view` says so.
#include "ViewServer.h"

namespace mirav::cli {

struct ViewServer::Impl {};

ViewServer::ViewServer() = default;
ViewServer::~ViewServer() = default;

bool ViewServer::Start(const std::string&, uint16_t, const std::string&, ViewHandlers,
                       std::string& error) {
    error = "this mirav-cli was built without its web server (the Boost headers were missing)";
    return false;
}

uint16_t ViewServer::Port() const { return 0; }
int ViewServer::Pages() const { return 0; }
void ViewServer::Stop() {}
bool ViewServer::Available() { return false; }

}  // namespace mirav::cli
