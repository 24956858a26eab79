import com.mirav.sdk.MiravSDKClient;
import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.ServerDescription;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * Connects to a capture server, prints its description and a few frames, then disconnects.
 *
 * <pre>java -cp mirav-sdk.jar:. PrintFrames [server-address] [frame-count]</pre>
 */
public class PrintFrames {
    public static void main(String[] args) throws InterruptedException {
        String server = args.length > 0 ? args[0] : "127.0.0.1";
        int wanted = args.length > 1 ? Integer.parseInt(args[1]) : 10;
        CountDownLatch remaining = new CountDownLatch(wanted);

        try (MiravSDKClient client = new MiravSDKClient()) {
            client.setDataListener((frame, user) -> {
                if (remaining.getCount() > 0) {
                    System.out.println(frame);
                    remaining.countDown();
                }
            });
            int result = client.initialize(server);
            if (result != 0) {
                System.err.println("cannot connect to " + server + ": result code " + result);
                System.exit(1);
            }
            ServerDescription description = client.getServerDescription();
            System.out.println("server: " + description);
            DataDescriptions catalogue = client.getDataDescriptions();
            if (catalogue != null) {
                System.out.println("descriptions: " + catalogue.getDataDescriptionCount());
            }
            boolean done = remaining.await(10, TimeUnit.SECONDS);
            client.uninitialize();
            if (!done) {
                System.err.println("fewer frames than asked for arrived within 10 s");
                System.exit(2);
            }
        }
    }
}
