/* SPDX-License-Identifier: MIT */
/* The test bus driver's own control codes, shared by the driver (C) and the
 * tests (C++). They sit in the same device type as the real codes, in a
 * function range the real driver does not use. */
#ifndef ZELVORO_TEST_BUS_PROTOCOL_H
#define ZELVORO_TEST_BUS_PROTOCOL_H

/* The control device the test driver creates unless its service key holds a
 * TESTBUS_INDEX_VALUE (REG_DWORD, 0..15) when it starts: \\.\ZelvoroAudioBus2,
 * so that opening walks past two missing names first. */
#define TESTBUS_INDEX 2
#define TESTBUS_INDEX_VALUE L"BusIndex"
#define TESTBUS_DEVICE_PREFIX L"\\Device\\ZelvoroAudioBus"
#define TESTBUS_LINK_PREFIX L"\\DosDevices\\ZelvoroAudioBus"

#define TESTBUS_CODE(function) ((0xFFDCu << 16) | ((function) << 2))

/* In: struct TestBusSetup (the whole struct, or the older one without
 * `flags`). Resets the model and empties the journal, then applies the setup. */
#define TESTBUS_SETUP TESTBUS_CODE(0xF00u)
/* Out: struct TestBusRecord followed by the last request's input bytes. */
#define TESTBUS_LAST_REQUEST TESTBUS_CODE(0xF01u)
/* Out: struct TestBusJournalState. */
#define TESTBUS_JOURNAL_STATE TESTBUS_CODE(0xF02u)
/* In: the 32-bit byte offset to read from. Out: as many journal bytes from
 * there as fit; none at the end. */
#define TESTBUS_JOURNAL_READ TESTBUS_CODE(0xF03u)

#define TESTBUS_FIRMWARE_BYTES 32
#define TESTBUS_MAX_INPUT 66304

/* Answer like the real driver does: engine settings only while the engine is
 * stopped and only from the sets the program offers, any vendor transfer. */
#define TESTBUS_STRICT 1u

struct TestBusSetup
{
    unsigned int productId;
    /* Requests with this code are refused with STATUS_DEVICE_BUSY; 0 for none. */
    unsigned int refusedCode;
    /* Bytes of the firmware response reported as returned (at most 32). */
    unsigned int firmwareLength;
    unsigned char firmware[TESTBUS_FIRMWARE_BYTES];
    unsigned int flags; /* TESTBUS_STRICT or 0 */
};

struct TestBusRecord
{
    unsigned int requests; /* driver-code requests since the last setup */
    unsigned int code;
    unsigned int inputLength;
    unsigned int outputLength;
};

/* The journal: one entry per driver-code request since the last setup, each
 * followed by its `storedLength` input bytes. */
struct TestBusEntry
{
    unsigned int code;
    unsigned int inputLength;
    unsigned int storedLength; /* inputLength, or 0 for input too long to keep */
    unsigned int outputLength;
    unsigned int status; /* the NTSTATUS it was completed with */
    unsigned int returned;
};

struct TestBusJournalState
{
    unsigned int entries;
    unsigned int bytes;
    unsigned int dropped; /* entries that no longer fitted */
};

#endif
