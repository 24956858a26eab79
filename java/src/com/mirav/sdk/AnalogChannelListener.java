package com.mirav.sdk;

/** Receives analog-channel frames as raw 9640-byte records, on the library's receive thread. */
@FunctionalInterface
public interface AnalogChannelListener {
    void onAnalogChannelReceived(byte[] data);
}
