package com.mirav.sdk.model;

/**
 * Integrity counters of a client's stream, as {@code MiravSDKClient.getStreamStatistics()} read
 * them. The counters belong to the client: they start at 0 when it is created and keep counting
 * across initialize and uninitialize.
 */
public final class StreamStatistics {
    /** Number of values the native side hands over, in the order of the getters below. */
    public static final int VALUE_COUNT = 14;

    private final long[] v;

    /** Wraps the values in the order of the getters; the array is copied. */
    public StreamStatistics(long[] values) {
        if (values == null || values.length < VALUE_COUNT) {
            throw new IllegalArgumentException("StreamStatistics needs " + VALUE_COUNT + " values");
        }
        v = values.clone();
    }

    /** Whether this system reports datagrams the kernel dropped (Linux: yes; Windows: no). */
    public boolean isKernelDropsReported() {
        return v[0] != 0;
    }

    /** Datagrams received from the server. */
    public long getDatagramsReceived() {
        return v[1];
    }

    /** Bytes of those datagrams. */
    public long getBytesReceived() {
        return v[2];
    }

    /** Frames handed to the data listener and the frame store. */
    public long getFramesDelivered() {
        return v[3];
    }

    /** Frame numbers skipped (gaps). */
    public long getFramesMissing() {
        return v[4];
    }

    /** Frames whose number was not above the newest delivered (late or repeated). */
    public long getFramesOutOfOrder() {
        return v[5];
    }

    /** Frames dropped from the polling queue because nobody took them. */
    public long getFramesDroppedByQueue() {
        return v[6];
    }

    /** Messages given up incomplete. */
    public long getMessagesAbandoned() {
        return v[7];
    }

    /** Messages discarded because the kernel dropped datagrams while they were collected. */
    public long getMessagesKernelDiscarded() {
        return v[8];
    }

    /** Datagrams dropped as malformed. */
    public long getDatagramsMalformed() {
        return v[9];
    }

    /** Repeated fragments ignored. */
    public long getFragmentsRepeated() {
        return v[10];
    }

    /** Datagrams from other senders, ignored. */
    public long getDatagramsForeign() {
        return v[11];
    }

    /** Datagrams the kernel dropped because the receive buffer was full. */
    public long getKernelDrops() {
        return v[12];
    }

    /** Milliseconds since the last frame arrived, or -1 before the first. */
    public long getMillisecondsSinceLastFrame() {
        return v[13];
    }

    @Override
    public String toString() {
        return "StreamStatistics[datagrams=" + v[1] + ", delivered=" + v[3] + ", missing=" + v[4]
            + ", outOfOrder=" + v[5] + ", queueDropped=" + v[6] + ", abandoned=" + v[7]
            + ", kernelDiscarded=" + v[8] + ", malformed=" + v[9] + ", repeated=" + v[10]
            + ", kernelDrops=" + v[12] + ", sinceLastFrameMs=" + v[13] + "]";
    }
}
