package com.mirav.sdk;

import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.FrameExtendData;
import com.mirav.sdk.model.FrameHostTiming;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.Marker;
import com.mirav.sdk.model.RigidBodyData;
import com.mirav.sdk.model.ServerDescription;
import com.mirav.sdk.model.StreamStatistics;
import java.lang.ref.Cleaner;
import java.util.Objects;
import java.util.concurrent.locks.ReentrantReadWriteLock;
import java.util.function.LongFunction;

/**
 * A client of the capture server. Create it, optionally register listeners, {@link
 * #initialize(String) initialize} it with the server's IPv4 address, then receive frames through a
 * {@link DataListener} or poll them with {@link #pumpFrame()} and {@link #getLastFrame()}. Close
 * it when done (try-with-resources works).
 *
 * <p>Operations return the library's result codes: 0 for success. After {@link #close()} every
 * operation answers as for a missing client (1, null, false or 0).
 *
 * <p>Frames polled with {@link #pumpFrame()} and the per-frame getters read one current frame that
 * is shared by every client in the process.
 *
 * <p>Listeners run on the library's receive threads: one daemon Java thread per receive thread,
 * named after the client ("mirav-client-1-data"), the same for every delivery. A client that
 * becomes unreachable without {@link #close()} is uninitialised and released by a cleaner.
 */
public class MiravSDKClient implements AutoCloseable {
    static {
        NativeLibrary.load();
    }

    private static final Cleaner CLEANER = Cleaner.create();

    /** The native handle, shared with the cleaning action (which must not refer to the client). */
    private static final class NativeHandle implements Runnable {
        volatile long value;

        NativeHandle(long value) {
            this.value = value;
        }

        /** Releases a client that was dropped without close(). */
        @Override
        public void run() {
            long old = value;
            value = 0;
            if (old != 0) {
                nativeUninitialize(old);
                nativeDestroy(old);
            }
        }
    }

    private final ReentrantReadWriteLock handleLock = new ReentrantReadWriteLock();
    private final NativeHandle handle;
    private final Cleaner.Cleanable cleanable;

    /** Creates the native client. */
    public MiravSDKClient() {
        long created = nativeCreate();
        if (created == 0) {
            throw new OutOfMemoryError("the native client could not be created");
        }
        handle = new NativeHandle(created);
        cleanable = CLEANER.register(this, handle);
    }

    /** Connects to the server at the given IPv4 address; 0 on success. */
    public int initialize(String serverAddress) {
        return withHandle(h -> nativeInitialize(h, serverAddress));
    }

    /**
     * Connects to the server like {@link #initialize(String)}, but throws when it cannot, with
     * the library's reason as the message (for example "port 5230 unreachable on 127.0.0.1:
     * nothing is listening").
     *
     * @throws MiravException with the result code and the reason when the connection fails
     * @throws NullPointerException for a null address
     * @throws IllegalStateException when the client is closed
     */
    public void connect(String serverAddress) throws MiravException {
        Objects.requireNonNull(serverAddress, "serverAddress");
        lockHandle();
        try {
            long h = handle.value;
            if (h == 0) {
                throw new IllegalStateException("the client is closed");
            }
            int result = nativeInitialize(h, serverAddress);
            if (result != 0) {
                String reason = nativeGetLastErrorText(h);
                if (reason == null || reason.isEmpty()) {
                    reason = "connecting to " + serverAddress + " failed with result " + result;
                }
                throw new MiravException(result, reason);
            }
        } finally {
            handleLock.readLock().unlock();
        }
    }

    /**
     * Disconnects. Also drops the polled frame and this client's listeners.
     *
     * @throws IllegalStateException when called from a listener (on a receive thread), which the
     *     disconnection would have to wait for
     */
    public int uninitialize() {
        refuseOnLibraryThread("uninitialize()");
        return withHandle(h -> nativeUninitialize(h));
    }

    /**
     * Disconnects if needed and releases the native client; further calls do nothing.
     *
     * @throws IllegalStateException when called from a listener (on a receive thread)
     */
    @Override
    public void close() {
        refuseOnLibraryThread("close()");
        long old;
        handleLock.writeLock().lock();
        try {
            old = handle.value;
            handle.value = 0;
        } finally {
            handleLock.writeLock().unlock();
        }
        nativeDestroy(old);
        cleanable.clean();
    }

    private static void refuseOnLibraryThread(String operation) {
        if (Deliveries.onLibraryThread()) {
            throw new IllegalStateException(operation + " called on the library's receive thread "
                + "or monitor thread " + Thread.currentThread().getName() + " (from a listener): "
                + "it would wait for that thread itself; call it from another thread");
        }
    }

