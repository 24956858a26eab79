package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.BooleanSupplier;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** Connection state, reconnection and failure reasons against servers this test starts and stops. */
@Tag("live")
class ContinuityLiveTest {
    private static Process startServer(String... extra) throws Exception {
        List<String> command = new ArrayList<>(List.of(System.getProperty("mirav.sim"), "--bind",
            "127.0.0.1", "--rate", "100", "--duration", "30"));
        command.addAll(List.of(extra));
        Process server = new ProcessBuilder(command).inheritIO().start();
        Thread.sleep(300);
        return server;
    }

    private static void stopServer(Process server) throws Exception {
        server.destroy();
        assertTrue(server.waitFor(10, TimeUnit.SECONDS), "the server stops");
    }

    private static boolean within(long millis, BooleanSupplier condition) throws Exception {
        long end = System.nanoTime() + millis * 1_000_000;
        while (System.nanoTime() < end) {
            if (condition.getAsBoolean()) {
                return true;
            }
            Thread.sleep(10);
        }
        return condition.getAsBoolean();
    }

    /** A change as the listener saw it, with the thread it ran on. */
    private static final class Change {
        final ConnectionState state;
        final ConnectionState previous;
        final String thread;

        Change(ConnectionState state, ConnectionState previous) {
            this.state = state;
            this.previous = previous;
            this.thread = Thread.currentThread().getName();
        }

        @Override
        public String toString() {
            return previous + "->" + state;
        }
    }

    private static int lastIndexOf(List<Change> changes, ConnectionState state) {
        for (int i = changes.size() - 1; i >= 0; i--) {
            if (changes.get(i).state == state) {
                return i;
            }
        }
        return -1;
    }

    @Test
    void listenerFollowsAServerRestartWithAutomaticReconnection() throws Exception {
        Process server = startServer();
        List<Change> changes = new CopyOnWriteArrayList<>();
        AtomicReference<Throwable> refusal = new AtomicReference<>();
        try (MiravSDKClient client = new MiravSDKClient()) {
            client.setConnectionStateListener((state, previous) -> {
                changes.add(new Change(state, previous));
                if (state == ConnectionState.STALLED && refusal.get() == null) {
                    try {
                        client.uninitialize();
                        refusal.set(new AssertionError("uninitialize returned in the listener"));
                    } catch (IllegalStateException expected) {
                        refusal.set(expected);
                    }
                }
            });
            assertEquals(0, client.setStallTimeout(300));
            assertEquals(0, client.setAutoReconnect(true, 200));
            client.connect("127.0.0.1");
            assertTrue(within(3000, () -> client.getConnectionState() == ConnectionState.STREAMING));
            assertTrue(within(1000, () -> lastIndexOf(changes, ConnectionState.STREAMING) >= 0));
            assertEquals(ConnectionState.CONNECTING, changes.get(0).state, changes.toString());
            assertEquals(ConnectionState.DISCONNECTED, changes.get(0).previous);

            stopServer(server);
            assertTrue(within(3000, () -> lastIndexOf(changes, ConnectionState.RECONNECTING) >= 0),
                changes.toString());
            assertTrue(client.getLastErrorText().startsWith("connected, but no frames for 0.3 s"),
                client.getLastErrorText());
            server = startServer();
            int reconnecting = lastIndexOf(changes, ConnectionState.RECONNECTING);
            assertTrue(within(3000, () -> lastIndexOf(changes, ConnectionState.STREAMING)
                > lastIndexOf(changes, ConnectionState.RECONNECTING)), changes.toString());
            assertTrue(lastIndexOf(changes, ConnectionState.STALLED) < reconnecting);
            assertEquals(ConnectionState.STREAMING, client.getConnectionState());

            assertTrue(refusal.get() instanceof IllegalStateException, String.valueOf(refusal.get()));
            assertTrue(refusal.get().getMessage().contains("monitor thread"));
            assertEquals(0, client.uninitialize());
            assertEquals(ConnectionState.DISCONNECTED, client.getConnectionState());
        } finally {
            stopServer(server);
        }
        Change last = changes.get(changes.size() - 1);
        assertEquals(ConnectionState.DISCONNECTED, last.state, "uninitialize reports the end");
        for (int i = 0; i < changes.size(); i++) {
            Change c = changes.get(i);
            assertNotEquals(c.state, c.previous, "only changes are reported: " + changes);
            assertTrue(c.thread.matches("mirav-client-\\d+-monitor"), c.thread);
            assertEquals(changes.get(0).thread, c.thread, "one Java thread for the monitor");
            if (i > 0) {
                assertEquals(changes.get(i - 1).state, c.previous, "in order: " + changes);
            }
        }
    }

    @Test
    void listenerCallsDuringUninitializeDoNotWaitForAQueuedClose() throws Exception {
        Process server = startServer();
        try {
            MiravSDKClient client = new MiravSDKClient();
            CountDownLatch inListener = new CountDownLatch(1);
            AtomicReference<Object> seen = new AtomicReference<>();
            client.setConnectionStateListener((state, previous) -> {
                if (state != ConnectionState.DISCONNECTED) {
                    return;
                }
                inListener.countDown();
                try {
                    Thread.sleep(300);  // meanwhile close() queues for the handle
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                seen.set(client.getLastErrorText());
            });
            client.connect("127.0.0.1");
            Thread uninitialize = new Thread(client::uninitialize);
            Thread close = new Thread(client::close);
            uninitialize.setDaemon(true);
            close.setDaemon(true);
            uninitialize.start();
            assertTrue(inListener.await(5, TimeUnit.SECONDS));
            close.start();
            uninitialize.join(5000);
            close.join(5000);
            assertTrue(!uninitialize.isAlive() && !close.isAlive(),
                "the listener's call waited behind close(), which waited for uninitialize()");
            assertNotNull(seen.get(), "the listener's call ran on the open client");
        } finally {
            stopServer(server);
        }
    }

    @Test
    void connectFailuresThrowWithTheLibrarysReason() throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            // Nothing listens on the command port: the operating system says so at once.
            long start = System.nanoTime();
            MiravException unreachable =
                assertThrows(MiravException.class, () -> client.connect("127.0.0.1"));
            long elapsedMs = (System.nanoTime() - start) / 1_000_000;
            assertTrue(elapsedMs < 1000, "answered in " + elapsedMs + " ms");
            assertEquals("port 5230 unreachable on 127.0.0.1: nothing is listening",
                unreachable.getMessage());
            assertEquals(15, unreachable.getResultCode());
            assertEquals(unreachable.getMessage(), client.getLastErrorText());
            assertEquals(ConnectionState.DISCONNECTED, client.getConnectionState());
        }

        Process server = startServer("--refuse");
        try (MiravSDKClient client = new MiravSDKClient()) {
            int result = client.initialize("127.0.0.1");
            assertNotEquals(0, result, "initialize keeps answering with the code");
            String text = client.getLastErrorText();
            assertNotNull(text);
            assertTrue(text.startsWith("server 4.0.56.34 refused library version "), text);
            MiravException refused =
                assertThrows(MiravException.class, () -> client.connect("127.0.0.1"));
            assertEquals(result, refused.getResultCode());
            assertEquals(text, refused.getMessage());
        } finally {
            stopServer(server);
        }
    }
}
