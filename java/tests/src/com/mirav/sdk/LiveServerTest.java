package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.MiravSDKTypes.DataDescriptors;
import com.mirav.sdk.model.DataDescription;
import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.ServerDescription;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** The binding against the substitute server on loopback (the protocol's fixed ports). */
@Tag("live")
class LiveServerTest {
    private static Process server;

    @BeforeAll
    static void startServer() throws Exception {
        String sim = System.getProperty("mirav.sim");
        assertTrue(sim != null && !sim.isEmpty(), "mirav.sim names the substitute server");
        server = new ProcessBuilder(sim, "--bind", "127.0.0.1", "--rate", "100", "--duration", "120")
            .inheritIO().start();
        Thread.sleep(300);
    }

    @AfterAll
    static void stopServer() throws Exception {
        server.destroy();
        server.waitFor(10, TimeUnit.SECONDS);
    }

    private static MiravSDKClient connect() {
        MiravSDKClient client = new MiravSDKClient();
        int result = -1;
        for (int attempt = 0; attempt < 10 && result != 0; attempt++) {
            result = client.initialize("127.0.0.1");
        }
        assertEquals(0, result, "initialize");
        return client;
    }

    private static boolean pumpWithin(MiravSDKClient client, long millis) throws Exception {
        long end = System.nanoTime() + millis * 1_000_000;
        while (System.nanoTime() < end) {
            if (client.pumpFrame()) {
                return true;
            }
            Thread.sleep(5);
        }
        return false;
    }

    @Test
    void pollsFramesDescriptionsAndLookups() throws Exception {
        try (MiravSDKClient client = connect()) {
            ServerDescription server = client.getServerDescription();
            assertTrue(server.isHostPresent());

            DataDescriptions descriptions = client.getDataDescriptions();
            assertNotNull(descriptions);
            int skeletons = 0;
            for (DataDescription d : descriptions.getDataDescriptions()) {
                if (d != null && d.getType() == DataDescriptors.Descriptor_Skeleton) {
                    skeletons++;
                    assertEquals("Walker", d.getSkeletonDescription().getName());
                }
            }
            assertEquals(1, skeletons);
            assertNotNull(client.getDataDescriptionsEx(), "extended set is converted");
            assertNotNull(client.getTposeDataDescriptions("Walker"), "T-pose set is converted");

            assertTrue(pumpWithin(client, 3000), "a frame arrives");
            FrameOfMocapData frame = client.getLastFrame();
            assertTrue(frame.getFrame() > 0);
            assertEquals(3, frame.getRigidBodies().length);
            assertEquals(3, frame.getRigidBodies()[0].getMarkers().length);
            assertEquals(0, frame.getRigidBodies()[0].getMarkerIds().length);
            assertEquals(frame.getTimecode(), client.getLastFrameTimecode());

            RigidBodyData body = client.getRigidBodyByName("RigidBody1");
            assertNotNull(body);
            assertEquals(3, body.getMarkerCount(), body + " vs " + frame.getRigidBodies()[0]);
            assertEquals(3, body.getMarkerPositions().length);
            assertEquals(3, body.getMarkerIds().length);
            assertEquals(0.014f, body.getMarkerSizes()[2], 1e-6f);
            assertNotNull(client.getSkeletonBoneByName("Walker", "Hips"));
            assertNull(client.getSkeletonBoneByName("Walker", "Tail"));
            assertEquals(3, client.getMarkerByName("Wand", "Wand_2").length);
            assertTrue(Float.isNaN(client.getAnalogData("NoSuchChannel")));
            assertEquals(3, client.getLabeledMarkers().length);
            assertNotNull(client.getUnlabeledMarker(0));
            assertEquals(0, client.uninitialize());
            assertTrue(client.getDataDescriptions() == null, "not connected any more");
        }
    }

    @Test
    void listenersWithAndWithoutUserObjectAndReRegistration() throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            Object user = new Object();
            List<Object> firstUsers = new CopyOnWriteArrayList<>();
            CountDownLatch firstFrames = new CountDownLatch(3);
            client.setDataListener((frame, u) -> {
                firstUsers.add(u);
                firstFrames.countDown();
            }, user);
            connect(client);
            assertTrue(firstFrames.await(5, TimeUnit.SECONDS));
            assertSame(user, firstUsers.get(0));

            CountDownLatch secondFrames = new CountDownLatch(5);
            List<Object> secondUsers = new CopyOnWriteArrayList<>();
            client.setDataListener((frame, u) -> {
                secondUsers.add(u == null ? "null" : u);
                secondFrames.countDown();
            });
            int before = firstUsers.size();
            assertTrue(secondFrames.await(5, TimeUnit.SECONDS));
            assertTrue(firstUsers.size() <= before + 1, "only the second listener is called");
            assertEquals("null", secondUsers.get(0));
            client.uninitialize();
        }
    }

    private static void connect(MiravSDKClient client) {
        int result = -1;
        for (int attempt = 0; attempt < 10 && result != 0; attempt++) {
            result = client.initialize("127.0.0.1");
        }
        assertEquals(0, result, "initialize");
    }

    @Test
    void throwingListenerAndTeardownWithDeliveriesInFlight() throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            AtomicInteger calls = new AtomicInteger();
            CountDownLatch later = new CountDownLatch(5);
            client.setDataListener((frame, u) -> {
                if (calls.incrementAndGet() == 1) {
                    throw new IllegalStateException("listener failure expected by the test");
                }
                later.countDown();
                try {
                    Thread.sleep(3);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
            });
            connect(client);
            assertTrue(later.await(5, TimeUnit.SECONDS), "frames keep coming after the throw");
            assertEquals(0, client.uninitialize());  // while a delivery may be sleeping
            int after = calls.get();
            Thread.sleep(100);
            assertEquals(after, calls.get(), "no delivery after the teardown");
        }
    }

    @Test
    void forcePlateListenerGetsPlateObjects() throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            List<com.mirav.sdk.model.ForcePlates> plates = new CopyOnWriteArrayList<>();
            client.setForcePlateListener((p, u) -> plates.add(p), "user");
            connect(client);
            int prepared = client.waitForForcePlateInit(3000);
            Thread.sleep(300);
            if (prepared == 0 && !plates.isEmpty()) {
                assertTrue(plates.get(0).getForcePlateCount() > 0);
                assertEquals(plates.get(0).getForcePlateCount(), plates.get(0).getForcePlates().length);
            }
            client.uninitialize();
        }
    }
}