    /** The library version, four bytes. */
    public byte[] getVersion() {
        return withHandle(h -> nativeGetVersion(h));
    }

    /** Verbosity of the library's diagnostic messages. */
    public void setVerbosityLevel(int level) {
        withHandle(h -> {
            nativeSetVerbosityLevel(h, level);
            return null;
        });
    }

    /** Fetches the descriptions and prepares the force plates; 0 on success. */
    public int waitForForcePlateInit(long timeoutMs) {
        return withHandle(h -> nativeWaitForForcePlateInit(h, timeoutMs));
    }

    /** Registers the frame listener; replaces the previous one. 0 on success. */
    public int setDataListener(DataListener listener) {
        return setDataListener(listener, null);
    }

    /** Registers the frame listener with an object handed back on every delivery. */
    public int setDataListener(DataListener listener, Object userObject) {
        return withHandle(h -> nativeSetDataCallback(h, listener, userObject));
    }

    public int setForcePlateListener(ForcePlateListener listener) {
        return setForcePlateListener(listener, null);
    }

    public int setForcePlateListener(ForcePlateListener listener, Object userObject) {
        return withHandle(h -> nativeSetForcePlateCallback(h, listener, userObject));
    }

    public int setNotifyMsgListener(NotifyMsgListener listener) {
        return withHandle(h -> nativeSetNotifyMsgCallback(h, listener));
    }

    public int setAnalogChannelListener(AnalogChannelListener listener) {
        return withHandle(h -> nativeSetAnalogChCallback(h, listener));
    }

    /** Silences the library's diagnostic messages, process-wide. */
    public int discardLibraryMessages() {
        return withHandle(h -> nativeSetMessageCallback(h, this));
    }

    /**
     * Receives the library's diagnostic lines, process-wide, on the thread that reports them;
     * null discards them. {@link SystemLoggerBridge} passes them to a {@link System.Logger}.
     */
    public int setMessageListener(MessageListener listener) {
        return withHandle(h -> nativeSetMessageCallback(h, listener != null ? listener : this));
    }

    /** Takes the next pending frame as the current frame; false when none is pending. */
    public boolean pumpFrame() {
        Boolean pumped = withHandle(h -> nativePumpFrame(h));
        return pumped != null && pumped;
    }

    /** The frame taken by the last pump (or the library's current frame), or null. */
    public FrameOfMocapData getLastFrame() {
        return withHandle(h -> nativeGetLastFrameOfMocapData(h));
    }

    public ServerDescription getServerDescription() {
        return withHandle(h -> nativeGetServerDescription(h));
    }

    public DataDescriptions getDataDescriptions() {
        return withHandle(h -> nativeGetDataDescriptions(h));
    }

    /** The extended description set. */
    public DataDescriptions getDataDescriptionsEx() {
        return withHandle(h -> nativeGetDataDescriptionsEx(h));
    }

    /** The T-pose descriptions of the named set. */
    public DataDescriptions getTposeDataDescriptions(String name) {
        return withHandle(h -> nativeGetTposeDataDescriptions(h, name));
    }

    /** Hours, minutes, seconds, frames and subframe of a packed timecode. */
    public int[] decodeTimecode(int timecode, int subframe) {
        return withHandle(h -> nativeDecodeTimecode(h, timecode, subframe));
    }

    /** A timecode as text "hh:mm:ss:ff.s". */
    public String timecodeToString(int timecode, int subframe) {
        return withHandle(h -> nativeTimecodeStringify(h, timecode, subframe));
    }

    public int getLastFrameDataByType(int type) {
        return orZero(withHandle(h -> nativeGetLastFrameDataByType(h, type)));
    }

    public float getLastFrameLatency() {
        Float value = withHandle(h -> nativeGetLastFrameLatency(h));
        return value == null ? 0.0f : value;
    }

    public int getLastFrameSubframe() {
        return orZero(withHandle(h -> nativeGetLastFrameSubframe(h)));
    }

    public int getLastFrameTimecode() {
        return orZero(withHandle(h -> nativeGetLastFrameTimecode(h)));
    }

    public long getLastFrameTimeStamp() {
        Long value = withHandle(h -> nativeGetLastFrameTimeStamp(h));
        return value == null ? 0L : value;
    }

    /**
     * Host timing of a frame this client received (from a listener, a pumped or a kept frame),
     * found by its frame number among the last 512 frames; null when the frame is null or not
     * among them.
     */
    public FrameHostTiming getFrameHostTiming(FrameOfMocapData frame) {
        if (frame == null) {
            return null;
        }
        double[] t = withHandle(h -> nativeGetFrameHostTiming(h, frame.getFrame()));
        return t == null ? null : new FrameHostTiming(t[0], t[1], t[2], t[3], t[4]);
    }

