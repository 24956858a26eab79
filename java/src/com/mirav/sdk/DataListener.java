package com.mirav.sdk;

import com.mirav.sdk.model.FrameOfMocapData;

/** Receives every frame as it arrives, on the library's receive thread. */
@FunctionalInterface
public interface DataListener {
    /**
     * Called once per frame. Exceptions thrown here are printed and dropped; the next frame is
     * delivered as usual.
     *
     * @param frame the frame, extended kinematics included when the server sent them
     * @param userObject the object given at registration, or null
     */
    void onDataReceived(FrameOfMocapData frame, Object userObject);
}
