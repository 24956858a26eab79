package com.mirav.sdk.model;

import java.util.Arrays;

/** Description of a marker set: its name and the names of its markers. */
public class MarkerSetDescription {
    private String name;
    private int markerCount;
    private String[] markerNames = new String[0];

    public MarkerSetDescription() {}

    public String getName() {
        return name;
    }

    public void setName(String name) {
        this.name = name;
    }

    public int getMarkerCount() {
        return markerCount;
    }

    public void setMarkerCount(int markerCount) {
        this.markerCount = markerCount;
    }

    public String[] getMarkerNames() {
        return markerNames;
    }

    public void setMarkerNames(String[] markerNames) {
        this.markerNames = markerNames == null ? new String[0] : markerNames;
    }

    @Override
    public String toString() {
        return "MarkerSetDescription{name=\"" + name + "\", markerCount=" + markerCount + ", markerNames=" + Arrays.toString(markerNames) + "}";
    }
}
