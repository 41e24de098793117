// SPDX-License-Identifier: MIT
// A kernel-mode stand-in for the audio bus driver, loaded by Wine's
// ntoskrnl.exe so that AudioBusDevice goes through the real CreateFileW and
// DeviceIoControl path. It answers every control code with the buffer sizes
// the real driver expects, refuses anything else, and journals every request
// so that a test can see exactly what was sent, in order. Wine's ntoskrnl
// dispatches one request at a time, so the model needs no lock.
#include <ntddk.h>

#include "TestBusProtocol.h"

enum
{
    GetSampleRate = 0x808,
    SetSampleRate = 0x80E,
    WriteMixerBlock = 0x810,
    SetBufferSize = 0x811,
    GetBufferSize = 0x812,
    GetUsbLatency = 0x813,
    SetUsbLatency = 0x814,
    ReadMeterData = 0x81D,
    StopAudio = 0x81E,
    InitAudio = 0x81F,
    RestartAudio = 0x820,
    GetDevicePid = 0x821,
    SetWdmChannelCount = 0x822,
    EnableSlowMode = 0x824,
    DisableSlowMode = 0x825,
    SendVendorCommand = 0x827,
    TransferVendorCommand = 0x828,
    GetValue32 = 0x829,
    SetValue16 = 0x82B,
    GetValue16 = 0x82C,
    SetFlag8 = 0x82D,
    GetFlag8 = 0x82E,
};

#define MIXER_BYTES 66304u
#define METER_BYTES 768u
#define FRAME_BYTES 37u
#define FIRMWARE_COMMAND 0x65u
/* Enough for a few hundred mixer blocks: a first start writes a few dozen. */
#define JOURNAL_BYTES (16u << 20)
#define OLD_SETUP_BYTES (sizeof(struct TestBusSetup) - sizeof(unsigned int))

static struct
{
    struct TestBusSetup setup;
    ULONG sampleRate, bufferSize, usbLatency, wdmChannels, slowMode, running;
    USHORT value16;
    UCHAR flag8;
    struct TestBusRecord record;
    UCHAR lastInput[TESTBUS_MAX_INPUT];
    struct TestBusJournalState journal;
} bus;

static UCHAR *journal; /* JOURNAL_BYTES, allocated at load */

static void reset(const struct TestBusSetup *setup, ULONG size)
{
    RtlZeroMemory(&bus, sizeof bus);
    RtlCopyMemory(&bus.setup, setup, size);
    if (bus.setup.firmwareLength > TESTBUS_FIRMWARE_BYTES)
        bus.setup.firmwareLength = TESTBUS_FIRMWARE_BYTES;
    bus.sampleRate = 44100;
    bus.bufferSize = 256;
    bus.usbLatency = 16;
    bus.wdmChannels = 2;
    bus.running = 1;
    bus.value16 = 0xFFFE; /* reads as -2 */
}

static void journalRequest(ULONG code, const UCHAR *input, ULONG in, ULONG out, NTSTATUS status,
                           ULONG_PTR returned)
{
    struct TestBusEntry entry = {code, in, in <= TESTBUS_MAX_INPUT && input ? in : 0, out, (ULONG)status,
                                 (ULONG)returned};
    if (!journal || JOURNAL_BYTES - bus.journal.bytes < sizeof entry + entry.storedLength) {
        ++bus.journal.dropped;
        return;
    }
    RtlCopyMemory(journal + bus.journal.bytes, &entry, sizeof entry);
    if (entry.storedLength)
        RtlCopyMemory(journal + bus.journal.bytes + sizeof entry, input, entry.storedLength);
    bus.journal.bytes += sizeof entry + entry.storedLength;
    ++bus.journal.entries;
}

static NTSTATUS complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static ULONG read32(const UCHAR *p)
{
    return (ULONG)p[0] | (ULONG)p[1] << 8 | (ULONG)p[2] << 16 | (ULONG)p[3] << 24;
}

static void write32(UCHAR *p, ULONG value)
{
    p[0] = (UCHAR)value;
    p[1] = (UCHAR)(value >> 8);
    p[2] = (UCHAR)(value >> 16);
    p[3] = (UCHAR)(value >> 24);
}

static BOOLEAN strict(void)
{
    return (bus.setup.flags & TESTBUS_STRICT) != 0;
}

static BOOLEAN supported(ULONG function, ULONG value)
{
    static const ULONG bufferSizes[] = {48, 64, 96, 128, 192, 256, 512, 1024};
    switch (function) {
    case SetSampleRate:
        return value == 44100 || value == 48000;
    case SetBufferSize:
        for (ULONG i = 0; i < sizeof bufferSizes / sizeof bufferSizes[0]; ++i)
            if (bufferSizes[i] == value)
                return TRUE;
        return FALSE;
    case SetUsbLatency:
        return value == 8 || value == 16 || value == 24 || value == 32;
    default: /* SetWdmChannelCount */
        return value >= 1 && value <= 32;
    }
}

