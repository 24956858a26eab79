package com.mirav.sdk;

import com.mirav.sdk.model.ForcePlates;

/** Receives the force plate results of every frame, on the library's receive thread. */
@FunctionalInterface
public interface ForcePlateListener {
    /**
     * @param plates frame number and one entry per configured plate
     * @param userObject the object given at registration, or null
     */
    void onForcePlateReceived(ForcePlates plates, Object userObject);
}