    /**
     * The client's stream integrity counters (datagrams, frames delivered, missing, late and
     * dropped, incomplete messages, kernel drops); null after {@link #close()}.
     */
    public StreamStatistics getStreamStatistics() {
        long[] values = withHandle(h -> nativeGetStreamStatistics(h));
        return values == null ? null : new StreamStatistics(values);
    }

    /** The host clock of {@link FrameHostTiming}, in seconds from an arbitrary fixed origin. */
    public static double hostTimeNow() {
        return nativeHostTimeNow();
    }

    /** Position x, y, z of a marker of a marker set in the current frame, or null. */
    public float[] getMarkerByName(String markerSetName, String markerName) {
        return withHandle(h -> nativeGetLastFrameMarkerByName(h, markerSetName, markerName));
    }

    /** A rigid body of the current frame with marker positions, IDs and sizes, or null. */
    public RigidBodyData getRigidBodyByName(String name) {
        return withHandle(h -> nativeGetLastFrameRigidBodyByName(h, name));
    }

    /** A bone of a skeleton of the current frame, or null. */
    public RigidBodyData getSkeletonBoneByName(String skeletonName, String boneName) {
        return withHandle(h -> nativeGetLastFrameSkeletonByName(h, skeletonName, boneName));
    }

    /** The labelled markers of the current frame, or null. */
    public Marker[] getLabeledMarkers() {
        return withHandle(h -> nativeGetLastFrameLabeledMarker(h));
    }

    /** Unlabelled marker number index of the current frame, or null. */
    public float[] getUnlabeledMarker(int index) {
        return withHandle(h -> nativeGetLastFrameUndefined(h, index));
    }

    /** A named analog channel of the current frame; NaN when the channel is unknown. */
    public float getAnalogData(String channelName) {
        Float value = withHandle(h -> nativeGetLastFrameAnalogData(h, channelName));
        return value == null ? 0.0f : value;
    }

    /** Extended kinematics of the current frame, or null. */
    public FrameExtendData getExtendData() {
        return withHandle(h -> nativeGetLastFrameExtendData(h));
    }

    /**
     * The client's connection state; {@link ConnectionState#DISCONNECTED} after {@link #close()}.
     */
    public ConnectionState getConnectionState() {
        int code = withHandle(h -> nativeGetConnectionState(h));
        return code < 0 ? ConnectionState.DISCONNECTED : ConnectionState.fromCode(code);
    }

    /**
     * Registers the listener called once per change of this client's connection state, on the
     * client's monitor thread; null stops the calls. {@link #initialize(String)} reports
     * CONNECTING, then STREAMING with the first frame; {@link #uninitialize()} reports
     * DISCONNECTED before it returns, then drops the listener like the others. 0 on success.
     */
    public int setConnectionStateListener(ConnectionStateListener listener) {
        return withHandle(h -> nativeSetConnectionStateCallback(h, listener));
    }

    /**
     * How long a connected client waits for a frame before its state becomes STALLED, in
     * milliseconds (default 1000; 0 turns stall detection, and with it automatic reconnection,
     * off; at most 3600000). 0 on success, 2 for a value out of range.
     */
    public int setStallTimeout(int milliseconds) {
        return withHandle(h -> nativeSetStallTimeout(h, milliseconds));
    }

    /**
     * Turns automatic reconnection on or off (off by default). When on and the stream stalls,
     * the client repeats the connect handshake every interval until the server answers, then
     * subscribes again and refreshes the descriptions; the state goes STALLED, RECONNECTING,
     * then STREAMING.
     *
     * @param retryIntervalMs milliseconds between handshakes (0: the default, 1000; at most
     *     3600000)
     * @return 0 on success, 2 for an interval out of range
     */
    public int setAutoReconnect(boolean enabled, int retryIntervalMs) {
        return withHandle(h -> nativeSetAutoReconnect(h, enabled, retryIntervalMs));
    }

    /**
     * How long initialisation and each request wait for the server's reply, 1 to 3600000 ms
     * (default 5000). A command port the operating system reports unreachable ends the wait at
     * once. 0 on success, 2 for a value out of range.
     */
    public int setRequestTimeout(int milliseconds) {
        return withHandle(h -> nativeSetRequestTimeout(h, milliseconds));
    }

