package com.mirav.sdk;

import com.mirav.sdk.model.FrameOfMocapData;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Run by hand against a running substitute server (mirav-sim --typical --rate R):
 * frames per second delivered to a Java data listener, and the cost of one last-frame conversion.
 *
 * <pre>java -cp mirav-sdk.jar:mirav-sdk-tests.jar com.mirav.sdk.BindingBenchmark [seconds]</pre>
 */
public final class BindingBenchmark {
    private BindingBenchmark() {}

    public static void main(String[] args) throws Exception {
        int seconds = args.length > 0 ? Integer.parseInt(args[0]) : 5;
        try (MiravSDKClient client = new MiravSDKClient()) {
            AtomicInteger delivered = new AtomicInteger();
            AtomicInteger lastFrame = new AtomicInteger();
            client.setDataListener((frame, user) -> {
                delivered.incrementAndGet();
                lastFrame.set(frame.getFrame());
            });
            if (client.initialize("127.0.0.1") != 0) {
                throw new IllegalStateException("no server on 127.0.0.1");
            }
            Thread.sleep(500);
            int startCount = delivered.get();
            int startFrame = lastFrame.get();
            long start = System.nanoTime();
            Thread.sleep(TimeUnit.SECONDS.toMillis(seconds));
            double elapsed = (System.nanoTime() - start) / 1e9;
            int got = delivered.get() - startCount;
            int sent = lastFrame.get() - startFrame;
            System.out.printf("listener: %.0f frames/s delivered (%d of %d frames sent)%n",
                got / elapsed, got, sent);

            // Conversion cost: the pumped frame stays current, so each call converts it again.
            while (!client.pumpFrame()) {
                Thread.sleep(1);
            }
            FrameOfMocapData frame = client.getLastFrame();
            System.out.println("frame: " + frame);
            for (int i = 0; i < 2000; i++) {
                client.getLastFrame();
            }
            int runs = 20000;
            long t0 = System.nanoTime();
            for (int i = 0; i < runs; i++) {
                client.getLastFrame();
            }
            double micros = (System.nanoTime() - t0) / 1e3 / runs;
            System.out.printf("nativeGetLastFrameOfMocapData: %.2f us per conversion%n", micros);
            client.uninitialize();
        }
    }
}
