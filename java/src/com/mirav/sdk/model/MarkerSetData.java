package com.mirav.sdk.model;

import java.util.Arrays;

/** A named marker set of one frame with its marker positions. */
public class MarkerSetData {
    private String name;
    private int markerCount;
    private Marker[] markers = new Marker[0];

    public MarkerSetData() {}

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

    public Marker[] getMarkers() {
        return markers;
    }

    public void setMarkers(Marker[] markers) {
        this.markers = markers == null ? new Marker[0] : markers;
    }

    @Override
    public String toString() {
        return "MarkerSetData{name=\"" + name + "\", markerCount=" + markerCount + ", markers=" + Arrays.toString(markers) + "}";
    }
}
