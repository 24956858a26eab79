package com.mirav.sdk;

import java.io.IOException;

/**
 * A library operation failed. The message is the library's sentence about the failure (for
 * example "port 5230 unreachable on 127.0.0.1: nothing is listening"); {@link #getResultCode()}
 * is the library's result code. A connection that cannot be made is an I/O failure the caller is
 * expected to handle, so this is a checked {@link IOException}.
 */
public class MiravException extends IOException {
    private static final long serialVersionUID = 1L;

    private final int resultCode;

    /**
     * @param resultCode the library's result code (never 0)
     * @param message the readable reason
     */
    public MiravException(int resultCode, String message) {
        super(message);
        this.resultCode = resultCode;
    }

    /** The library's result code, as the int-returning operations give it. */
    public int getResultCode() {
        return resultCode;
    }
}
