package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import org.junit.jupiter.api.Test;

/** Connection state codes, their delivery to listeners and the continuity setters' arguments. */
class ConnectionStateTest {
    private static final int INVALID_ARGUMENT = 2;

    @Test
    void codesMapBothWaysAndUnknownCodesAreRefused() {
        for (ConnectionState state : ConnectionState.values()) {
            assertEquals(state, ConnectionState.fromCode(state.code()));
        }
        assertEquals(ConnectionState.DISCONNECTED, ConnectionState.fromCode(0));
        assertEquals(ConnectionState.RECONNECTING, ConnectionState.fromCode(4));
        assertThrows(IllegalArgumentException.class, () -> ConnectionState.fromCode(5));
        assertThrows(IllegalArgumentException.class, () -> ConnectionState.fromCode(-1));
    }

    @Test
    void changesReachTheListenerInOrderAndAThrowingListenerKeepsReceiving() {
        List<ConnectionState[]> changes = new CopyOnWriteArrayList<>();
        ConnectionStateListener listener = (state, previous) -> {
            changes.add(new ConnectionState[] {state, previous});
            if (changes.size() == 2) {
                throw new IllegalStateException("listener failure expected by the test");
            }
        };
        long token = ConversionProbe.register(ConversionProbe.CONNECTION_STATE, listener, null);
        ConversionProbe.startDeliveries(ConversionProbe.CONNECTION_STATE, token, 7);
        ConversionProbe.joinDeliveries();
        assertEquals(7, changes.size(), "the throwing call does not stop later ones");
        for (int i = 0; i < 7; i++) {
            assertEquals(ConnectionState.fromCode(i % 5), changes.get(i)[0]);
            assertEquals(ConnectionState.fromCode((i + 4) % 5), changes.get(i)[1]);
        }
        ConversionProbe.releaseAll();
    }

    @Test
    void settersCheckTheirArgumentsAndAClosedClientAnswersAsMissing() throws Exception {
        MiravSDKClient client = new MiravSDKClient();
        try {
            assertEquals(ConnectionState.DISCONNECTED, client.getConnectionState());
            assertEquals("", client.getLastErrorText(), "nothing has failed yet");

            assertEquals(0, client.setStallTimeout(0));
            assertEquals(0, client.setStallTimeout(3_600_000));
            assertEquals(INVALID_ARGUMENT, client.setStallTimeout(-1));
            assertEquals(INVALID_ARGUMENT, client.setStallTimeout(3_600_001));
            assertEquals(0, client.setAutoReconnect(true, 0));
            assertEquals(0, client.setAutoReconnect(false, 3_600_000));
            assertEquals(INVALID_ARGUMENT, client.setAutoReconnect(true, -1));
            assertEquals(INVALID_ARGUMENT, client.setAutoReconnect(true, Integer.MAX_VALUE));
            assertEquals(0, client.setRequestTimeout(1));
            assertEquals(INVALID_ARGUMENT, client.setRequestTimeout(0));
            assertEquals(INVALID_ARGUMENT, client.setRequestTimeout(Integer.MIN_VALUE));
            assertEquals(INVALID_ARGUMENT, client.setFrameQueueCapacity(0));
            assertEquals(INVALID_ARGUMENT, client.setFrameQueueCapacity(33));
            assertEquals(0, client.setFrameQueueCapacity(1));
            assertEquals(0, client.setFrameQueueCapacity(32));  // back to the default
            assertEquals(0, client.setConnectionStateListener((s, p) -> {}));
            assertEquals(0, client.setConnectionStateListener(null), "null stops the calls");
            assertThrows(NullPointerException.class, () -> client.connect(null));
        } finally {
            client.close();
        }
        assertEquals(ConnectionState.DISCONNECTED, client.getConnectionState());
        assertNull(client.getLastErrorText());
        assertEquals(1, client.setStallTimeout(10));
        assertEquals(1, client.setConnectionStateListener((s, p) -> {}));
        assertThrows(IllegalStateException.class, () -> client.connect("127.0.0.1"));
    }
}