// One driver code. `buffer` is the shared system buffer of a buffered
// transfer: the input on entry, the output on return.
static NTSTATUS answer(ULONG function, UCHAR *buffer, ULONG in, ULONG out, ULONG_PTR *returned)
{
    *returned = 0;
    switch (function) {
    case GetSampleRate:
    case GetBufferSize:
    case GetUsbLatency:
    case GetDevicePid:
    case GetValue32: {
        if (in != 0 || out < 4)
            return STATUS_INVALID_PARAMETER;
        const ULONG value = function == GetSampleRate   ? bus.sampleRate
                            : function == GetBufferSize ? bus.bufferSize
                            : function == GetUsbLatency ? bus.usbLatency
                            : function == GetDevicePid  ? bus.setup.productId
                                                        : 0x12345678u;
        write32(buffer, value);
        *returned = 4;
        return STATUS_SUCCESS;
    }
    case SetSampleRate:
    case SetBufferSize:
    case SetUsbLatency:
    case SetWdmChannelCount: {
        if (in != 4 || out != 0)
            return STATUS_INVALID_PARAMETER;
        const ULONG value = read32(buffer);
        if (strict() && !supported(function, value))
            return STATUS_INVALID_PARAMETER;
        if (strict() && bus.running)
            return STATUS_DEVICE_BUSY;
        if (function == SetSampleRate)
            bus.sampleRate = value;
        else if (function == SetBufferSize)
            bus.bufferSize = value;
        else if (function == SetUsbLatency)
            bus.usbLatency = value;
        else
            bus.wdmChannels = value;
        return STATUS_SUCCESS;
    }
    case WriteMixerBlock:
        return in == MIXER_BYTES && out == 0 ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
    case ReadMeterData:
        if (in != 0 || out < METER_BYTES)
            return STATUS_INVALID_PARAMETER;
        // Word i reads i * 1000, negated for odd i: every word is told apart.
        for (ULONG i = 0; i < METER_BYTES / 4; ++i)
            write32(buffer + 4 * i, (i % 2 ? (ULONG)(-(LONG)(i * 1000)) : i * 1000));
        *returned = METER_BYTES;
        return STATUS_SUCCESS;
    case StopAudio:
    case InitAudio:
    case RestartAudio:
    case EnableSlowMode:
    case DisableSlowMode:
        if (in != 0 || out != 0)
            return STATUS_INVALID_PARAMETER;
        if (strict() && bus.running && (function == EnableSlowMode || function == DisableSlowMode))
            return STATUS_DEVICE_BUSY;
        if (function == StopAudio)
            bus.running = 0;
        else if (function == EnableSlowMode || function == DisableSlowMode)
            bus.slowMode = function == EnableSlowMode;
        else
            bus.running = 1;
        return STATUS_SUCCESS;
    case SendVendorCommand:
        return in == FRAME_BYTES && out == 0 && buffer[0] == 0x01 ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
    case TransferVendorCommand:
        if (in != FRAME_BYTES || buffer[0] != 0x01 || (!strict() && buffer[1] != FIRMWARE_COMMAND))
            return STATUS_INVALID_PARAMETER;
        if (out < TESTBUS_FIRMWARE_BYTES)
            return strict() ? STATUS_BUFFER_TOO_SMALL : STATUS_INVALID_PARAMETER;
        if (buffer[1] == FIRMWARE_COMMAND) {
            RtlCopyMemory(buffer, bus.setup.firmware, TESTBUS_FIRMWARE_BYTES);
            *returned = bus.setup.firmwareLength;
        } else { /* another command through the transfer: done, nothing to tell */
            RtlZeroMemory(buffer, TESTBUS_FIRMWARE_BYTES);
            *returned = TESTBUS_FIRMWARE_BYTES;
        }
        return STATUS_SUCCESS;
    case SetValue16:
        if (in != 2 || out != 0)
            return STATUS_INVALID_PARAMETER;
        bus.value16 = (USHORT)(buffer[0] | buffer[1] << 8);
        return STATUS_SUCCESS;
    case GetValue16:
        if (in != 0 || out < 2)
            return STATUS_INVALID_PARAMETER;
        buffer[0] = (UCHAR)bus.value16;
        buffer[1] = (UCHAR)(bus.value16 >> 8);
        *returned = 2;
        return STATUS_SUCCESS;
    case SetFlag8:
        if (in != 1 || out != 0)
            return STATUS_INVALID_PARAMETER;
        bus.flag8 = buffer[0];
        return STATUS_SUCCESS;
    case GetFlag8:
        if (in != 0 || out < 1)
            return STATUS_INVALID_PARAMETER;
        buffer[0] = bus.flag8;
        *returned = 1;
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

static NTSTATUS WINAPI dispatchCreateClose(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI dispatchControl(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    const IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = irp->AssociatedIrp.SystemBuffer;

    if (code == TESTBUS_SETUP) {
        if (in != sizeof(struct TestBusSetup) && in != OLD_SETUP_BYTES)
            return complete(irp, STATUS_INVALID_PARAMETER, 0);
        reset((const struct TestBusSetup *)buffer, in);
        return complete(irp, STATUS_SUCCESS, 0);
    }
    if (code == TESTBUS_JOURNAL_STATE) {
        if (out < sizeof bus.journal)
            return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        RtlCopyMemory(buffer, &bus.journal, sizeof bus.journal);
        return complete(irp, STATUS_SUCCESS, sizeof bus.journal);
    }
    if (code == TESTBUS_JOURNAL_READ) {
        if (in != 4)
            return complete(irp, STATUS_INVALID_PARAMETER, 0);
        const ULONG offset = read32(buffer);
        const ULONG left = offset < bus.journal.bytes ? bus.journal.bytes - offset : 0;
        const ULONG size = left < out ? left : out;
        if (size)
            RtlCopyMemory(buffer, journal + offset, size);
        return complete(irp, STATUS_SUCCESS, size);
    }
    if (code == TESTBUS_LAST_REQUEST) {
        const ULONG size = sizeof bus.record + bus.record.inputLength;
        if (out < size)
            return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        RtlCopyMemory(buffer, &bus.record, sizeof bus.record);
        RtlCopyMemory(buffer + sizeof bus.record, bus.lastInput, bus.record.inputLength);
        return complete(irp, STATUS_SUCCESS, size);
    }

    ++bus.record.requests;
    bus.record.code = code;
    bus.record.inputLength = in <= TESTBUS_MAX_INPUT ? in : 0;
    bus.record.outputLength = out;
    if (buffer && bus.record.inputLength)
        RtlCopyMemory(bus.lastInput, buffer, bus.record.inputLength);

    // The journal keeps the input, which the answer overwrites with the output.
    const ULONG entryAt = bus.journal.bytes;
    journalRequest(code, buffer, in, out, STATUS_PENDING, 0);
    NTSTATUS status = STATUS_DEVICE_BUSY;
    ULONG_PTR returned = 0;
    if ((code >> 16) != 0xFFDC || (code & 0xC003) != 0) // not ours, or not buffered with any access
        status = STATUS_INVALID_DEVICE_REQUEST;
    else if (code != bus.setup.refusedCode)
        status = answer((code >> 2) & 0xFFF, buffer, in, out, &returned);
    if (bus.journal.bytes != entryAt) {
        struct TestBusEntry *entry = (struct TestBusEntry *)(journal + entryAt);
        entry->status = (ULONG)status;
        entry->returned = (ULONG)returned;
    }
    return complete(irp, status, returned);
}

static WCHAR linkText[40];
static UNICODE_STRING link;

static void WINAPI unload(DRIVER_OBJECT *driver)
{
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(driver->DeviceObject);
    if (journal)
        ExFreePool(journal);
    journal = NULL;
}

// The bus index from the service key's TESTBUS_INDEX_VALUE, if it has one.
static ULONG busIndex(UNICODE_STRING *registryPath)
{
    ULONG index = TESTBUS_INDEX;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    HANDLE key;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes)))
        return index;
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, TESTBUS_INDEX_VALUE);
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 4];
    } value;
    ULONG size = 0;
    if (NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &value, sizeof value, &size)) &&
        value.info.Type == REG_DWORD && value.info.DataLength == 4 && read32(value.info.Data) < 16)
        index = read32(value.info.Data);
    ZwClose(key);
    return index;
}

// `prefix` followed by the decimal index.
static void indexedName(WCHAR *text, const WCHAR *prefix, ULONG index, UNICODE_STRING *name)
{
    ULONG n = 0;
    while (prefix[n]) {
        text[n] = prefix[n];
        ++n;
    }
    if (index >= 10)
        text[n++] = (WCHAR)(L'0' + index / 10);
    text[n++] = (WCHAR)(L'0' + index % 10);
    text[n] = 0;
    RtlInitUnicodeString(name, text);
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registryPath)
{
    const ULONG index = busIndex(registryPath);
    static WCHAR nameText[40];
    UNICODE_STRING name;
    indexedName(nameText, TESTBUS_DEVICE_PREFIX, index, &name);
    indexedName(linkText, TESTBUS_LINK_PREFIX, index, &link);

    const struct TestBusSetup defaults = {2, 0, TESTBUS_FIRMWARE_BYTES, "1.0.3", 0};
    reset(&defaults, sizeof defaults);
    journal = ExAllocatePool(NonPagedPool, JOURNAL_BYTES);

    DEVICE_OBJECT *device = NULL;
    NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatchControl;
    driver->DriverUnload = unload;
    return STATUS_SUCCESS;
}
