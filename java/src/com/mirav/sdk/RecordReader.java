package com.mirav.sdk;

import com.mirav.sdk.MiravSDKTypes.DataDescriptors;
import com.mirav.sdk.model.DataDescription;
import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.ForcePlateData;
import com.mirav.sdk.model.ForcePlates;
import com.mirav.sdk.model.FrameExtendData;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.Marker;
import com.mirav.sdk.model.MarkerSetData;
import com.mirav.sdk.model.MarkerSetDescription;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.RigidBodyDescription;
import com.mirav.sdk.model.RigidBodyExtendData;
import com.mirav.sdk.model.ServerDescription;
import com.mirav.sdk.model.SkeletonData;
import com.mirav.sdk.model.SkeletonDescription;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/**
 * Builds the model objects from the flat records the native binding writes (one byte array per
 * record, in the machine's byte order). Counts in the records are already clamped by the writer;
 * a count of 0 leaves the corresponding setter uncalled. Called from native code only.
 */
final class RecordReader {
    private RecordReader() {}

    static FrameOfMocapData frame(byte[] record) {
        ByteBuffer in = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        FrameOfMocapData f = new FrameOfMocapData();
        f.setFrame(in.getInt());
        f.setMarkerSetCount(in.getInt());
        f.setRigidBodyCount(in.getInt());
        f.setSkeletonCount(in.getInt());
        f.setLabeledMarkerCount(in.getInt());
        f.setOtherMarkerCount(in.getInt());
        f.setAnalogDataCount(in.getInt());
        f.setLatency(in.getFloat());
        f.setTimecode(in.getInt());
        f.setTimecodeSubframe(in.getInt());
        f.setTimeStamp(in.getLong());
        f.setParams((short) in.getInt());

        int sets = in.getInt();
        if (sets > 0) {
            MarkerSetData[] array = new MarkerSetData[sets];
            for (int i = 0; i < sets; i++) {
                MarkerSetData set = new MarkerSetData();
                set.setName(text(in));
                set.setMarkerCount(in.getInt());
                Marker[] markers = pointMarkers(in);
                if (markers != null) {
                    set.setMarkers(markers);
                }
                array[i] = set;
            }
            f.setMocapData(array);
        }
        int bodies = in.getInt();
        if (bodies > 0) {
            RigidBodyData[] array = new RigidBodyData[bodies];
            for (int i = 0; i < bodies; i++) {
                array[i] = frameBody(in);
            }
            f.setRigidBodies(array);
        }
        int skeletons = in.getInt();
        if (skeletons > 0) {
            SkeletonData[] array = new SkeletonData[skeletons];
            for (int i = 0; i < skeletons; i++) {
                SkeletonData s = new SkeletonData();
                s.setSkeletonId(in.getInt());
                s.setRigidBodyCount(in.getInt());
                int bones = in.getInt();
                if (bones > 0) {
                    RigidBodyData[] boneArray = new RigidBodyData[bones];
                    for (int b = 0; b < bones; b++) {
                        boneArray[b] = frameBody(in);
                    }
                    s.setRigidBodyData(boneArray);
                }
                array[i] = s;
            }
            f.setSkeletons(array);
        }
        float[][] others = points(in);
        if (others != null) {
            f.setOtherMarkers(others);
        }
        f.setLabeledMarkers(labeledMarkers(in));
        float[] analog = new float[in.getInt()];
        for (int i = 0; i < analog.length; i++) {
            analog[i] = in.getFloat();
        }
        f.setAnalogData(analog);
        FrameExtendData extend = extendData(in);
        if (extend != null) {
            f.setExtendData(extend);
        }
        return f;
    }

    static FrameExtendData extendData(byte[] record) {
        return extendData(ByteBuffer.wrap(record).order(ByteOrder.nativeOrder()));
    }

    static RigidBodyData queryRigidBody(byte[] record) {
        ByteBuffer in = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        RigidBodyData b = new RigidBodyData();
        pose(in, b);
        int n = in.getInt();
        b.setMarkerCount(n);
        b.setMeanError(in.getFloat());
        b.setParams((short) in.getInt());
        float[][] positions = points(in);
        if (positions != null) {
            b.setMarkers(positions);
        }
        int[] ids = ints(in);
        if (ids.length > 0) {
            b.setMarkerIds(ids);
        }
        float[] sizes = floats(in);
        if (sizes.length > 0) {
            b.setMarkerSizes(sizes);
        }
        return b;
    }

