package com.mirav.sdk.model;

/** Results of one force plate: force, centre of pressure and free moment. */
public class ForcePlateData {
    private float fx;
    private float fy;
    private float fz;
    private float copX;
    private float copY;
    private float copZ;
    private float tz;

    public ForcePlateData() {}

    public float getFx() {
        return fx;
    }

    public void setFx(float fx) {
        this.fx = fx;
    }

    public float getFy() {
        return fy;
    }

    public void setFy(float fy) {
        this.fy = fy;
    }

    public float getFz() {
        return fz;
    }

    public void setFz(float fz) {
        this.fz = fz;
    }

    public float getCopX() {
        return copX;
    }

    public void setCopX(float copX) {
        this.copX = copX;
    }

    public float getCopY() {
        return copY;
    }

    public void setCopY(float copY) {
        this.copY = copY;
    }

    public float getCopZ() {
        return copZ;
    }

    public void setCopZ(float copZ) {
        this.copZ = copZ;
    }

    public float getTz() {
        return tz;
    }

    public void setTz(float tz) {
        this.tz = tz;
    }

    @Override
    public String toString() {
        return "ForcePlateData{fx=" + fx + ", fy=" + fy + ", fz=" + fz + ", copX=" + copX + ", copY=" + copY + ", copZ=" + copZ + ", tz=" + tz + "}";
    }
}
