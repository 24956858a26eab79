package com.mirav.sdk.model;

import java.util.Arrays;

/** Extended rigid-body kinematics of one frame. */
public class FrameExtendData {
    private int extendDataNum;
    private RigidBodyExtendData[] rigidBodyExtendData = new RigidBodyExtendData[0];

    public FrameExtendData() {}

    public int getExtendDataNum() {
        return extendDataNum;
    }

    public void setExtendDataNum(int extendDataNum) {
        this.extendDataNum = extendDataNum;
    }

    public RigidBodyExtendData[] getRigidBodyExtendData() {
        return rigidBodyExtendData;
    }

    public void setRigidBodyExtendData(RigidBodyExtendData[] rigidBodyExtendData) {
        this.rigidBodyExtendData = rigidBodyExtendData == null ? new RigidBodyExtendData[0] : rigidBodyExtendData;
    }

    @Override
    public String toString() {
        return "FrameExtendData{extendDataNum=" + extendDataNum + ", rigidBodyExtendData=" + Arrays.toString(rigidBodyExtendData) + "}";
    }
}
