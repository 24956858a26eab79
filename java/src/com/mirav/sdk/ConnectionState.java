package com.mirav.sdk;

/** The connection state of a client, as {@link MiravSDKClient#getConnectionState()} reports it. */
public enum ConnectionState {
    /** Not initialised, or the server refused this library's version on reconnection. */
    DISCONNECTED(0),
    /** Initialising: the connect handshake is under way, or no frame has arrived yet. */
    CONNECTING(1),
    /** Frames arrive. */
    STREAMING(2),
    /** Connected, but no frame arrived for the stall time ({@link MiravSDKClient#setStallTimeout}). */
    STALLED(3),
    /** Automatic reconnection is repeating the connect handshake. */
    RECONNECTING(4);

    private static final ConnectionState[] BY_CODE = values();

    private final int code;

    ConnectionState(int code) {
        this.code = code;
    }

    /** The library's code of this state. */
    public int code() {
        return code;
    }

    /**
     * The state of a library code.
     *
     * @throws IllegalArgumentException for a code that names no state
     */
    public static ConnectionState fromCode(int code) {
        if (code < 0 || code >= BY_CODE.length) {
            throw new IllegalArgumentException("no connection state has the code " + code);
        }
        return BY_CODE[code];
    }
}
