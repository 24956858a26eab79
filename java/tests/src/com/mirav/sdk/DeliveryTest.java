package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.model.ForcePlates;
import com.mirav.sdk.model.FrameOfMocapData;
import java.lang.ref.WeakReference;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/** Deliveries through the trampolines from native threads that are not attached to the VM. */
class DeliveryTest {
    @AfterEach
    void releaseBindings() {
        ConversionProbe.joinDeliveries();
        ConversionProbe.releaseAll();
    }

    @Test
    void dataListenerGetsFramesWithAndWithoutUserObject() throws Exception {
        List<Object[]> calls = new CopyOnWriteArrayList<>();
        DataListener listener = (frame, user) -> calls.add(new Object[] {frame, user, Thread.currentThread()});
        Object user = new Object();
        long withUser = ConversionProbe.register(ConversionProbe.DATA, listener, user);
        long without = ConversionProbe.register(ConversionProbe.DATA, listener, null);
        assertTrue(withUser > 0 && without == withUser + 1, "tokens count up from 1");
        ConversionProbe.startDeliveries(ConversionProbe.DATA, withUser, 2);
        ConversionProbe.joinDeliveries();
        ConversionProbe.startDeliveries(ConversionProbe.DATA, without, 1);
        ConversionProbe.joinDeliveries();

        assertEquals(3, calls.size());
        FrameOfMocapData frame = (FrameOfMocapData) calls.get(0)[0];
        assertEquals(77, frame.getFrame());
        assertNotNull(frame.getExtendData(), "deliveries attach extended data");
        assertEquals(17.0f, frame.getExtendData().getRigidBodyExtendData()[0].getRAvel());
        assertSame(user, calls.get(1)[1]);
        assertNull(calls.get(2)[1]);
        Thread first = (Thread) calls.get(0)[2];
        assertEquals("mirav-receive", first.getName(), "runs on the attached native thread");
        assertTrue(first.isDaemon(), "attached as a daemon thread");
        assertSame(first, calls.get(1)[2], "one attach per native thread, not per delivery");
        assertTrue(calls.get(2)[2] != first, "another native thread is another Java thread");
        first.join(5000);
        assertTrue(!first.isAlive(), "detached when the native thread ended");
    }

    @Test
    void throwingListenerDoesNotStopLaterDeliveries() {
        AtomicInteger calls = new AtomicInteger();
        DataListener listener = (frame, user) -> {
            if (calls.incrementAndGet() == 1) {
                throw new IllegalStateException("listener failure expected by the test");
            }
        };
        long token = ConversionProbe.register(ConversionProbe.DATA, listener, null);
        ConversionProbe.startDeliveries(ConversionProbe.DATA, token, 3);
        ConversionProbe.joinDeliveries();
        assertEquals(3, calls.get());
    }

    @Test
    void otherKindsReachTheirListeners() throws Exception {
        List<ForcePlates> plates = new CopyOnWriteArrayList<>();
        List<byte[]> notes = new CopyOnWriteArrayList<>();
        List<byte[]> analog = new CopyOnWriteArrayList<>();
        Object user = "user";
        long p = ConversionProbe.register(ConversionProbe.FORCE_PLATE,
            (ForcePlateListener) (fp, u) -> { plates.add(fp); assertSame(user, u); }, user);
        long n = ConversionProbe.register(ConversionProbe.NOTIFY, (NotifyMsgListener) notes::add, null);
        long a = ConversionProbe.register(ConversionProbe.ANALOG, (AnalogChannelListener) analog::add, null);
        ConversionProbe.startDeliveries(ConversionProbe.FORCE_PLATE, p, 1);
        ConversionProbe.startDeliveries(ConversionProbe.NOTIFY, n, 1);
        ConversionProbe.startDeliveries(ConversionProbe.ANALOG, a, 1);
        ConversionProbe.joinDeliveries();
        assertEquals(42, plates.get(0).getFrameNumber());
        assertEquals(7f, plates.get(0).getForcePlates()[1].getTz());
        assertEquals(136, notes.get(0).length);
        assertEquals(9, notes.get(0)[0]);
        assertEquals(9640, analog.get(0).length);
        assertEquals(7, analog.get(0)[9639]);
    }

    @Test
    void unknownTokensAndMissingMethodsDeliverNothing() {
        AtomicInteger calls = new AtomicInteger();
        ConversionProbe.startDeliveries(ConversionProbe.DATA, 0, 1);
        ConversionProbe.startDeliveries(ConversionProbe.DATA, 1L << 40, 1);
        ConversionProbe.joinDeliveries();
        assertEquals(0, calls.get());
        assertThrows(NoSuchMethodError.class,
            () -> ConversionProbe.register(ConversionProbe.DATA, new Object(), null));
        assertEquals(0, ConversionProbe.bindingCount());
    }

    @Test
    void teardownDuringDeliveriesKeepsRunningOnesSafe() throws Exception {
        AtomicInteger calls = new AtomicInteger();
        CountDownLatch first = new CountDownLatch(1);
        DataListener listener = (frame, user) -> {
            calls.incrementAndGet();
            first.countDown();
            try {
                Thread.sleep(20);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            assertEquals(77, frame.getFrame());
        };
        WeakReference<DataListener> weak = new WeakReference<>(listener);
        long token = ConversionProbe.register(ConversionProbe.DATA, listener, new Object());
        listener = null;
        ConversionProbe.startDeliveries(ConversionProbe.DATA, token, 50);
        assertTrue(first.await(10, TimeUnit.SECONDS));
        ConversionProbe.releaseAll();  // while a delivery sleeps inside the listener
        assertEquals(0, ConversionProbe.bindingCount());
        ConversionProbe.joinDeliveries();
        assertTrue(calls.get() < 50, "deliveries after the teardown find no listener");
        for (int i = 0; i < 50 && weak.get() != null; i++) {
            System.gc();
            Thread.sleep(10);
        }
        assertNull(weak.get(), "the last delivery released the listener's global reference");
    }
}
