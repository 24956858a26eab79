package com.mirav.sdk.model;

import java.util.Arrays;

/** Force plate results of one frame: one entry per plate. */
public class ForcePlates {
    private int frameNumber;
    private int forcePlateCount;
    private ForcePlateData[] forcePlates = new ForcePlateData[0];

    public ForcePlates() {}

    public int getFrameNumber() {
        return frameNumber;
    }

    public void setFrameNumber(int frameNumber) {
        this.frameNumber = frameNumber;
    }

    public int getForcePlateCount() {
        return forcePlateCount;
    }

    public void setForcePlateCount(int forcePlateCount) {
        this.forcePlateCount = forcePlateCount;
    }

    public ForcePlateData[] getForcePlates() {
        return forcePlates;
    }

    public void setForcePlates(ForcePlateData[] forcePlates) {
        this.forcePlates = forcePlates == null ? new ForcePlateData[0] : forcePlates;
    }

    @Override
    public String toString() {
        return "ForcePlates{frameNumber=" + frameNumber + ", forcePlateCount=" + forcePlateCount + ", forcePlates=" + Arrays.toString(forcePlates) + "}";
    }
}
