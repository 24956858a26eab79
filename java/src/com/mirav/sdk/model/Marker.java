package com.mirav.sdk.model;

/** A marker: identifier, position and size (identifier and size only for labelled markers). */
public class Marker {
    private int id;
    private float x;
    private float y;
    private float z;
    private float size;

    public Marker() {}

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

    public float getSize() {
        return size;
    }

    public void setSize(float size) {
        this.size = size;
    }

    @Override
    public String toString() {
        return "Marker{id=" + id + ", x=" + x + ", y=" + y + ", z=" + z + ", size=" + size + "}";
    }
}
