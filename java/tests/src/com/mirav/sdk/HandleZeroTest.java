package com.mirav.sdk;

import static com.mirav.sdk.MiravSDKClient.*;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.model.StreamStatistics;
import org.junit.jupiter.api.Test;

/** Every native with a handle of 0, and the calls that need no server. */
class HandleZeroTest {
    @Test
    void everyNativeAnswersAsForAMissingClient() {
        Object listener = (DataListener) (f, u) -> {};
        nativeDestroy(0);
        nativeSetVerbosityLevel(0, 3);
        assertEquals(1, nativeInitialize(0, "127.0.0.1"));
        assertEquals(1, nativeUninitialize(0));
        assertNull(nativeGetVersion(0));
        assertEquals(1, nativeWaitForForcePlateInit(0, 100));
        assertFalse(nativePumpFrame(0));
        assertEquals(1, nativeSetDataCallback(0, listener, null));
        assertEquals(1, nativeSetForcePlateCallback(0, listener, null));
        assertEquals(1, nativeSetMessageCallback(0, listener));
        assertEquals(1, nativeSetNotifyMsgCallback(0, listener));
        assertEquals(1, nativeSetAnalogChCallback(0, listener));
        assertNull(nativeGetServerDescription(0));
        assertNull(nativeGetDataDescriptions(0));
        assertNull(nativeGetStreamStatistics(0));
        assertNull(nativeGetDataDescriptionsEx(0));
        assertNull(nativeGetTposeDataDescriptions(0, "T"));
        assertEquals(0, nativeFreeDataDescriptions(0, null));
        assertNull(nativeDecodeTimecode(0, 0x01020304, 5));
        assertNull(nativeTimecodeStringify(0, 0x01020304, 5));
        assertEquals(0, nativeCopyFrame(0, null));
        assertEquals(0, nativeFreeFrame(0, null));
        assertNull(nativeGetLastFrameOfMocapData(0));
        assertEquals(0, nativeGetLastFrameDataByType(0, 1));
        assertEquals(0.0f, nativeGetLastFrameLatency(0));
        assertEquals(0, nativeGetLastFrameSubframe(0));
        assertEquals(0, nativeGetLastFrameTimecode(0));
        assertEquals(0L, nativeGetLastFrameTimeStamp(0));
        assertNull(nativeGetLastFrameMarkerByName(0, "a", "b"));
        assertNull(nativeGetLastFrameRigidBodyByName(0, "a"));
        assertNull(nativeGetLastFrameSkeletonByName(0, "a", "b"));
        assertNull(nativeGetLastFrameLabeledMarker(0));
        assertNull(nativeGetLastFrameUndefined(0, 0));
        assertEquals(0.0f, nativeGetLastFrameAnalogData(0, "a"));
        assertNull(nativeGetLastFrameExtendData(0));
        assertEquals(-1, nativeGetConnectionState(0));
        assertEquals(1, nativeSetConnectionStateCallback(0, listener));
        assertEquals(1, nativeSetStallTimeout(0, 10));
        assertEquals(1, nativeSetAutoReconnect(0, true, 10));
        assertEquals(1, nativeSetRequestTimeout(0, 10));
        assertEquals(1, nativeSetFrameQueueCapacity(0, 1));
        assertNull(nativeGetLastErrorText(0));
    }

    @Test
    void timecodesAndVersionWithoutAServer() {
        try (MiravSDKClient client = new MiravSDKClient()) {
            assertArrayEquals(new int[] {1, 2, 3, 4, 5}, client.decodeTimecode(0x01020304, 5));
            int[] top = client.decodeTimecode(0xFF3B3B3F, -1);
            assertEquals(255, top[0]);
            assertEquals(-1, top[4], "an unsigned subframe with the top bit set arrives negative");
            assertEquals("01:02:03:04.5", client.timecodeToString(0x01020304, 5));
            assertArrayEquals(new byte[] {4, 0, 56, 34}, client.getVersion());
            assertNull(client.getDataDescriptions(), "not connected");
            assertNull(client.getRigidBodyByName(""), "empty name never reaches the library");
            assertEquals(1, client.setDataListener(null));
            StreamStatistics fresh = client.getStreamStatistics();
            assertEquals(0, fresh.getDatagramsReceived() + fresh.getFramesDelivered());
            assertEquals(-1, fresh.getMillisecondsSinceLastFrame(), "no frame yet");
            client.close();
            assertNull(client.getStreamStatistics(), "closed client behaves as handle 0");
            assertNull(client.getVersion(), "closed client behaves as handle 0");
            assertEquals(0.0f, client.getAnalogData("x"));
        }
    }
}
