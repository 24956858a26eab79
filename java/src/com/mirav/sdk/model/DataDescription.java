package com.mirav.sdk.model;

import com.mirav.sdk.MiravSDKTypes.DataDescriptors;

/**
 * One entry of the description catalogue: its kind and, for marker sets, rigid bodies and
 * skeletons, the description itself. A force plate entry carries only its kind.
 */
public class DataDescription {
    private DataDescriptors type;
    private MarkerSetDescription markerSetDescription;
    private RigidBodyDescription rigidBodyDescription;
    private SkeletonDescription skeletonDescription;

    public DataDescription() {}

    public DataDescriptors getType() {
        return type;
    }

    public void setType(DataDescriptors type) {
        this.type = type;
    }

    public MarkerSetDescription getMarkerSetDescription() {
        return markerSetDescription;
    }

    public void setMarkerSetDescription(MarkerSetDescription markerSetDescription) {
        this.markerSetDescription = markerSetDescription;
    }

    public RigidBodyDescription getRigidBodyDescription() {
        return rigidBodyDescription;
    }

    public void setRigidBodyDescription(RigidBodyDescription rigidBodyDescription) {
        this.rigidBodyDescription = rigidBodyDescription;
    }

    public SkeletonDescription getSkeletonDescription() {
        return skeletonDescription;
    }

    public void setSkeletonDescription(SkeletonDescription skeletonDescription) {
        this.skeletonDescription = skeletonDescription;
    }

    private String[] forcePlateChannelNames = new String[0];

    /** Channel names of a force plate description, in channel order (empty for other kinds). */
    public String[] getForcePlateChannelNames() {
        return forcePlateChannelNames;
    }

    public void setForcePlateChannelNames(String[] forcePlateChannelNames) {
        this.forcePlateChannelNames =
            forcePlateChannelNames == null ? new String[0] : forcePlateChannelNames;
    }

    /** The description of whichever kind this entry holds, or null (force plates). */
    public Object getPayload() {
        if (markerSetDescription != null) {
            return markerSetDescription;
        }
        if (rigidBodyDescription != null) {
            return rigidBodyDescription;
        }
        return skeletonDescription;
    }

    @Override
    public String toString() {
        return "DataDescription{type=" + type + ", payload=" + getPayload() + "}";
    }
}