    static Marker[] labeledMarkers(byte[] record) {
        return labeledMarkers(ByteBuffer.wrap(record).order(ByteOrder.nativeOrder()));
    }

    static ForcePlates forcePlates(byte[] record) {
        ByteBuffer in = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        ForcePlates plates = new ForcePlates();
        plates.setFrameNumber(in.getInt());
        ForcePlateData[] array = new ForcePlateData[in.getInt()];
        plates.setForcePlateCount(array.length);
        for (int i = 0; i < array.length; i++) {
            ForcePlateData p = new ForcePlateData();
            p.setFx(in.getFloat());
            p.setFy(in.getFloat());
            p.setFz(in.getFloat());
            p.setCopX(in.getFloat());
            p.setCopY(in.getFloat());
            p.setCopZ(in.getFloat());
            p.setTz(in.getFloat());
            array[i] = p;
        }
        plates.setForcePlates(array);
        return plates;
    }

    private static final DataDescriptors[] KINDS = DataDescriptors.values();

    static DataDescriptions descriptions(byte[] record) {
        ByteBuffer in = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        DataDescriptions set = new DataDescriptions();
        set.setDataDescriptionCount(in.getInt());
        DataDescription[] entries = new DataDescription[in.getInt()];
        for (int i = 0; i < entries.length; i++) {
            int kind = in.getInt();
            if (kind < 0) {
                continue;  // no Java counterpart: the element stays null
            }
            DataDescription entry = new DataDescription();
            entry.setType(KINDS[kind]);
            if (in.getInt() != 0) {
                switch (KINDS[kind]) {
                    case Descriptor_MarkerSet:
                        entry.setMarkerSetDescription(markerSetDescription(in));
                        break;
                    case Descriptor_RigidBody:
                        entry.setRigidBodyDescription(rigidBodyDescription(in));
                        break;
                    case Descriptor_Skeleton:
                        entry.setSkeletonDescription(skeletonDescription(in));
                        break;
                    default:
                        String[] channels = new String[in.getInt()];
                        for (int c = 0; c < channels.length; c++) {
                            channels[c] = text(in);
                        }
                        entry.setForcePlateChannelNames(channels);
                        break;
                }
            }
            entries[i] = entry;
        }
        set.setDataDescriptions(entries);
        return set;
    }

    static ServerDescription serverDescription(byte[] record) {
        ByteBuffer in = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        ServerDescription s = new ServerDescription();
        s.setHostPresent(in.getInt() != 0);
        s.setHostComputerName(text(in));
        s.setHostComputerAddress(bytes(in, 4));
        s.setHostApp(text(in));
        s.setHostAppVersion(bytes(in, 4));
        s.setMiravSDKVersion(bytes(in, 4));
        return s;
    }

    private static MarkerSetDescription markerSetDescription(ByteBuffer in) {
        MarkerSetDescription d = new MarkerSetDescription();
        d.setName(text(in));
        d.setMarkerCount(in.getInt());
        int names = in.getInt();
        if (names > 0) {
            String[] array = new String[names];
            for (int j = 0; j < names; j++) {
                array[j] = in.getInt() != 0 ? text(in) : null;
            }
            d.setMarkerNames(array);
        }
        return d;
    }

    private static RigidBodyDescription rigidBodyDescription(ByteBuffer in) {
        RigidBodyDescription d = new RigidBodyDescription();
        d.setName(text(in));
        d.setId(in.getInt());
        d.setParentId(in.getInt());
        d.setOffsetX(in.getFloat());
        d.setOffsetY(in.getFloat());
        d.setOffsetZ(in.getFloat());
        d.setQx(in.getFloat());
        d.setQy(in.getFloat());
        d.setQz(in.getFloat());
        d.setQw(in.getFloat());
        return d;
    }

    private static SkeletonDescription skeletonDescription(ByteBuffer in) {
        SkeletonDescription d = new SkeletonDescription();
        d.setName(text(in));
        d.setSkeletonId(in.getInt());
        d.setRigidBodyCount(in.getInt());
        int bones = in.getInt();
        if (bones > 0) {
            RigidBodyDescription[] array = new RigidBodyDescription[bones];
            for (int m = 0; m < bones; m++) {
                array[m] = rigidBodyDescription(in);
            }
            d.setRigidBodies(array);
        }
        return d;
    }

    private static byte[] bytes(ByteBuffer in, int count) {
        byte[] value = new byte[count];
        in.get(value);
        return value;
    }

