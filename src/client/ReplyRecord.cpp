#include "client/ReplyRecord.h"

#include <cstring>
#include <new>

namespace mirav {

Reply* NewReply() {
    auto* reply = new (std::nothrow) Reply;
    if (reply != nullptr) std::memset(reply, 0, sizeof(Reply));
    return reply;
}

void DeleteReply(Reply* reply) { delete reply; }

}  // namespace mirav
