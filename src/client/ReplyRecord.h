// The area a reply is delivered into: the 300,008-byte record image (also the body format of
// message type 105) plus the number of body bytes actually received, which bounds every read.
#ifndef MIRAV_CLIENT_REPLY_RECORD_H
#define MIRAV_CLIENT_REPLY_RECORD_H

#include <cstdint>

#include "protocol/MessageHeader.h"

namespace mirav {

struct ReplyRecord {
    uint16_t type;
    uint16_t unused;
    int32_t length;
    uint8_t body[kReplyBodyCapacity];
};
static_assert(sizeof(ReplyRecord) == kReplyRecordSize, "reply record image is 300,008 bytes");

struct Reply {
    ReplyRecord record;
    int32_t received;  // valid bytes of record.body
};

// A zero-filled reply (records are big: always on the heap); null when memory is short.
Reply* NewReply();
void DeleteReply(Reply* reply);

}  // namespace mirav

#endif
