package com.mirav.sdk.model;

import java.util.Arrays;

/**
 * A rigid body pose (also a skeleton bone). Inside a frame its markers arrive as {@link Marker}
 * objects; looked up by name it arrives with marker positions, IDs, sizes, mean error and flags.
 */
public class RigidBodyData {
    private int id;
    private float x;
    private float y;
    private float z;
    private float qx;
    private float qy;
    private float qz;
    private float qw;
    private int markerCount;
    private Marker[] markers = new Marker[0];
    private float[][] markerPositions = new float[0][];
    private int[] markerIds = new int[0];
    private float[] markerSizes = new float[0];
    private float meanError;
    private short params;

    public RigidBodyData() {}

    public int getId() {
        return id;
    }

    public void setId(int id) {
        this.id = id;
    }

    public float getX() {
        return x;
    }

    public void setX(float x) {
        this.x = x;
    }

    public float getY() {
        return y;
    }

    public void setY(float y) {
        this.y = y;
    }

    public float getZ() {
        return z;
    }

    public void setZ(float z) {
        this.z = z;
    }

    public float getQx() {
        return qx;
    }

    public void setQx(float qx) {
        this.qx = qx;
    }

    public float getQy() {
        return qy;
    }

    public void setQy(float qy) {
        this.qy = qy;
    }

    public float getQz() {
        return qz;
    }

    public void setQz(float qz) {
        this.qz = qz;
    }

    public float getQw() {
        return qw;
    }

    public void setQw(float qw) {
        this.qw = qw;
    }

    public int getMarkerCount() {
        return markerCount;
    }

    public void setMarkerCount(int markerCount) {
        this.markerCount = markerCount;
    }

    /** Markers of a rigid body that came inside a frame. */
    public Marker[] getMarkers() {
        return markers;
    }

    public void setMarkers(Marker[] markers) {
        this.markers = markers == null ? new Marker[0] : markers;
    }

    /** Marker positions (x, y, z each) of a rigid body looked up by name. */
    public float[][] getMarkerPositions() {
        return markerPositions;
    }

    public void setMarkers(float[][] markerPositions) {
        this.markerPositions = markerPositions == null ? new float[0][] : markerPositions;
    }

    public int[] getMarkerIds() {
        return markerIds;
    }

    public void setMarkerIds(int[] markerIds) {
        this.markerIds = markerIds == null ? new int[0] : markerIds;
    }

    public float[] getMarkerSizes() {
        return markerSizes;
    }

    public void setMarkerSizes(float[] markerSizes) {
        this.markerSizes = markerSizes == null ? new float[0] : markerSizes;
    }

    public float getMeanError() {
        return meanError;
    }

    public void setMeanError(float meanError) {
        this.meanError = meanError;
    }

    public short getParams() {
        return params;
    }

    public void setParams(short params) {
        this.params = params;
    }

    // What a frame's record carries per rigid body beyond the frame form's markers.
    private int[] frameMarkerIds = new int[0];
    private float[] frameMarkerSizes = new float[0];
    private float frameMeanError;
    private short frameParams;

    /** Marker IDs of a rigid body inside a delivered or polled frame (empty in query form). */
    public int[] getFrameMarkerIds() {
        return frameMarkerIds;
    }

    /** Marker sizes of a rigid body inside a frame (empty in query form). */
    public float[] getFrameMarkerSizes() {
        return frameMarkerSizes;
    }

    /** Mean marker error of a rigid body inside a frame (0 in query form). */
    public float getFrameMeanError() {
        return frameMeanError;
    }

    /** Flags of a rigid body inside a frame (0 in query form). */
    public short getFrameParams() {
        return frameParams;
    }

    /** True when the flags say the body was tracked (bit 0), in either form. */
    public boolean isTracked() {
        return ((frameParams | params) & 1) != 0;
    }

    /** Sets the per-marker IDs and sizes, mean error and flags that a frame carries. */
    public void setFrameDetails(int[] markerIds, float[] markerSizes, float meanError,
                                short params) {
        this.frameMarkerIds = markerIds == null ? new int[0] : markerIds;
        this.frameMarkerSizes = markerSizes == null ? new float[0] : markerSizes;
        this.frameMeanError = meanError;
        this.frameParams = params;
    }

    @Override
    public String toString() {
        return "RigidBodyData{id=" + id + ", position=(" + x + ", " + y + ", " + z
            + "), orientation=(" + qx + ", " + qy + ", " + qz + ", " + qw + "), markerCount="
            + markerCount + ", markers=" + Arrays.toString(markers) + ", markerPositions="
            + Arrays.deepToString(markerPositions) + ", markerIds=" + Arrays.toString(markerIds)
            + ", markerSizes=" + Arrays.toString(markerSizes) + ", meanError=" + meanError
            + ", params=" + params + "}";
    }
}
