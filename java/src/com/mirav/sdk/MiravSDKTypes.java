package com.mirav.sdk;

/** Constants shared by the client and the model classes. */
public final class MiravSDKTypes {
    private MiravSDKTypes() {}

    /** Result code of a successful operation. */
    public static final int OK = 0;

    /** Kinds of data description. */
    public enum DataDescriptors {
        Descriptor_MarkerSet,
        Descriptor_RigidBody,
        Descriptor_Skeleton,
        Descriptor_ForcePlate
    }
}
