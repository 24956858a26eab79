package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.MiravSDKTypes.DataDescriptors;
import com.mirav.sdk.model.DataDescription;
import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.ForcePlateData;
import com.mirav.sdk.model.ForcePlates;
import com.mirav.sdk.model.FrameExtendData;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.Marker;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.ServerDescription;
import com.mirav.sdk.model.SkeletonDescription;
import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.Test;

/** Converters fed with hand-built native records. */
class ConversionTest {
    @Test
    void frameCarriesScalarsAndEveryPart() {
        FrameOfMocapData f = ConversionProbe.sampleFrame();
        assertEquals(77, f.getFrame());
        assertEquals(5, f.getLabeledMarkerCount());
        assertEquals(4, f.getAnalogDataCount());
        assertEquals(0x81020304, f.getTimecode());
        assertTrue(f.getTimecode() < 0, "top-bit timecode arrives negative");
        assertEquals(-1, f.getTimecodeSubframe());
        assertEquals(1234567890123L, f.getTimeStamp());
        assertEquals((short) -2, f.getParams());
        assertEquals(1.25f, f.getLatency());
        assertNull(f.getExtendData(), "only deliveries attach extended data");

        assertEquals(2, f.getMocapData().length);
        assertEquals("Arm", f.getMocapData()[0].getName());
        Marker[] arm = f.getMocapData()[0].getMarkers();
        assertEquals(3, arm.length);
        assertEquals(7f, arm[2].getX());
        assertEquals(9f, arm[2].getZ());
        assertEquals(2, f.getMocapData()[1].getMarkerCount());
        assertEquals(0, f.getMocapData()[1].getMarkers().length, "null positions: no markers set");

        RigidBodyData body = f.getRigidBodies()[0];
        assertEquals(5, body.getId());
        assertEquals(2, body.getMarkers().length);
        assertEquals(4f, body.getMarkers()[1].getX());
        assertEquals(0, body.getMarkerIds().length, "frame form carries no marker IDs");
        assertEquals(0f, body.getMeanError());

        assertEquals(2, f.getSkeletons().length);
        assertEquals(9, f.getSkeletons()[0].getSkeletonId());
        assertEquals(2, f.getSkeletons()[0].getRigidBodyData().length);
        assertEquals(1, f.getSkeletons()[0].getRigidBodyData()[0].getMarkers().length);
        assertEquals(0, f.getSkeletons()[1].getRigidBodyData().length);

        assertArrayEquals(new float[][] {{7, 8, 9}, {10, 11, 12}}, f.getOtherMarkers());
        assertTrue(f.toString().contains("frame=77"));

        // Added getters: what the record carries beyond the original objects.
        assertArrayEquals(new int[] {101, 102}, body.getFrameMarkerIds());
        assertArrayEquals(new float[] {0.5f, 0.25f}, body.getFrameMarkerSizes());
        assertEquals(0.75f, body.getFrameMeanError());
        assertEquals((short) 3, body.getFrameParams());
        assertTrue(body.isTracked());
        assertEquals(5, f.getLabeledMarkers().length);
        assertEquals(4, f.getAnalogData().length);
        assertEquals(0, f.getSkeletons()[0].getRigidBodyData()[1].getFrameMarkerIds().length,
            "a bone without markers");
    }

    @Test
    void everyValueOfTheRecordArrivesExactly() {
        assertEquals("", ConversionProbe.unresolvedNames(), "every class and method resolves");
        assertEquals(ConversionProbe.sampleFrameDump(), FrameDump.of(ConversionProbe.sampleFrame()));
    }

    @Test
    void extendDataTakesTheFirstKinematicsBlockOnly() {
        assertNull(ConversionProbe.sampleExtend(0), "no block of type 1");
        assertNull(ConversionProbe.sampleExtend(2), "type-1 block without items");
        FrameExtendData data = ConversionProbe.sampleExtend(1);
        assertEquals(2, data.getExtendDataNum(), "counts blocks, not items");
        assertEquals(2, data.getRigidBodyExtendData().length);
        assertEquals(33, data.getRigidBodyExtendData()[1].getId());
        assertEquals(1.0f, data.getRigidBodyExtendData()[1].getRoll());
        assertEquals(17.0f, data.getRigidBodyExtendData()[1].getRAvel());
    }

    @Test
    void queryFormCarriesMarkerArraysForOneTo999Markers() {
        RigidBodyData two = ConversionProbe.queryRigidBody(2);
        assertEquals(2, two.getMarkerCount());
        assertEquals(2, two.getMarkerPositions().length);
        assertEquals(9f, two.getMarkerPositions()[0][0]);
        assertArrayEquals(new int[] {7, 7}, two.getMarkerIds());
        assertArrayEquals(new float[] {0.5f, 0.5f}, two.getMarkerSizes());
        assertEquals(0.75f, two.getMeanError());
        assertEquals((short) 3, two.getParams());
        assertEquals(0, two.getMarkers().length, "query form has no Marker objects");

        assertEquals(999, ConversionProbe.queryRigidBody(999).getMarkerPositions().length);
        for (int count : new int[] {1000, 0, -1}) {
            RigidBodyData none = ConversionProbe.queryRigidBody(count);
            assertEquals(0, none.getMarkerCount(), "count " + count);
            assertEquals(0, none.getMarkerPositions().length);
            assertEquals(0, none.getMarkerIds().length);
            assertEquals(12, none.getId());
        }
    }

