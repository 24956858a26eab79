package com.mirav.sdk;

/**
 * Receives every change of a client's connection state, in order, on the client's monitor thread
 * (a daemon Java thread named "mirav-client-N-monitor"). It may call the client's operations
 * except {@link MiravSDKClient#uninitialize()} and {@link MiravSDKClient#close()}, which throw
 * {@link IllegalStateException} there.
 */
@FunctionalInterface
public interface ConnectionStateListener {
    /**
     * @param state the new state
     * @param previousState the state before the change
     */
    void onConnectionStateChanged(ConnectionState state, ConnectionState previousState);
}
