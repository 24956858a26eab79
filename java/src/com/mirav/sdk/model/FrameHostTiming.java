package com.mirav.sdk.model;

/**
 * When a frame was captured, arrived and was delivered, in seconds of the host clock that
 * {@code MiravSDKClient.hostTimeNow()} reads (the clock of {@link System#nanoTime()} on Linux).
 */
public final class FrameHostTiming {
    private final double captureTime;
    private final double captureUncertainty;
    private final double arrivalTime;
    private final double deliveryTime;
    private final double estimatedRate;

    public FrameHostTiming(double captureTime, double captureUncertainty, double arrivalTime,
                           double deliveryTime, double estimatedRate) {
        this.captureTime = captureTime;
        this.captureUncertainty = captureUncertainty;
        this.arrivalTime = arrivalTime;
        this.deliveryTime = deliveryTime;
        this.estimatedRate = estimatedRate;
    }

    /**
     * Estimated host time of capture: queueing and scheduling delays removed. Never later than
     * {@link #getArrivalTime()}, never earlier than an earlier frame's.
     */
    public double getCaptureTime() {
        return captureTime;
    }

    /** Bound on the error of the capture time in seconds (met by at least 99 % of frames). */
    public double getCaptureUncertainty() {
        return captureUncertainty;
    }

    /** Host time at which the frame's first datagram arrived. */
    public double getArrivalTime() {
        return arrivalTime;
    }

    /** Host time at which the library handed the frame to the application. */
    public double getDeliveryTime() {
        return deliveryTime;
    }

    /** Estimated frame rate of the stream in frames per second; 0 while unknown. */
    public double getEstimatedRate() {
        return estimatedRate;
    }

    @Override
    public String toString() {
        return "FrameHostTiming[capture=" + captureTime + " +/- " + captureUncertainty
            + ", arrival=" + arrivalTime + ", delivery=" + deliveryTime + ", rate="
            + estimatedRate + "]";
    }
}
