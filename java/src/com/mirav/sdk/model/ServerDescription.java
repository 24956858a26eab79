package com.mirav.sdk.model;

/** The server's identity: host name and address, application name and versions. */
public class ServerDescription {
    private boolean hostPresent;
    private String hostComputerName;
    private byte[] hostComputerAddress = new byte[4];
    private String hostApp;
    private byte[] hostAppVersion = new byte[4];
    private byte[] miravSDKVersion = new byte[4];

    public ServerDescription() {}

    public boolean isHostPresent() {
        return hostPresent;
    }

    public void setHostPresent(boolean hostPresent) {
        this.hostPresent = hostPresent;
    }

    public String getHostComputerName() {
        return hostComputerName;
    }

    public void setHostComputerName(String hostComputerName) {
        this.hostComputerName = hostComputerName;
    }

    /** IPv4 address, four bytes in network order. */
    public byte[] getHostComputerAddress() {
        return hostComputerAddress;
    }

    public void setHostComputerAddress(byte[] hostComputerAddress) {
        this.hostComputerAddress = hostComputerAddress;
    }

    public String getHostApp() {
        return hostApp;
    }

    public void setHostApp(String hostApp) {
        this.hostApp = hostApp;
    }

    public byte[] getHostAppVersion() {
        return hostAppVersion;
    }

    public void setHostAppVersion(byte[] hostAppVersion) {
        this.hostAppVersion = hostAppVersion;
    }

    /** Protocol version the server speaks. */
    public byte[] getMiravSDKVersion() {
        return miravSDKVersion;
    }

    public void setMiravSDKVersion(byte[] miravSDKVersion) {
        this.miravSDKVersion = miravSDKVersion;
    }

    /** Four version or address bytes as unsigned numbers joined by sep. */
    static String join(byte[] bytes, String sep) {
        StringBuilder text = new StringBuilder();
        for (int i = 0; bytes != null && i < bytes.length; i++) {
            if (i > 0) {
                text.append(sep);
            }
            text.append(bytes[i] & 0xFF);
        }
        return text.toString();
    }

    @Override
    public String toString() {
        return "ServerDescription{hostPresent=" + hostPresent + ", hostComputerName=\""
            + hostComputerName + "\", hostComputerAddress=" + join(hostComputerAddress, ".")
            + ", hostApp=\"" + hostApp + "\", hostAppVersion=" + join(hostAppVersion, ".")
            + ", miravSDKVersion=" + join(miravSDKVersion, ".") + "}";
    }
}
