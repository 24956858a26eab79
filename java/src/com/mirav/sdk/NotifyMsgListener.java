package com.mirav.sdk;

/** Receives server notifications as raw 136-byte records, on the library's receive thread. */
@FunctionalInterface
public interface NotifyMsgListener {
    void onNotifyMsgReceived(byte[] message);
}
