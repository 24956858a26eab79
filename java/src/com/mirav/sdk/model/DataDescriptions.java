package com.mirav.sdk.model;

import java.util.Arrays;

/** The catalogue of what the server tracks. */
public class DataDescriptions {
    private int dataDescriptionCount;
    private DataDescription[] dataDescriptions = new DataDescription[0];

    public DataDescriptions() {}

    public int getDataDescriptionCount() {
        return dataDescriptionCount;
    }

    public void setDataDescriptionCount(int dataDescriptionCount) {
        this.dataDescriptionCount = dataDescriptionCount;
    }

    public DataDescription[] getDataDescriptions() {
        return dataDescriptions;
    }

    public void setDataDescriptions(DataDescription[] dataDescriptions) {
        this.dataDescriptions = dataDescriptions == null ? new DataDescription[0] : dataDescriptions;
    }

    @Override
    public String toString() {
        return "DataDescriptions{dataDescriptionCount=" + dataDescriptionCount + ", dataDescriptions=" + Arrays.toString(dataDescriptions) + "}";
    }
}
