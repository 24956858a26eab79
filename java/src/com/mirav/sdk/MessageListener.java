package com.mirav.sdk;

/**
 * Receives the library's diagnostic lines, process-wide, on the thread that reports them (a Java
 * thread inside a client call, or one of the library's receive threads). It must return quickly
 * and must not call back into a client.
 */
@FunctionalInterface
public interface MessageListener {
    /**
     * @param level 1 for short status and failure lines, 2 and above for details (3 adds
     *     operating-system error numbers)
     * @param message the line, without its line break
     */
    void onMessage(int level, String message);
}