    @Test
    void descriptionsOfEveryKind() {
        DataDescriptions set = ConversionProbe.sampleDescriptions();
        assertEquals(6, set.getDataDescriptionCount());
        DataDescription[] d = set.getDataDescriptions();
        assertEquals(6, d.length);

        assertEquals(DataDescriptors.Descriptor_MarkerSet, d[0].getType());
        assertEquals("Leg", d[0].getMarkerSetDescription().getName());
        assertArrayEquals(new String[] {"Hip", null, "Knee"},
            d[0].getMarkerSetDescription().getMarkerNames());

        assertNull(d[1], "unknown kind gives a null element");

        assertEquals(DataDescriptors.Descriptor_RigidBody, d[2].getType());
        assertEquals("Wand", d[2].getRigidBodyDescription().getName());
        assertEquals(-1, d[2].getRigidBodyDescription().getParentId());
        assertEquals(2.0f, d[2].getRigidBodyDescription().getOffsetY());

        SkeletonDescription empty = d[3].getSkeletonDescription();
        assertEquals(0, empty.getRigidBodyCount());
        assertEquals(0, empty.getRigidBodies().length);

        assertEquals(DataDescriptors.Descriptor_ForcePlate, d[4].getType());
        assertNull(d[4].getPayload(), "force plate has only its kind");

        SkeletonDescription walker = d[5].getSkeletonDescription();
        assertEquals(2, walker.getRigidBodies().length);
        assertEquals("Shin", walker.getRigidBodies()[1].getName());
        assertEquals(1, walker.getRigidBodies()[1].getParentId());
    }

    @Test
    void serverDescriptionIsBoundedAndSanitised() {
        ServerDescription s = ConversionProbe.sampleServer();
        assertTrue(s.isHostPresent());
        assertEquals("capture-1", s.getHostComputerName());
        assertArrayEquals(new byte[] {(byte) 192, (byte) 168, 0, (byte) 200},
            s.getHostComputerAddress());
        assertEquals(256, s.getHostApp().length(), "unterminated name stops at its field");
        assertEquals("AAA\uFFFD", s.getHostApp().substring(0, 4));
        assertArrayEquals(new byte[] {4, 0, 56, 34}, s.getMiravSDKVersion());
        assertTrue(s.toString().contains("192.168.0.200"));
    }

    /** UTF-8 from the network as the Java platform's own decoder reads it: exact, or U+FFFD. */
    @Test
    void textFromTheNetworkBecomesExactStrings() {
        String[] valid = {"é", "Körper", "骨盤", "😀 hand", "𠀋", "a\u00A0b"};
        for (String text : valid) {
            assertEquals(text, ConversionProbe.fixedText(text.getBytes(StandardCharsets.UTF_8)));
        }
        // One U+FFFD per maximal invalid part of a sequence.
        Object[][] invalid = {
            {new byte[] {(byte) 0xC0, (byte) 0x80}, "\uFFFD\uFFFD"},                 // overlong
            {new byte[] {(byte) 0xED, (byte) 0xA0, (byte) 0x80}, "\uFFFD\uFFFD\uFFFD"},  // surrogate
            {new byte[] {(byte) 0xF0, (byte) 0x9F, (byte) 0x98}, "\uFFFD"},            // cut short
            {new byte[] {'a', (byte) 0xE9, 'b'}, "a\uFFFDb"},                           // Latin-1
            {new byte[] {(byte) 0xF4, (byte) 0x90, (byte) 0x80, (byte) 0x80},
                "\uFFFD\uFFFD\uFFFD\uFFFD"},                                          // > U+10FFFF
            {new byte[] {(byte) 0xFF, (byte) 0x80, 'x'}, "\uFFFD\uFFFDx"},
        };
        for (Object[] c : invalid) {
            assertEquals(c[1], ConversionProbe.fixedText((byte[]) c[0]),
                java.util.Arrays.toString((byte[]) c[0]));
        }
        assertEquals("ab", ConversionProbe.fixedText(new byte[] {'a', 'b', 0, 'c'}));

        // A name filling the 256-byte field, cut inside its last character.
        byte[] field = new byte[256];
        java.util.Arrays.fill(field, 0, 254, (byte) 'n');
        byte[] emoji = "😀".getBytes(StandardCharsets.UTF_8);
        field[254] = emoji[0];
        field[255] = emoji[1];
        String cut = ConversionProbe.fixedText(field);
        assertEquals(255, cut.length());
        assertEquals('\uFFFD', cut.charAt(254));
    }

    @Test
    void labeledMarkersAndForcePlates() {
        assertNull(ConversionProbe.labeledMarkers(-1));
        assertEquals(0, ConversionProbe.labeledMarkers(0).length);
        Marker[] markers = ConversionProbe.labeledMarkers(2);
        assertEquals(2, markers[1].getId());
        assertEquals(0.25f, markers[1].getSize());
        assertEquals(6f, markers[1].getZ());

        ForcePlates plates = ConversionProbe.sampleForcePlates();
        assertNotNull(plates);
        assertEquals(42, plates.getFrameNumber());
        assertEquals(2, plates.getForcePlates().length);
        ForcePlateData p = plates.getForcePlates()[1];
        assertArrayEquals(new float[] {1, 2, 3, 4, 5, 6, 7},
            new float[] {p.getFx(), p.getFy(), p.getFz(), p.getCopX(), p.getCopY(), p.getCopZ(),
                p.getTz()});
    }
}
