package com.mirav.sdk.model;

/** Extended kinematics of one rigid body, as sent by the server. */
public class RigidBodyExtendData {
    private int id;
    private float roll;
    private float pitch;
    private float yaw;
    private float rollVel;
    private float pitchVel;
    private float yawVel;
    private float rollAvel;
    private float pitchAvel;
    private float yawAvel;
    private float xVel;
    private float yVel;
    private float zVel;
    private float rVel;
    private float xAvel;
    private float yAvel;
    private float zAvel;
    private float rAvel;

    public RigidBodyExtendData() {}

    public int getId() {
        return id;
    }

    public void setId(int id) {
        this.id = id;
    }

    public float getRoll() {
        return roll;
    }

    public void setRoll(float roll) {
        this.roll = roll;
    }

    public float getPitch() {
        return pitch;
    }

    public void setPitch(float pitch) {
        this.pitch = pitch;
    }

    public float getYaw() {
        return yaw;
    }

    public void setYaw(float yaw) {
        this.yaw = yaw;
    }

    public float getRollVel() {
        return rollVel;
    }

    public void setRollVel(float rollVel) {
        this.rollVel = rollVel;
    }

    public float getPitchVel() {
        return pitchVel;
    }

    public void setPitchVel(float pitchVel) {
        this.pitchVel = pitchVel;
    }

    public float getYawVel() {
        return yawVel;
    }

    public void setYawVel(float yawVel) {
        this.yawVel = yawVel;
    }

    public float getRollAvel() {
        return rollAvel;
    }

    public void setRollAvel(float rollAvel) {
        this.rollAvel = rollAvel;
    }

    public float getPitchAvel() {
        return pitchAvel;
    }

    public void setPitchAvel(float pitchAvel) {
        this.pitchAvel = pitchAvel;
    }

    public float getYawAvel() {
        return yawAvel;
    }

    public void setYawAvel(float yawAvel) {
        this.yawAvel = yawAvel;
    }

    public float getXVel() {
        return xVel;
    }

    public void setXVel(float xVel) {
        this.xVel = xVel;
    }

    public float getYVel() {
        return yVel;
    }

    public void setYVel(float yVel) {
        this.yVel = yVel;
    }

    public float getZVel() {
        return zVel;
    }

    public void setZVel(float zVel) {
        this.zVel = zVel;
    }

    public float getRVel() {
        return rVel;
    }

    public void setRVel(float rVel) {
        this.rVel = rVel;
    }

    public float getXAvel() {
        return xAvel;
    }

    public void setXAvel(float xAvel) {
        this.xAvel = xAvel;
    }

    public float getYAvel() {
        return yAvel;
    }

    public void setYAvel(float yAvel) {
        this.yAvel = yAvel;
    }

    public float getZAvel() {
        return zAvel;
    }

    public void setZAvel(float zAvel) {
        this.zAvel = zAvel;
    }

    public float getRAvel() {
        return rAvel;
    }

    public void setRAvel(float rAvel) {
        this.rAvel = rAvel;
    }

    @Override
    public String toString() {
        return "RigidBodyExtendData{id=" + id + ", roll=" + roll + ", pitch=" + pitch + ", yaw=" + yaw + ", rollVel=" + rollVel + ", pitchVel=" + pitchVel + ", yawVel=" + yawVel + ", rollAvel=" + rollAvel + ", pitchAvel=" + pitchAvel + ", yawAvel=" + yawAvel + ", xVel=" + xVel + ", yVel=" + yVel + ", zVel=" + zVel + ", rVel=" + rVel + ", xAvel=" + xAvel + ", yAvel=" + yAvel + ", zAvel=" + zAvel + ", rAvel=" + rAvel + "}";
    }
}
