package com.mirav.sdk;

import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.Marker;
import com.mirav.sdk.model.MarkerSetData;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.SkeletonData;

/**
 * Every value of a converted frame as text, in the form the probe library writes from the C++
 * record (ConversionProbe.cpp, DumpFrame): floats as bit patterns, so equality is exact.
 */
final class FrameDump {
    private final StringBuilder out = new StringBuilder();

    private FrameDump() {}

    static String of(FrameOfMocapData f) {
        FrameDump d = new FrameDump();
        d.i(f.getFrame()).i(f.getMarkerSetCount()).i(f.getRigidBodyCount()).i(f.getSkeletonCount())
            .i(f.getLabeledMarkerCount()).i(f.getOtherMarkerCount()).i(f.getAnalogDataCount());
        d.f(f.getLatency()).i(f.getTimecode()).i(f.getTimecodeSubframe()).i(f.getTimeStamp())
            .i(f.getParams());
        d.i(f.getMocapData().length);
        for (MarkerSetData s : f.getMocapData()) {
            d.s(s.getName()).i(s.getMarkerCount()).i(s.getMarkers().length);
            for (Marker m : s.getMarkers()) {
                d.f(m.getX()).f(m.getY()).f(m.getZ());
            }
        }
        d.i(f.getRigidBodies().length);
        for (RigidBodyData b : f.getRigidBodies()) {
            d.body(b);
        }
        d.i(f.getSkeletons().length);
        for (SkeletonData s : f.getSkeletons()) {
            d.i(s.getSkeletonId()).i(s.getRigidBodyCount()).i(s.getRigidBodyData().length);
            for (RigidBodyData b : s.getRigidBodyData()) {
                d.body(b);
            }
        }
        d.i(f.getOtherMarkers().length);
        for (float[] p : f.getOtherMarkers()) {
            d.f(p[0]).f(p[1]).f(p[2]);
        }
        d.i(f.getLabeledMarkers().length);
        for (Marker m : f.getLabeledMarkers()) {
            d.i(m.getId()).f(m.getX()).f(m.getY()).f(m.getZ()).f(m.getSize());
        }
        d.i(f.getAnalogData().length);
        for (float v : f.getAnalogData()) {
            d.f(v);
        }
        return d.out.toString();
    }

    private FrameDump body(RigidBodyData b) {
        i(b.getId()).f(b.getX()).f(b.getY()).f(b.getZ()).f(b.getQx()).f(b.getQy()).f(b.getQz())
            .f(b.getQw()).i(b.getMarkerCount()).i(b.getMarkers().length);
        for (Marker m : b.getMarkers()) {
            f(m.getX()).f(m.getY()).f(m.getZ());
        }
        i(b.getFrameMarkerIds().length);
        for (int id : b.getFrameMarkerIds()) {
            i(id);
        }
        i(b.getFrameMarkerSizes().length);
        for (float size : b.getFrameMarkerSizes()) {
            f(size);
        }
        return f(b.getFrameMeanError()).i(b.getFrameParams());
    }

    private FrameDump i(long v) {
        out.append(v).append(' ');
        return this;
    }

    private FrameDump f(float v) {
        out.append('f').append(Integer.toUnsignedString(Float.floatToRawIntBits(v))).append(' ');
        return this;
    }

    private FrameDump s(String text) {
        out.append('"').append(text).append("\" ");
        return this;
    }
}
