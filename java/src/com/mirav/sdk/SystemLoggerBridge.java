package com.mirav.sdk;

import java.lang.System.Logger;
import java.lang.System.Logger.Level;

/**
 * Passes the library's diagnostic lines to a {@link System.Logger}: failure lines as WARNING, other
 * level-1 lines as INFO, level 2 as DEBUG and deeper levels as TRACE.
 */
public final class SystemLoggerBridge implements MessageListener {
    private final Logger logger;

    /** Logs to the logger named "com.mirav.sdk". */
    public SystemLoggerBridge() {
        this(System.getLogger("com.mirav.sdk"));
    }

    public SystemLoggerBridge(Logger logger) {
        this.logger = logger;
    }

    /** The logger level of a library line. */
    static Level levelOf(int level, String message) {
        if (message.contains("Failed") || message.contains("[Error]") || message.contains("refused")) {
            return Level.WARNING;
        }
        if (level <= 1) {
            return Level.INFO;
        }
        return level == 2 ? Level.DEBUG : Level.TRACE;
    }

    @Override
    public void onMessage(int level, String message) {
        logger.log(levelOf(level, message), message);
    }
}
