package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.model.FrameHostTiming;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.StreamStatistics;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/**
 * Host timing of frames through the binding, against the substitute server's true capture times,
 * and the stream's counters.
 */
@Tag("live")
class HostTimingTest {
    @Test
    void listenedAndPolledFramesCarryCaptureTimesOnTheHostClock() throws Exception {
        String sim = System.getProperty("mirav.sim");
        assertTrue(sim != null && !sim.isEmpty(), "mirav.sim names the substitute server");
        Process server = new ProcessBuilder(sim, "--bind", "127.0.0.1", "--rate", "240",
            "--jitter", "2", "--true-time", "--duration", "60").inheritIO().start();
        try (MiravSDKClient client = new MiravSDKClient()) {
            Thread.sleep(300);
            double start = MiravSDKClient.hostTimeNow();
            assertEquals(System.nanoTime() * 1e-9, start, 0.01, "the clock of System.nanoTime");
            List<double[]> seen = new CopyOnWriteArrayList<>();
            client.setDataListener((frame, user) -> {
                FrameHostTiming t = client.getFrameHostTiming(frame);
                seen.add(t == null ? new double[0]
                                   : new double[] {t.getCaptureTime(), t.getArrivalTime(),
                                                   frame.getTimeStamp() * 1e-9});
            });
            int result = -1;
            for (int attempt = 0; attempt < 10 && result != 0; attempt++) {
                result = client.initialize("127.0.0.1");
            }
            assertEquals(0, result, "initialize");
            Thread.sleep(3000);

            assertTrue(client.pumpFrame(), "a frame to poll");
            FrameOfMocapData polled = client.getLastFrame();
            FrameHostTiming timing = client.getFrameHostTiming(polled);
            assertNotNull(timing);
            assertEquals(240.0, timing.getEstimatedRate(), 0.5);
            assertTrue(timing.getCaptureTime() <= timing.getArrivalTime());
            assertTrue(timing.getArrivalTime() <= timing.getDeliveryTime());
            assertTrue(timing.getCaptureUncertainty() > 0 && timing.getCaptureUncertainty() < 0.001);
            assertNull(client.getFrameHostTiming(null));
            FrameOfMocapData unknown = new FrameOfMocapData();
            unknown.setFrame(Integer.MIN_VALUE);
            assertNull(client.getFrameHostTiming(unknown), "a frame never received");
            client.uninitialize();

            // The stream's counters cross with it: every listened frame was delivered, on a
            // clean loopback link nothing was lost, and the counters outlive uninitialize.
            StreamStatistics stats = client.getStreamStatistics();
            assertNotNull(stats);
            assertTrue(stats.getFramesDelivered() >= seen.size(), stats.toString());
            assertTrue(stats.getDatagramsReceived() >= stats.getFramesDelivered(), stats.toString());
            assertTrue(stats.getBytesReceived() > stats.getDatagramsReceived(), stats.toString());
            assertEquals(0, stats.getDatagramsMalformed() + stats.getMessagesAbandoned());
            assertTrue(stats.getMillisecondsSinceLastFrame() >= 0);

            int late = 0;
            int measured = 0;
            double previous = 0;
            for (double[] s : seen) {
                assertEquals(3, s.length, "every listened frame has its timing");
                assertTrue(s[0] >= previous && s[0] <= s[1]);
                previous = s[0];
                if (s[2] > start + 2.0) {
                    measured++;
                    if (Math.abs(s[0] - s[2]) > 0.0002) {
                        late++;
                    }
                }
            }
            assertTrue(measured > 100, measured + " frames after the warm-up");
            assertTrue(late <= measured / 100, late + " of " + measured + " off by more than 0.2 ms");
        } finally {
            server.destroy();
            server.waitFor(10, TimeUnit.SECONDS);
        }
    }
}