    /**
     * How many frames the process-wide polling queue holds for {@link #pumpFrame()}, 1 to 32
     * (default 32); each pump takes the oldest waiting frame, so 1 always gives the newest. 0 on
     * success, 2 for a value out of range.
     */
    public int setFrameQueueCapacity(int frames) {
        return withHandle(h -> nativeSetFrameQueueCapacity(h, frames));
    }

    /**
     * One sentence about the client's last failure, for a person ("" when nothing has failed
     * yet, null after {@link #close()}).
     */
    public String getLastErrorText() {
        return withHandle(h -> nativeGetLastErrorText(h));
    }

    /**
     * Runs a native call with the handle while holding the read lock, so {@link #close()} waits
     * for calls in progress and later calls see a handle of 0.
     */
    private <T> T withHandle(LongFunction<T> call) {
        lockHandle();
        try {
            return call.apply(handle.value);
        } finally {
            handleLock.readLock().unlock();
        }
    }

    /**
     * Takes the read lock for one call. A listener (on a library thread) never queues behind a
     * waiting {@link #close()}: that close may be waiting for an {@link #uninitialize()} in
     * another thread, which waits for this very listener to return. tryLock takes a free read
     * lock even with writers queued; the write lock itself is only ever held for a field swap.
     */
    private void lockHandle() {
        if (!Deliveries.onLibraryThread()) {
            handleLock.readLock().lock();
            return;
        }
        while (!handleLock.readLock().tryLock()) {
            Thread.onSpinWait();
        }
    }

    private static int orZero(Integer value) {
        return value == null ? 0 : value;
    }

    static native long nativeCreate();
    static native double[] nativeGetFrameHostTiming(long handle, int frameNumber);
    static native long[] nativeGetStreamStatistics(long handle);
    static native double nativeHostTimeNow();
    static native void nativeDestroy(long handle);
    static native int nativeInitialize(long handle, String serverAddress);
    static native int nativeUninitialize(long handle);
    static native byte[] nativeGetVersion(long handle);
    static native void nativeSetVerbosityLevel(long handle, int level);
    static native int nativeWaitForForcePlateInit(long handle, long timeoutMs);
    static native boolean nativePumpFrame(long handle);
    static native int nativeSetDataCallback(long handle, Object listener, Object userObject);
    static native int nativeSetForcePlateCallback(long handle, Object listener, Object userObject);
    static native int nativeSetMessageCallback(long handle, Object listener);
    static native int nativeSetNotifyMsgCallback(long handle, Object listener);
    static native int nativeSetAnalogChCallback(long handle, Object listener);
    static native ServerDescription nativeGetServerDescription(long handle);
    static native DataDescriptions nativeGetDataDescriptions(long handle);
    static native DataDescriptions nativeGetDataDescriptionsEx(long handle);
    static native DataDescriptions nativeGetTposeDataDescriptions(long handle, String name);
    static native int nativeFreeDataDescriptions(long handle, Object descriptions);
    static native int[] nativeDecodeTimecode(long handle, int timecode, int subframe);
    static native String nativeTimecodeStringify(long handle, int timecode, int subframe);
    static native int nativeCopyFrame(long handle, Object frame);
    static native int nativeFreeFrame(long handle, Object frame);
    static native FrameOfMocapData nativeGetLastFrameOfMocapData(long handle);
    static native int nativeGetLastFrameDataByType(long handle, int type);
    static native float nativeGetLastFrameLatency(long handle);
    static native int nativeGetLastFrameSubframe(long handle);
    static native int nativeGetLastFrameTimecode(long handle);
    static native long nativeGetLastFrameTimeStamp(long handle);
    static native float[] nativeGetLastFrameMarkerByName(long handle, String markerSetName,
                                                         String markerName);
    static native RigidBodyData nativeGetLastFrameRigidBodyByName(long handle, String name);
    static native RigidBodyData nativeGetLastFrameSkeletonByName(long handle, String skeletonName,
                                                                 String boneName);
    static native Marker[] nativeGetLastFrameLabeledMarker(long handle);
    static native float[] nativeGetLastFrameUndefined(long handle, int index);
    static native float nativeGetLastFrameAnalogData(long handle, String channelName);
    static native FrameExtendData nativeGetLastFrameExtendData(long handle);
    static native int nativeGetConnectionState(long handle);
    static native int nativeSetConnectionStateCallback(long handle, Object listener);
    static native int nativeSetStallTimeout(long handle, int milliseconds);
    static native int nativeSetAutoReconnect(long handle, boolean enabled, int retryIntervalMs);
    static native int nativeSetRequestTimeout(long handle, int milliseconds);
    static native int nativeSetFrameQueueCapacity(long handle, int frames);
    static native String nativeGetLastErrorText(long handle);
}
