package com.mirav.sdk;

import java.nio.charset.StandardCharsets;

/** The Java half of deliveries on the library's threads. Called from native code only. */
final class Deliveries {
    private static final ThreadLocal<Boolean> LIBRARY_THREAD = ThreadLocal.withInitial(() -> false);

    private Deliveries() {}

    /** Called once on each library thread when it is attached to the virtual machine. */
    static void markLibraryThread() {
        LIBRARY_THREAD.set(true);
    }

    /** True on the library's receive threads, where listeners run. */
    static boolean onLibraryThread() {
        return LIBRARY_THREAD.get();
    }

    /** One diagnostic line for the message listener (any other object discards the lines). */
    static void message(Object listener, int level, byte[] text) {
        if (!(listener instanceof MessageListener)) {
            return;
        }
        int length = text.length;
        while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) {
            length--;
        }
        try {
            ((MessageListener) listener).onMessage(level,
                new String(text, 0, length, StandardCharsets.UTF_8));
        } catch (RuntimeException | Error e) {
            Thread current = Thread.currentThread();
            current.getUncaughtExceptionHandler().uncaughtException(current, e);
        }
    }

    /**
     * One change of a client's connection state. A code that names no state and a listener that
     * throws are reported to the thread's uncaught-exception handler; the monitor thread goes on.
     */
    static void connectionState(Object listener, int state, int previousState) {
        try {
            ((ConnectionStateListener) listener).onConnectionStateChanged(
                ConnectionState.fromCode(state), ConnectionState.fromCode(previousState));
        } catch (RuntimeException | Error e) {
            Thread current = Thread.currentThread();
            current.getUncaughtExceptionHandler().uncaughtException(current, e);
        }
    }
}
