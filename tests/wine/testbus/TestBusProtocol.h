/* SPDX-License-Identifier: MIT */
/* The test bus driver's own control codes, shared by the driver (C) and the
 * tests (C++). They sit in the same device type as the real codes, in a
 * function range the real driver does not use. */
#ifndef ZELVORO_TEST_BUS_PROTOCOL_H
#define ZELVORO_TEST_BUS_PROTOCOL_H

/* The control device the test driver creates: \\.\ZelvoroAudioBus2, so that
 * opening walks past two missing names first. */
#define TESTBUS_INDEX 2
#define TESTBUS_DEVICE_NAME L"\\Device\\ZelvoroAudioBus2"
#define TESTBUS_LINK_NAME L"\\DosDevices\\ZelvoroAudioBus2"

#define TESTBUS_CODE(function) ((0xFFDCu << 16) | ((function) << 2))

/* In: struct TestBusSetup. Resets the model, then applies the setup. */
#define TESTBUS_SETUP TESTBUS_CODE(0xF00u)
/* Out: struct TestBusRecord followed by the last request's input bytes. */
#define TESTBUS_LAST_REQUEST TESTBUS_CODE(0xF01u)

#define TESTBUS_FIRMWARE_BYTES 32
#define TESTBUS_MAX_INPUT 66304

struct TestBusSetup
{
    unsigned int productId;
    /* Requests with this code are refused with STATUS_DEVICE_BUSY; 0 for none. */
    unsigned int refusedCode;
    /* Bytes of the firmware response reported as returned (at most 32). */
    unsigned int firmwareLength;
    unsigned char firmware[TESTBUS_FIRMWARE_BYTES];
};

struct TestBusRecord
{
    unsigned int requests; /* driver-code requests since the last setup */
    unsigned int code;
    unsigned int inputLength;
    unsigned int outputLength;
};

#endif
