package com.mirav.sdk.model;

import java.util.Arrays;

/** Description of a skeleton and its bones. */
public class SkeletonDescription {
    private String name;
    private int skeletonId;
    private int rigidBodyCount;
    private RigidBodyDescription[] rigidBodies = new RigidBodyDescription[0];

    public SkeletonDescription() {}

    public String getName() {
        return name;
    }

    public void setName(String name) {
        this.name = name;
    }

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

    public RigidBodyDescription[] getRigidBodies() {
        return rigidBodies;
    }

    public void setRigidBodies(RigidBodyDescription[] rigidBodies) {
        this.rigidBodies = rigidBodies == null ? new RigidBodyDescription[0] : rigidBodies;
    }

    @Override
    public String toString() {
        return "SkeletonDescription{name=\"" + name + "\", skeletonId=" + skeletonId + ", rigidBodyCount=" + rigidBodyCount + ", rigidBodies=" + Arrays.toString(rigidBodies) + "}";
    }
}
