package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.RigidBodyData;
import java.util.List;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** Listener threads, teardown from a listener, diagnostics and the cleaner, against the server. */
@Tag("live")
class ListenerThreadTest {
    private static Process server;

    @BeforeAll
    static void startServer() throws Exception {
        server = new ProcessBuilder(System.getProperty("mirav.sim"), "--bind", "127.0.0.1",
            "--rate", "200", "--duration", "120").inheritIO().start();
        Thread.sleep(300);
    }

    @AfterAll
    static void stopServer() throws Exception {
        server.destroy();
        server.waitFor(10, TimeUnit.SECONDS);
    }

    private static void connect(MiravSDKClient client) {
        int result = -1;
        for (int attempt = 0; attempt < 10 && result != 0; attempt++) {
            result = client.initialize("127.0.0.1");
        }
        assertEquals(0, result, "initialize");
    }

    @Test
    void oneNamedDaemonThreadCarriesEveryFrameAndRefusesTeardown() throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            Set<Thread> threads = ConcurrentHashMap.newKeySet();
            ThreadLocal<Integer> seen = ThreadLocal.withInitial(() -> 0);
            AtomicReference<Throwable> refusal = new AtomicReference<>();
            List<FrameOfMocapData> frames = new CopyOnWriteArrayList<>();
            CountDownLatch twenty = new CountDownLatch(20);
            client.setDataListener((frame, user) -> {
                threads.add(Thread.currentThread());
                seen.set(seen.get() + 1);
                frames.add(frame);
                if (twenty.getCount() == 10 && refusal.get() == null) {
                    try {
                        client.close();
                    } catch (IllegalStateException e) {
                        refusal.set(e);
                    }
                }
                twenty.countDown();
            });
            connect(client);
            assertTrue(twenty.await(10, TimeUnit.SECONDS), "frames keep coming after the refusal");
            assertEquals(1, threads.size(), "one Java thread for the receive thread");
            Thread thread = threads.iterator().next();
            assertTrue(thread.getName().matches("mirav-client-\\d+-data"), thread.getName());
            assertTrue(thread.isDaemon());
            assertNotNull(refusal.get(), "close() inside a listener throws");
            assertTrue(refusal.get() instanceof IllegalStateException);
            assertTrue(refusal.get().getMessage().contains("receive thread"));

            // What the frame record carries beyond the original getters.
            FrameOfMocapData frame = frames.get(frames.size() - 1);
            assertEquals(frame.getLabeledMarkerCount(), frame.getLabeledMarkers().length);
            assertEquals(frame.getAnalogDataCount(), frame.getAnalogData().length);
            RigidBodyData body = frame.getRigidBodies()[0];
            assertEquals(body.getMarkers().length, body.getFrameMarkerIds().length);
            assertEquals(0.014f, body.getFrameMarkerSizes()[0], 1e-6f);

            // A polled frame against the C++ record it came from, field by field.
            client.setDataListener(null);
            long end = System.nanoTime() + TimeUnit.SECONDS.toNanos(5);
            while (!client.pumpFrame() && System.nanoTime() < end) {
                Thread.sleep(5);
            }
            assertEquals(ConversionProbe.currentFrameDump(), FrameDump.of(client.getLastFrame()));
            assertEquals(0, client.uninitialize());
        }
    }

    @Test
    void messageListenerSeesWhyASecondClientFailsAndTheCleanerFreesADroppedClient()
        throws Exception {
        List<String> lines = new CopyOnWriteArrayList<>();
        try (MiravSDKClient first = new MiravSDKClient()) {
            first.setMessageListener((level, message) -> lines.add(level + " " + message));
            connect(first);
            try (MiravSDKClient second = new MiravSDKClient()) {
                assertNotEquals(0, second.initialize("127.0.0.1"));
            }
            assertTrue(!lines.isEmpty(), "the library said why the second client failed");
            assertTrue(lines.stream().noneMatch(l -> l.endsWith("\n")));
            first.discardLibraryMessages();
            assertEquals(0, first.uninitialize());
        }
        // A client dropped while initialised: the cleaner uninitialises it, so the ports are
        // free again for the next client.
        dropInitialisedClient();
        int result = -1;
        for (int i = 0; i < 100 && result != 0; i++) {
            System.gc();
            Thread.sleep(50);
            try (MiravSDKClient next = new MiravSDKClient()) {
                result = next.initialize("127.0.0.1");
                if (result == 0) {
                    next.uninitialize();
                }
            }
        }
        assertEquals(0, result, "the dropped client was released");
    }

    private static void dropInitialisedClient() {
        MiravSDKClient dropped = new MiravSDKClient();
        connect(dropped);
    }
}
