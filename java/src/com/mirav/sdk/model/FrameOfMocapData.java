package com.mirav.sdk.model;

import java.util.Arrays;

/**
 * One frame of motion-capture data. Labelled markers and analog values carry only their counts
 * here; read them through the client's per-frame getters.
 */
public class FrameOfMocapData {
    private int frame;
    private int markerSetCount;
    private int rigidBodyCount;
    private int skeletonCount;
    private int labeledMarkerCount;
    private int otherMarkerCount;
    private int analogDataCount;
    private float latency;
    private int timecode;
    private int timecodeSubframe;
    private long timeStamp;
    private short params;
    private MarkerSetData[] mocapData = new MarkerSetData[0];
    private RigidBodyData[] rigidBodies = new RigidBodyData[0];
    private SkeletonData[] skeletons = new SkeletonData[0];
    private float[][] otherMarkers = new float[0][];
    private FrameExtendData extendData;

    public FrameOfMocapData() {}

    /** Frame number assigned by the server. */
    public int getFrame() {
        return frame;
    }

    public void setFrame(int frame) {
        this.frame = frame;
    }

    public int getMarkerSetCount() {
        return markerSetCount;
    }

    public void setMarkerSetCount(int markerSetCount) {
        this.markerSetCount = markerSetCount;
    }

    public int getRigidBodyCount() {
        return rigidBodyCount;
    }

    public void setRigidBodyCount(int rigidBodyCount) {
        this.rigidBodyCount = rigidBodyCount;
    }

    public int getSkeletonCount() {
        return skeletonCount;
    }

    public void setSkeletonCount(int skeletonCount) {
        this.skeletonCount = skeletonCount;
    }

    public int getLabeledMarkerCount() {
        return labeledMarkerCount;
    }

    public void setLabeledMarkerCount(int labeledMarkerCount) {
        this.labeledMarkerCount = labeledMarkerCount;
    }

    public int getOtherMarkerCount() {
        return otherMarkerCount;
    }

    public void setOtherMarkerCount(int otherMarkerCount) {
        this.otherMarkerCount = otherMarkerCount;
    }

    public int getAnalogDataCount() {
        return analogDataCount;
    }

    public void setAnalogDataCount(int analogDataCount) {
        this.analogDataCount = analogDataCount;
    }

    public float getLatency() {
        return latency;
    }

    public void setLatency(float latency) {
        this.latency = latency;
    }

    /** Packed timecode (hours, minutes, seconds, frames from the top byte down); may be negative. */
    public int getTimecode() {
        return timecode;
    }

    public void setTimecode(int timecode) {
        this.timecode = timecode;
    }

    public int getTimecodeSubframe() {
        return timecodeSubframe;
    }

    public void setTimecodeSubframe(int timecodeSubframe) {
        this.timecodeSubframe = timecodeSubframe;
    }

    public long getTimeStamp() {
        return timeStamp;
    }

    public void setTimeStamp(long timeStamp) {
        this.timeStamp = timeStamp;
    }

    public short getParams() {
        return params;
    }

    public void setParams(short params) {
        this.params = params;
    }

    public MarkerSetData[] getMocapData() {
        return mocapData;
    }

    public void setMocapData(MarkerSetData[] mocapData) {
        this.mocapData = mocapData == null ? new MarkerSetData[0] : mocapData;
    }

    public RigidBodyData[] getRigidBodies() {
        return rigidBodies;
    }

    public void setRigidBodies(RigidBodyData[] rigidBodies) {
        this.rigidBodies = rigidBodies == null ? new RigidBodyData[0] : rigidBodies;
    }

    public SkeletonData[] getSkeletons() {
        return skeletons;
    }

    public void setSkeletons(SkeletonData[] skeletons) {
        this.skeletons = skeletons == null ? new SkeletonData[0] : skeletons;
    }

    /** Unlabelled markers, each an array x, y, z. */
    public float[][] getOtherMarkers() {
        return otherMarkers;
    }

    public void setOtherMarkers(float[][] otherMarkers) {
        this.otherMarkers = otherMarkers == null ? new float[0][] : otherMarkers;
    }

    /** Extended kinematics; present only on frames delivered to a data listener. */
    public FrameExtendData getExtendData() {
        return extendData;
    }

    public void setExtendData(FrameExtendData extendData) {
        this.extendData = extendData;
    }

    private Marker[] labeledMarkers = new Marker[0];
    private float[] analogData = new float[0];

    /** Labelled markers of the frame with ID, position and size. */
    public Marker[] getLabeledMarkers() {
        return labeledMarkers;
    }

    public void setLabeledMarkers(Marker[] labeledMarkers) {
        this.labeledMarkers = labeledMarkers == null ? new Marker[0] : labeledMarkers;
    }

    /** Analog values of the frame, in channel order. */
    public float[] getAnalogData() {
        return analogData;
    }

    public void setAnalogData(float[] analogData) {
        this.analogData = analogData == null ? new float[0] : analogData;
    }

    @Override
    public String toString() {
        return "FrameOfMocapData{frame=" + frame + ", markerSets=" + markerSetCount
            + ", rigidBodies=" + rigidBodyCount + ", skeletons=" + skeletonCount
            + ", labeledMarkers=" + labeledMarkerCount + ", otherMarkers=" + otherMarkerCount
            + ", analogData=" + analogDataCount + ", latency=" + latency + ", timecode=0x"
            + Integer.toHexString(timecode) + "." + Integer.toUnsignedString(timecodeSubframe)
            + ", timeStamp=" + timeStamp + ", params=" + params
            + ", extendData=" + (extendData != null) + "}";
    }

    /** Every part of the frame, nested objects included. */
    public String toDetailedString() {
        return toString() + " mocapData=" + Arrays.toString(mocapData) + " rigidBodies="
            + Arrays.toString(rigidBodies) + " skeletons=" + Arrays.toString(skeletons)
            + " otherMarkers=" + Arrays.deepToString(otherMarkers) + " extendData=" + extendData;
    }
}
