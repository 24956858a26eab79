package com.mirav.sdk.model;

import java.util.Arrays;

/** A skeleton of one frame with its bones. */
public class SkeletonData {
    private int skeletonId;
    private int rigidBodyCount;
    private RigidBodyData[] rigidBodyData = new RigidBodyData[0];

    public SkeletonData() {}

    public int getSkeletonId() {
        return skeletonId;
    }

    public void setSkeletonId(int skeletonId) {
        this.skeletonId = skeletonId;
    }

    public int getRigidBodyCount() {
        return rigidBodyCount;
    }

    public void setRigidBodyCount(int rigidBodyCount) {
        this.rigidBodyCount = rigidBodyCount;
    }

    public RigidBodyData[] getRigidBodyData() {
        return rigidBodyData;
    }

    public void setRigidBodyData(RigidBodyData[] rigidBodyData) {
        this.rigidBodyData = rigidBodyData == null ? new RigidBodyData[0] : rigidBodyData;
    }

    @Override
    public String toString() {
        return "SkeletonData{skeletonId=" + skeletonId + ", rigidBodyCount=" + rigidBodyCount + ", rigidBodyData=" + Arrays.toString(rigidBodyData) + "}";
    }
}