    /** A text field, already converted to UTF-16 by the writer. */
    private static String text(ByteBuffer in) {
        char[] chars = new char[in.getInt()];
        for (int i = 0; i < chars.length; i++) {
            chars[i] = in.getChar();
        }
        return new String(chars);
    }

    private static void pose(ByteBuffer in, RigidBodyData b) {
        b.setId(in.getInt());
        b.setX(in.getFloat());
        b.setY(in.getFloat());
        b.setZ(in.getFloat());
        b.setQx(in.getFloat());
        b.setQy(in.getFloat());
        b.setQz(in.getFloat());
        b.setQw(in.getFloat());
    }

    private static RigidBodyData frameBody(ByteBuffer in) {
        RigidBodyData b = new RigidBodyData();
        pose(in, b);
        b.setMarkerCount(in.getInt());
        Marker[] markers = pointMarkers(in);
        if (markers != null) {
            b.setMarkers(markers);
        }
        int[] ids = ints(in);
        float[] sizes = floats(in);
        float meanError = in.getFloat();
        short params = (short) in.getInt();
        b.setFrameDetails(ids, sizes, meanError, params);
        return b;
    }

    /** Marker objects with positions only, or null when there are none. */
    private static Marker[] pointMarkers(ByteBuffer in) {
        int n = in.getInt();
        if (n <= 0) {
            return null;
        }
        Marker[] markers = new Marker[n];
        for (int i = 0; i < n; i++) {
            Marker m = new Marker();
            m.setX(in.getFloat());
            m.setY(in.getFloat());
            m.setZ(in.getFloat());
            markers[i] = m;
        }
        return markers;
    }

    /** Points as float[3] arrays, or null when there are none. */
    private static float[][] points(ByteBuffer in) {
        int n = in.getInt();
        if (n <= 0) {
            return null;
        }
        float[][] points = new float[n][];
        for (int i = 0; i < n; i++) {
            points[i] = new float[] {in.getFloat(), in.getFloat(), in.getFloat()};
        }
        return points;
    }

    // Zero-length arrays cannot change, so every empty list shares one.
    private static final int[] NO_INTS = new int[0];
    private static final float[] NO_FLOATS = new float[0];

    private static int[] ints(ByteBuffer in) {
        int n = in.getInt();
        if (n == 0) {
            return NO_INTS;
        }
        int[] values = new int[n];
        for (int i = 0; i < values.length; i++) {
            values[i] = in.getInt();
        }
        return values;
    }

    private static float[] floats(ByteBuffer in) {
        int n = in.getInt();
        if (n == 0) {
            return NO_FLOATS;
        }
        float[] values = new float[n];
        for (int i = 0; i < values.length; i++) {
            values[i] = in.getFloat();
        }
        return values;
    }

    private static Marker[] labeledMarkers(ByteBuffer in) {
        Marker[] markers = new Marker[in.getInt()];
        for (int i = 0; i < markers.length; i++) {
            Marker m = new Marker();
            m.setId(in.getInt());
            m.setX(in.getFloat());
            m.setY(in.getFloat());
            m.setZ(in.getFloat());
            m.setSize(in.getFloat());
            markers[i] = m;
        }
        return markers;
    }

    private static FrameExtendData extendData(ByteBuffer in) {
        if (in.getInt() == 0) {
            return null;
        }
        FrameExtendData data = new FrameExtendData();
        data.setExtendDataNum(in.getInt());
        RigidBodyExtendData[] items = new RigidBodyExtendData[in.getInt()];
        for (int i = 0; i < items.length; i++) {
            RigidBodyExtendData x = new RigidBodyExtendData();
            x.setId(in.getInt());
            x.setRoll(in.getFloat());
            x.setPitch(in.getFloat());
            x.setYaw(in.getFloat());
            x.setRollVel(in.getFloat());
            x.setPitchVel(in.getFloat());
            x.setYawVel(in.getFloat());
            x.setRollAvel(in.getFloat());
            x.setPitchAvel(in.getFloat());
            x.setYawAvel(in.getFloat());
            x.setXVel(in.getFloat());
            x.setYVel(in.getFloat());
            x.setZVel(in.getFloat());
            x.setRVel(in.getFloat());
            x.setXAvel(in.getFloat());
            x.setYAvel(in.getFloat());
            x.setZAvel(in.getFloat());
            x.setRAvel(in.getFloat());
            items[i] = x;
        }
        data.setRigidBodyExtendData(items);
        return data;
    }
}
