package com.mirav.sdk.model;

/** Description of a rigid body (also a bone of a skeleton). */
public class RigidBodyDescription {
    private String name;
    private int id;
    private int parentId;
    private float offsetX;
    private float offsetY;
    private float offsetZ;
    private float qx;
    private float qy;
    private float qz;
    private float qw;

    public RigidBodyDescription() {}

    public String getName() {
        return name;
    }

    public void setName(String name) {
        this.name = name;
    }

    public int getId() {
        return id;
    }

    public void setId(int id) {
        this.id = id;
    }

    public int getParentId() {
        return parentId;
    }

    public void setParentId(int parentId) {
        this.parentId = parentId;
    }

    public float getOffsetX() {
        return offsetX;
    }

    public void setOffsetX(float offsetX) {
        this.offsetX = offsetX;
    }

    public float getOffsetY() {
        return offsetY;
    }

    public void setOffsetY(float offsetY) {
        this.offsetY = offsetY;
    }

    public float getOffsetZ() {
        return offsetZ;
    }

    public void setOffsetZ(float offsetZ) {
        this.offsetZ = offsetZ;
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

    @Override
    public String toString() {
        return "RigidBodyDescription{name=\"" + name + "\", id=" + id + ", parentId=" + parentId + ", offsetX=" + offsetX + ", offsetY=" + offsetY + ", offsetZ=" + offsetZ + ", qx=" + qx + ", qy=" + qy + ", qz=" + qz + ", qw=" + qw + "}";
    }
}
