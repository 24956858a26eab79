/**
 * @file MiravResult.h
 * @brief Result codes returned by the operations of the library.
 *
 * Every operation that reports success or failure returns one of these codes as an @c int.
 * A code can mean more than one thing; the documentation of each operation says which of them
 * it gives and when.
 */
#ifndef MIRAV_RESULT_H
#define MIRAV_RESULT_H

/** @brief Result codes of the library's operations (the values never change). */
typedef enum MiravResult {
    /** Success. */
    MiravResult_Ok = 0,
    /** General failure, or a request to the server failed (no request slot, the command channel
     *  is closed, or the unicast data port could not be bound). */
    MiravResult_Failed = 1,
    /** No client object, no client implementation, or a required pointer argument is null. */
    MiravResult_InvalidArgument = 2,
    /** The name is not in the cached descriptions, or the address is not usable. */
    MiravResult_NotDescribed = 4,
    /** A buffer could not be allocated. */
    MiravResult_OutOfMemory = 6,
    /** A socket, kernel object or thread could not be created. */
    MiravResult_SystemResource = 7,
    /** A null argument to a look-up, or the described item is absent from the frame. */
    MiravResult_NotInFrame = 8,
    /** A wait timed out. Internal: no exported operation returns it. */
    MiravResult_WaitTimedOut = 9,
    /** The client is not connected, or the server refused the client's version. */
    MiravResult_NotConnected = 10,
    /** The client is already initialised, or the channel is already open. */
    MiravResult_AlreadyInitialized = 13,
    /** Connecting the command channel to the server failed. */
    MiravResult_ConnectFailed = 14,
    /** A request to the server received no reply in time (5 s). */
    MiravResult_NoReply = 15
} MiravResult;

#endif
