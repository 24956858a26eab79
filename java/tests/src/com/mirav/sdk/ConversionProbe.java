package com.mirav.sdk;

import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.ForcePlates;
import com.mirav.sdk.model.FrameExtendData;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.Marker;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.ServerDescription;

/** Natives of the test probe library: hand-built records through the binding's converters. */
final class ConversionProbe {
    static final int DATA = 0;
    static final int FORCE_PLATE = 1;
    static final int NOTIFY = 2;
    static final int ANALOG = 3;
    static final int CONNECTION_STATE = 4;

    static {
        System.load(System.getProperty("mirav.probe"));
    }

    private ConversionProbe() {}

    static native FrameOfMocapData sampleFrame();
    static native FrameExtendData sampleExtend(int variant);
    static native RigidBodyData queryRigidBody(int markerCount);
    static native DataDescriptions sampleDescriptions();
    static native ServerDescription sampleServer();
    static native Marker[] labeledMarkers(int count);
    static native ForcePlates sampleForcePlates();
    static native long register(int kind, Object listener, Object user);
    static native void startDeliveries(int kind, long token, int count);
    static native void joinDeliveries();
    static native void releaseAll();
    static native int bindingCount();
    static native String fixedText(byte[] bytes);
    /** Every value of the sample frame record, written from C++ as FrameDump writes objects. */
    static native String sampleFrameDump();
    /** The same for the library's current frame record (call under the client's polling). */
    static native String currentFrameDump();
    /** Names of the binding's classes and methods that did not resolve ("" when all did). */
    static native String unresolvedNames();
}
